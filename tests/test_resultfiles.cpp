#include <gtest/gtest.h>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <filesystem>
#include <string>

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

TEST_F(SampleFile, FailedWriteKeepsThePreviousFile)
{
    const std::string previous = "previous run\r\n";
    {
        std::FILE* f = std::fopen(kSampleFileName, "wb");
        std::fputs(previous.c_str(), f);
        std::fclose(f);
    }
    fillSeries();

    // The temporary file cannot be created where a directory of its name is.
    std::filesystem::create_directory(std::string(kSampleFileName) + ".tmp");
    try {
        writeSampleFile();
        FAIL() << "no error";
    } catch (const IoError& e) {
        EXPECT_EQ(e.code(), EISDIR);
        EXPECT_EQ(std::string(e.what()), "I/O error " + std::to_string(EISDIR));
    }
    EXPECT_EQ(readFile(kSampleFileName), previous);
}

TEST_F(SampleFile, NameTakenByADirectoryLeavesNoTemporaryFile)
{
    fillSeries();
    std::filesystem::create_directory(kSampleFileName);
    try {
        writeSampleFile();
        FAIL() << "no error";
    } catch (const IoError& e) {
        EXPECT_EQ(std::string(e.what()), "I/O error " + std::to_string(EISDIR));
    }
    EXPECT_FALSE(fileExists(std::string(kSampleFileName) + ".tmp"));
}

TEST_F(SampleFile, ReadOnlyDirectoryGivesError13)
{
    fillSeries();
    auto message = inReadOnlyDir(dir, [] { writeSampleFile(); });
    if (!message)
        GTEST_SKIP() << "cannot make an unwritable directory here";
    EXPECT_EQ(*message, "I/O error 13");
    EXPECT_FALSE(fileExists(kSampleFileName));
}
