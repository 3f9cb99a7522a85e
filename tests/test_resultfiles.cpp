#include <gtest/gtest.h>

#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <iterator>
#include <set>
#include <string>
#include <tuple>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "fault/faults.h"
#include "files/atomicfile.h"
#include "files/resultfiles.h"
#include "model/state.h"
#include "support/runfixtures.h"

using namespace torv;
using namespace torv::testing;

namespace {

const std::string kTrenn = "  ";

// The columns' series in file order, and a value for each slot that
// exercises signs, widths and rounding.
constexpr int kColumns[] = { 0, 7, 3, 1, 2, 4, 28 };

double cell(int series, int j)
{
    return series == 4 ? -j * 0.173 : series * 100.0 + j * 1.25 + series / 7.0;
}

// The line as printf writes it, independently of the program's formatter.
std::string printfLine(int j)
{
    char buf[256];
    std::snprintf(buf, sizeof buf, "  %6.2f  %8.2f  %6.2f  %5.1f  %5.1f  %5.1f  %5.1f  %9.6f  ", double(j), cell(0, j),
        cell(7, j), cell(3, j), cell(1, j), cell(2, j), cell(4, j), cell(28, j));
    return buf;
}

void fillSeries()
{
    st.Trenn = kTrenn;
    for (int k : kColumns)
        for (int j = 1; j <= kSamples; ++j)
            st.Ergebnis[k * kSamples + j - 1] = cell(k, j);
}

} // namespace

TEST(SampleLine, WidthsDecimalsAndOverflow)
{
    struct Row {
        SampleRow values;
        const char* line;
    } rows[] = {
        // The documented example: 69 characters.
        { { 1, 0.1, 12.3, 1000, 100, 5000, 10, 1.112 },
            "    1.00      0.10   12.30  1000.0  100.0  5000.0   10.0   1.112000  " },
        // A range wider than 6.2 is written in full and shifts the rest.
        { { 1, 0.1, 123456.7, 1000, 100, 5000, 10, 1.112 },
            "    1.00      0.10  123456.70  1000.0  100.0  5000.0   10.0   1.112000  " },
        // Negative numbers carry their sign inside the width.
        { { 500, 1234.567, -5.5, 0, 0.04, 99999.96, -88.04, 0.0000004 },
            "  500.00   1234.57   -5.50    0.0    0.0  100000.0  -88.0   0.000000  " },
    };
    for (const Row& r : rows)
        EXPECT_EQ(sampleLine(kTrenn, r.values), r.line);
    EXPECT_EQ(sampleLine(kTrenn, rows[0].values).size(), 69u);
}

// Also in a comma locale the numbers keep their full stop.
TEST(SampleFile, HeadingAndFiveHundredCrLfLinesInAnyLocale)
{
    TempWorkDir dir;
    resetState();
    fillSeries();
    writeSampleFile();
    std::string expected = " \r\n    j      t       X,km      H,km     V      q     Q     Roh\r\n \r\n";
    for (int j = 1; j <= kSamples; ++j)
        expected += printfLine(j) + "\r\n";
    EXPECT_EQ(readFile(kSampleFileName), expected);

    const std::string old = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8"))
        GTEST_SKIP() << "no German locale installed";
    writeSampleFile();
    std::setlocale(LC_ALL, old.c_str());
    EXPECT_EQ(readFile(kSampleFileName), expected);
}

namespace {

// Beside the sample file: the previous run's file, its CSV and one of the
// user's, each holding its own name.
const char* const kCsv = "b.csv";
int putFiles()
{
    for (const char* name : { kSampleFileName, kCsv, "victim.txt" }) {
        std::FILE* f = std::fopen(name, "wb");
        if (!f || std::fputs(name, f) < 0 || std::fclose(f) != 0 || chmod(name, 0666) != 0)
            return 1;
    }
    return 0;
}

// A run's two files, the second too big for the full disk and the size limit.
void commitBoth()
{
    FileCommit files;
    files.add(kSampleFileName, "new sample");
    files.add(kCsv, std::string(64 * 1024, 'b'));
    files.commit();
}

// The leftovers of a killed run: ours and old, ours but young (a run
// writing now), and a directory of our pattern.
const char* const kLeftovers[] = { ".torv-oldAndOurs00.tmp", ".torv-youngAndOurs.tmp", ".torv-aDirectory00.tmp" };
int plantLeftovers()
{
    const timespec hourAgo[2] = { { std::time(nullptr) - 3600, 0 }, { std::time(nullptr) - 3600, 0 } };
    bool ok = mkdir(kLeftovers[2], 0777) == 0 && utimensat(AT_FDCWD, kLeftovers[2], hourAgo, 0) == 0;
    for (const char* name : kLeftovers)
        ok = ok && isTemporaryName(name);
    for (int i : { 0, 1 }) {
        std::FILE* f = std::fopen(kLeftovers[i], "wb");
        if (!ok || !f || std::fclose(f) != 0 || (geteuid() == 0 && chown(kLeftovers[i], 65534, 65534) != 0))
            return 1;
    }
    return utimensat(AT_FDCWD, kLeftovers[0], hourAgo, 0);
}

// A scene (non-zero where it cannot be made), the errno of the refused
// commit (0 where it succeeds), and whether root commits.
using FileCase = std::tuple<const char*, int (*)(), int, bool>;
const FileCase kFileCases[] = {
    { "ReadOnlyOldFile", [] { return chmod(kCsv, 0444); }, EACCES, false },
    { "NameTakenByADirectory", [] { return unlink(kCsv) | mkdir(kCsv, 0777); }, EISDIR, false },
    { "ReadOnlyDirectory", [] { return chmod(".", 0555); }, EACCES, false },
    { "SymbolicLink", [] { return unlink(kCsv) | symlink("victim.txt", kCsv); }, ELOOP, false },
    { "HardLinks", [] { return link(kCsv, "b2.csv"); }, EMLINK, false },
    { "FullFileSystem", // 64 kB of tmpfs (root only, not sticky), the old files taking two pages
        [] {
            return int(
                mkdir("f", 0777) || mount("tmpfs", "f", "tmpfs", 0, "size=64k,mode=0777") || chdir("f") || putFiles());
        },
        ENOSPC, false },
    { "ShortWrite", // the second file stops at 16 kB
        [] {
            rlimit limit {};
            getrlimit(RLIMIT_FSIZE, &limit);
            limit.rlim_cur = 16 * 1024;
            return int(std::signal(SIGXFSZ, SIG_IGN) == SIG_ERR || setrlimit(RLIMIT_FSIZE, &limit) != 0);
        },
        EFBIG, false },
    { "LeftoversOfAKilledRun", plantLeftovers, 0, false },
    { "StickyFolderAnotherUsersFile", // the rename would be refused after the sample file's
        [] { return chown(kSampleFileName, 65534, 65534) | chown(kCsv, 65533, 65533) | chmod(".", 01777); }, EPERM,
        false },
    { "RestrictedModesAndOwnerKept",
        [] { return chmod(kCsv, 04440) | chmod(kSampleFileName, 0600) | chown(kSampleFileName, 65534, 65534); }, 0,
        true },
};

} // namespace

class WriterCases : public ::testing::TestWithParam<FileCase> {
protected:
    void TearDown() override
    {
        umount2((dir.path() + "/f").c_str(), MNT_DETACH);
        rlimit limit {};
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    TempWorkDir dir;
};

TEST_P(WriterCases, BothFilesChangeWithModeAndOwnerOrNeitherAndNoTemporaryFileRemains)
{
    const auto& [name, prepare, error, root] = GetParam();
    // As root the write runs as nobody, who must be able to write here.
    chmod(".", 0777);
    if (putFiles() != 0 || prepare() != 0 || (root && geteuid() != 0))
        GTEST_SKIP() << "cannot be set up here";
    auto entries = [] {
        std::set<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator("."))
            names.insert(e.path().filename().string());
        return names;
    };
    std::set<std::string> expected = entries();
    const std::string oldSample = readFile(kSampleFileName), oldCsv = readFile(kCsv);
    struct stat old[2] {}, now[2] {};
    lstat(kSampleFileName, &old[0]), lstat(kCsv, &old[1]);
    const auto message = root ? errorMessage(commitBoth) : withoutPrivilege(commitBoth);
    ASSERT_TRUE(message) << "cannot write as a user without root's privileges";
    EXPECT_EQ(*message, error ? "I/O error " + std::to_string(error) : "");
    chmod(".", 0777);
    if (std::string(name) == "LeftoversOfAKilledRun")
        expected.erase(kLeftovers[0]);
    EXPECT_EQ(entries(), expected) << "a temporary file was left, or a file went";
    EXPECT_EQ(readFile("victim.txt"), "victim.txt");
    EXPECT_EQ(readFile(kSampleFileName), error ? oldSample : "new sample");
    EXPECT_EQ(readFile(kCsv), error ? oldCsv : std::string(64 * 1024, 'b'));
    lstat(kSampleFileName, &now[0]), lstat(kCsv, &now[1]);
    for (int i : { 0, 1 }) {
        EXPECT_EQ(now[i].st_mode, old[i].st_mode) << i;
        if (root || error) {
            EXPECT_TRUE(now[i].st_uid == old[i].st_uid && now[i].st_gid == old[i].st_gid) << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Commit, WriterCases, ::testing::ValuesIn(kFileCases), [](const auto& info) { return std::get<0>(info.param); });

namespace {

std::set<std::string> entriesHere()
{
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator("."))
        names.insert(e.path().filename().string());
    return names;
}

// The sample file and the CSV replaced, and a picture new, with the rename
// numbered `stop` failing, or stopping the process where `kill` is set.
void commitThree(int stop, bool kill)
{
    FileCommit files;
    int renames = 0;
    files.setRename([&](const char* from, const char* to) {
        if (++renames == stop && kill)
            _exit(0);
        return renames == stop ? (errno = EIO, -1) : std::rename(from, to);
    });
    files.add(kSampleFileName, "new sample");
    files.add(kCsv, "new csv");
    files.add("c.png", "new png");
    files.commit();
}

} // namespace

class InterruptedCommit : public ::testing::TestWithParam<std::tuple<int, bool>> {
protected:
    TempWorkDir dir;
};

TEST_P(InterruptedCommit, LeavesOrAfterAKillTheNextCommitLeavesEveryTargetOld)
{
    const auto [stop, kill] = GetParam();
    ASSERT_EQ(putFiles(), 0);
    const std::set<std::string> before = entriesHere();
    if (kill) {
        const pid_t child = fork();
        if (child == 0)
            commitThree(stop, true);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the commit did not stop at the rename";
        EXPECT_EQ(readFile(kSampleFileName), stop > 1 ? "new sample" : kSampleFileName) << "killed elsewhere";
        writeFileAtomically("next.txt", "the next run");
        ASSERT_EQ(unlink("next.txt"), 0);
    } else {
        EXPECT_EQ(errorMessage([] { commitThree(std::get<0>(InterruptedCommit::GetParam()), false); }), "I/O error 5");
    }
    EXPECT_EQ(readFile(kSampleFileName), kSampleFileName);
    EXPECT_EQ(readFile(kCsv), kCsv);
    EXPECT_EQ(entriesHere(), before) << "a new file, a kept old one or the journal remains";
}

INSTANTIATE_TEST_SUITE_P(
    Rename, InterruptedCommit, ::testing::Combine(::testing::Values(1, 2, 3), ::testing::Bool()), [](const auto& info) {
        return (std::get<1>(info.param) ? "KilledAt" : "FailsAt") + std::to_string(std::get<0>(info.param));
    });

TEST(StepLogFile, RefusesAPlantedLinkAndLeavesItsTargetAlone)
{
    TempWorkDir dir;
    ASSERT_EQ(putFiles(), 0);
    ASSERT_EQ(symlink("victim.txt", kStepLogName), 0);
    StepLog log;
    try {
        log.open(false);
        ADD_FAILURE() << "the log was opened through the link";
    } catch (const IoError& e) {
        EXPECT_EQ(e.code(), ELOOP);
    }
    EXPECT_EQ(readFile("victim.txt"), "victim.txt");
}
