#include "support/runfixtures.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "fault/faults.h"

namespace torv::testing {

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

std::string errorMessage(void (*body)())
{
    try {
        body();
    } catch (const TorvError& e) {
        return e.what();
    }
    return "";
}

std::optional<std::string> withoutPrivilege(void (*body)())
{
    if (geteuid() != 0)
        return errorMessage(body);

    int fds[2];
    if (pipe(fds) != 0)
        return std::nullopt;
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        constexpr uid_t kNobody = 65534;
        if (setegid(kNobody) != 0 || seteuid(kNobody) != 0)
            _exit(3);
        const std::string message = errorMessage(body);
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
