#include "support/headless.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "physics/faults.h"
#include "physics/subrout.h"
#include "sim/numfmt.h"
#include "sim/state.h"

namespace torv::testing {

namespace {

// A field's text set to general 15 of v, read back by its handler.
double viaField(double v)
{
    auto read = parseNumber(general15(v, '.'), '.');
    if (!read)
        throw std::logic_error("general 15 text does not read back");
    return *read;
}

} // namespace

void activateHeadless()
{
    const SzenarioRecord& s = st.Szenario;
    const double k = s.Klasse;
    st.Klasse = static_cast<int>(k);
    st.BallonModus = (k == 3 || k == 4) ? 1 : 0;
    st.DatenSchalter = 0;
    st.g = 9.8;
    st.MassaStart = viaField(s.Masse);
    st.H0 = viaField(s.H0);
    st.V0 = viaField(s.V0);
    if (k == 7)
        st.RSAT = viaField(s.RSAT);
    st.S0 = viaField(s.S0);
    st.Cx = viaField(s.Cx);
    st.Cy = viaField(s.Cy);
    st.TTO = viaField(s.TTO);
    st.Tk = viaField(s.Tk);
    st.Hk = viaField(s.Hk);
    st.Vk = viaField(s.Vk);
    st.dt0 = viaField(s.dt);
    st.Vwind = viaField(s.Vwind);
    st.Auftriebplus = 1.0;
    st.Gasverlust = 4.4;
    st.AeroModel = 0;
    if (k == 8) {
        st.Mt = viaField(s.Mt);
        st.Iud = viaField(s.Iud);
        st.Mdv = viaField(s.Mdv);
        st.Schub = viaField(s.Schub);
    }
    if (k == 3) {
        st.GasDensity = viaField(s.GasDichte);
        st.HFlug = viaField(s.HFlug);
        st.Auftrieb = st.MassaStart * st.g;
        st.Gewicht = st.Auftrieb;
        st.AuftriebSoll = st.Auftrieb + st.Auftrieb / 100 * st.Auftriebplus;
        Atmosphere(0, st.Temp, st.Druck, st.Aschall, st.Roh, st.Mu);
        st.Volumen = st.Auftrieb / (st.Roh - st.GasDensity);
        st.VolumenStart = st.Volumen;
        st.Radius = std::pow(3 * st.Volumen / 4 / 3.14, 0.33);
        st.Oberflaeche = 12.56 * st.Radius * st.Radius;
        st.SBallon = 3.14 * st.Radius * st.Radius;
        st.S0 = *parseNumber(general4(st.SBallon, '.'), '.');
    }
}

RecordingPort::RecordingPort()
{
    setFormPort(this);
}

RecordingPort::~RecordingPort()
{
    setFormPort(nullptr);
}

void RecordingPort::setEdS0(const std::string& text)
{
    edS0.push_back(text);
    FormPort::setEdS0(text);
}

void RecordingPort::setEdBelastung(const std::string& text)
{
    edBelastung.push_back(text);
}

void RecordingPort::drawGraph()
{
    ++graphs;
}

TempWorkDir::TempWorkDir()
{
    namespace fs = std::filesystem;
    previous_ = fs::current_path().string();
    std::string tmpl = (fs::temp_directory_path() / "torv-run-XXXXXX").string();
    if (!mkdtemp(tmpl.data()))
        throw std::runtime_error("cannot create a temporary directory");
    path_ = tmpl;
    fs::current_path(path_);
}

TempWorkDir::~TempWorkDir()
{
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::current_path(previous_, ec);
    // Undo any permission change a test made, then remove everything.
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
}

std::string readFile(const std::string& name)
{
    if (!std::filesystem::is_regular_file(name))
        return {};
    std::ifstream in(name, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
}

bool fileExists(const std::string& name)
{
    return std::filesystem::exists(name);
}

std::optional<std::string> withoutPrivilege(void (*body)())
{
    auto attempt = [&]() -> std::string {
        try {
            body();
        } catch (const TorvError& e) {
            return e.what();
        }
        return "";
    };
    if (geteuid() != 0)
        return attempt();

    int fds[2];
    if (pipe(fds) != 0)
        return std::nullopt;
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        constexpr uid_t kNobody = 65534;
        if (setegid(kNobody) != 0 || seteuid(kNobody) != 0)
            _exit(3);
        const std::string message = attempt();
        const bool sent = write(fds[1], message.data(), message.size()) == static_cast<ssize_t>(message.size());
        _exit(sent ? 0 : 4);
    }
    close(fds[1]);
    std::string message;
    char buf[256];
    for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;)
        message.append(buf, static_cast<size_t>(n));
    close(fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (child < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return message;
}

std::optional<std::string> inReadOnlyDir(const TempWorkDir& dir, void (*body)())
{
    chmod(dir.path().c_str(), 0555);
    auto message = withoutPrivilege(body);
    chmod(dir.path().c_str(), 0755);
    return message;
}

} // namespace torv::testing
