#include <gtest/gtest.h>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include "physics/faults.h"
#include "sim/resultfiles.h"
#include "sim/state.h"
#include "support/headless.h"

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

class SampleFile : public ::testing::Test {
protected:
    void SetUp() override { resetState(); }
    TempWorkDir dir;
};

TEST_F(SampleFile, HeadingAndFiveHundredCrLfLines)
{
    fillSeries();
    writeSampleFile();
    const std::string text = readFile(kSampleFileName);

    std::string expected = " \r\n    j      t       X,km      H,km     V      q     Q     Roh\r\n \r\n";
    for (int j = 1; j <= kSamples; ++j)
        expected += printfLine(j) + "\r\n";
    EXPECT_EQ(text, expected);
    EXPECT_FALSE(fileExists(std::string(kSampleFileName) + ".tmp"));
}

TEST_F(SampleFile, FullStopInACommaLocale)
{
    const std::string old = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8"))
        GTEST_SKIP() << "no German locale installed";
    fillSeries();
    writeSampleFile();
    std::setlocale(LC_ALL, old.c_str());
    const std::string text = readFile(kSampleFileName);
    const size_t data = text.find("Roh\r\n \r\n");
    ASSERT_NE(data, std::string::npos);
    EXPECT_EQ(text.find(',', data), std::string::npos);
    EXPECT_NE(text.find(printfLine(1)), std::string::npos);
}

TEST_F(SampleFile, ReplacesTheOldFile)
{
    {
        std::FILE* f = std::fopen(kSampleFileName, "wb");
        std::fputs("an older and much longer run ....", f);
        std::fclose(f);
    }
    fillSeries();
    writeSampleFile();
    const std::string text = readFile(kSampleFileName);
    EXPECT_EQ(text.find("older"), std::string::npos);
    EXPECT_EQ(text.compare(0, 3, " \r\n"), 0);
}

// What may stand in the working directory when the sample file is written,
// and what the write must then do.
struct FileCase {
    const char* name;
    // Sets the scene beside the previous run's file and a file of the user's;
    // returns why the case cannot be made here, or "".
    std::string (*prepare)();
    int error; // errno of the refused write; 0: the write succeeds
};

void PrintTo(const FileCase& c, std::ostream* os)
{
    *os << c.name;
}

const std::string kPrevious = "previous run\r\n";
const std::string kVictim = "victim.txt";
const std::string kVictimText = "the user's own data\n";
const std::string kOldTmpName = std::string(kSampleFileName) + ".tmp";
const char* const kFullDir = "full";

void writeText(const std::string& name, const std::string& text, mode_t mode)
{
    std::FILE* f = std::fopen(name.c_str(), "wb");
    ASSERT_NE(f, nullptr) << name;
    std::fputs(text.c_str(), f);
    std::fclose(f);
    chmod(name.c_str(), mode);
}

std::set<std::string> entries()
{
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator("."))
        names.insert(e.path().filename().string());
    return names;
}

const FileCase kFileCases[] = {
    { "PlantedLinkOfTheOldTemporaryName",
        [] { return std::string(symlink(kVictim.c_str(), kOldTmpName.c_str()) ? "no symlink" : ""); }, 0 },
    { "StaleDirectoryOfTheOldTemporaryName",
        [] { return std::string(mkdir(kOldTmpName.c_str(), 0777) ? "no mkdir" : ""); }, 0 },
    { "ReadOnlyOldFile", [] { return std::string(chmod(kSampleFileName, 0444) ? "no chmod" : ""); }, EACCES },
    { "NameTakenByADirectory",
        [] { return std::string(unlink(kSampleFileName) || mkdir(kSampleFileName, 0777) ? "no mkdir" : ""); }, EISDIR },
    { "ReadOnlyDirectory", [] { return std::string(chmod(".", 0555) ? "no chmod" : ""); }, EACCES },
    { "FullFileSystem",
        [] {
            // Two pages of tmpfs, taken by the previous run's file and the user's.
            mkdir(kFullDir, 0777);
            if (mount("tmpfs", kFullDir, "tmpfs", 0, "size=8k,mode=0777") != 0 || chdir(kFullDir) != 0)
                return std::string("cannot mount a small tmpfs here (needs root)");
            writeText(kSampleFileName, kPrevious, 0666);
            writeText(kVictim, kVictimText, 0666);
            return std::string();
        },
        ENOSPC },
};

class SampleFileCases : public ::testing::TestWithParam<FileCase> {
protected:
    void SetUp() override
    {
        resetState();
        fillSeries();
        // As root the write runs as another user, who must be able to
        // write here but not to the files the cases protect.
        chmod(dir.path().c_str(), 0777);
        writeText(kSampleFileName, kPrevious, 0666);
        writeText(kVictim, kVictimText, 0666);
    }
    void TearDown() override
    {
        if (chdir(dir.path().c_str()) == 0)
            umount2(kFullDir, MNT_DETACH);
    }
    TempWorkDir dir;
};

TEST_P(SampleFileCases, OldFileAndOthersStayWholeAndNoTemporaryFileRemains)
{
    const FileCase& c = GetParam();
    if (const std::string why = c.prepare(); !why.empty())
        GTEST_SKIP() << why;
    const auto before = entries();
    const std::string old = readFile(kSampleFileName);

    const auto message = withoutPrivilege([] { writeSampleFile(); });
    if (!message)
        GTEST_SKIP() << "cannot write as a user without root's privileges";

    chmod(".", 0777);
    auto expected = before;
    if (c.error == 0) {
        EXPECT_EQ(*message, "");
        expected.insert(kSampleFileName);
        EXPECT_EQ(readFile(kSampleFileName).compare(0, 3, " \r\n"), 0);
        const mode_t mask = umask(0);
        umask(mask);
        struct stat info { };
        ASSERT_EQ(lstat(kSampleFileName, &info), 0);
        EXPECT_TRUE(S_ISREG(info.st_mode));
        EXPECT_EQ(info.st_mode & 0777, 0644 & ~mask);
    } else {
        EXPECT_EQ(*message, "I/O error " + std::to_string(c.error));
        EXPECT_EQ(readFile(kSampleFileName), old);
    }
    EXPECT_EQ(entries(), expected) << "a temporary file was left, or a file went";
    EXPECT_EQ(readFile(kVictim), kVictimText);
}

INSTANTIATE_TEST_SUITE_P(
    Write, SampleFileCases, ::testing::ValuesIn(kFileCases), [](const auto& info) { return info.param.name; });
