#include <gtest/gtest.h>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <string>
#include <tuple>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include "physics/faults.h"
#include "sim/resultfiles.h"
#include "sim/state.h"
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

// Beside the sample file: the previous run's file and one of the user's,
// each holding its own name.
int putFiles()
{
    for (const char* name : { kSampleFileName, "victim.txt" }) {
        std::FILE* f = std::fopen(name, "wb");
        if (!f || std::fputs(name, f) < 0 || std::fclose(f) != 0 || chmod(name, 0666) != 0)
            return 1;
    }
    return 0;
}

// A scene (non-zero where it cannot be made) and the errno of the refused
// write, 0 where the write succeeds.
using FileCase = std::tuple<const char*, int (*)(), int>;
const char* const kOldTmp = "Torv_500.txt.tmp";
const FileCase kFileCases[] = {
    { "PlantedLinkOfTheOldTemporaryName", [] { return symlink("victim.txt", kOldTmp); }, 0 },
    { "StaleDirectoryOfTheOldTemporaryName", [] { return mkdir(kOldTmp, 0777); }, 0 },
    { "ReadOnlyOldFile", [] { return chmod(kSampleFileName, 0444); }, EACCES },
    { "NameTakenByADirectory", [] { return unlink(kSampleFileName) | mkdir(kSampleFileName, 0777); }, EISDIR },
    { "ReadOnlyDirectory", [] { return chmod(".", 0555); }, EACCES },
    { "FullFileSystem", // two pages of tmpfs (root only), taken by the two files
        [] { return int(mkdir("f", 0777) || mount("tmpfs", "f", "tmpfs", 0, "size=8k") || chdir("f") || putFiles()); },
        ENOSPC },
};

} // namespace

class SampleFileCases : public ::testing::TestWithParam<FileCase> {
protected:
    void TearDown() override { umount2((dir.path() + "/f").c_str(), MNT_DETACH); }
    TempWorkDir dir;
};

TEST_P(SampleFileCases, OldFileAndOthersStayWholeAndNoTemporaryFileRemains)
{
    const auto& [name, prepare, error] = GetParam();
    resetState();
    fillSeries();
    // As root the write runs as nobody, who must be able to write here.
    chmod(".", 0777);
    if (putFiles() != 0 || prepare() != 0)
        GTEST_SKIP() << "cannot be set up here";
    auto entries = [] { return std::distance(std::filesystem::directory_iterator("."), {}); };
    const auto before = entries();
    const std::string old = readFile(kSampleFileName);
    const auto message = withoutPrivilege([] { writeSampleFile(); });
    ASSERT_TRUE(message) << "cannot write as a user without root's privileges";
    EXPECT_EQ(*message, error ? "I/O error " + std::to_string(error) : "");
    chmod(".", 0777);
    EXPECT_EQ(entries(), before) << "a temporary file was left, or a file went";
    EXPECT_EQ(readFile("victim.txt"), "victim.txt");
    const mode_t mask = umask(0);
    umask(mask);
    struct stat info { };
    if (error != 0)
        EXPECT_EQ(readFile(kSampleFileName), old);
    else
        EXPECT_TRUE(lstat(kSampleFileName, &info) == 0 && info.st_mode == (S_IFREG | (0644 & ~mask))
            && readFile(kSampleFileName).starts_with(" \r\n"));
}

INSTANTIATE_TEST_SUITE_P(
    Write, SampleFileCases, ::testing::ValuesIn(kFileCases), [](const auto& info) { return std::get<0>(info.param); });

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
