// The pictures of the two forms: embedded, decodable through the JPEG plugin,
// of the sizes the forms are laid out for, in colour, and the language
// picture's flags level with the language entries above it.

#include <gtest/gtest.h>

#include <QColor>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>

#include <algorithm>
#include <cmath>
#include <optional>
#include <ostream>

namespace {

struct PictureRow {
    const char* name;
    int width, height;
};

void PrintTo(const PictureRow& row, std::ostream* os)
{
    *os << row.name;
}

QImage load(const char* name)
{
    return QImage(QStringLiteral(":/pictures/") + QLatin1String(name));
}

TEST(JpegSupport, ReaderOffersJpeg)
{
    const auto formats = QImageReader::supportedImageFormats();
    EXPECT_TRUE(formats.contains("jpg"));
    EXPECT_TRUE(formats.contains("jpeg"));
}

class Picture : public testing::TestWithParam<PictureRow> { };

TEST_P(Picture, DecodesAtItsSizeInColour)
{
    const PictureRow& row = GetParam();
    const QString path = QStringLiteral(":/pictures/") + QLatin1String(row.name);
    QImageReader reader(path);
    ASSERT_TRUE(reader.canRead()) << reader.errorString().toStdString();
    EXPECT_EQ(reader.format(), QByteArray("jpeg"));

    const QImage image = reader.read();
    ASSERT_FALSE(image.isNull()) << reader.errorString().toStdString();
    EXPECT_EQ(image.width(), row.width);
    EXPECT_EQ(image.height(), row.height);
    // Three colour channels: a grayscale JPEG decodes to an 8-bit format.
    EXPECT_EQ(image.depth(), 32);
    EXPECT_FALSE(image.isGrayscale());
    EXPECT_FALSE(image.hasAlphaChannel());

    // Decoded as colour is not yet drawn in colour: some pixels must have
    // channels clearly apart (the pale sky of the background has about 40).
    int coloured = 0;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2) {
            const QRgb p = image.pixel(x, y);
            const int spread = std::max({ qRed(p), qGreen(p), qBlue(p) }) - std::min({ qRed(p), qGreen(p), qBlue(p) });
            coloured += spread > 30 ? 1 : 0;
        }
    EXPECT_GT(coloured, 20);
}

// Dense screens get each picture drawn anew at twice its size.
TEST_P(Picture, HasAVariantTwiceAsLarge)
{
    const PictureRow& row = GetParam();
    QString name = QLatin1String(row.name);
    name.insert(name.lastIndexOf(u'.'), QStringLiteral("@2x"));
    const QImage image(QStringLiteral(":/pictures/") + name);
    EXPECT_EQ(image.size(), QSize(2 * row.width, 2 * row.height)) << name.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Forms, Picture,
    testing::Values(PictureRow { "sprache.jpg", 314, 193 }, PictureRow { "background.jpg", 1000, 700 },
        PictureRow { "graphbg.jpg", 1000, 700 }, PictureRow { "class1.jpg", 345, 185 },
        PictureRow { "class3.jpg", 336, 178 }, PictureRow { "class6.jpg", 336, 181 },
        PictureRow { "class8.jpg", 345, 185 }, PictureRow { "class8-de.jpg", 345, 185 },
        PictureRow { "class8-ru.jpg", 345, 185 }),
    [](const testing::TestParamInfo<PictureRow>& info) {
        std::string n = info.param.name;
        n = n.substr(0, n.find('.'));
        std::replace(n.begin(), n.end(), '-', '_');
        return n;
    });

// The language picture lies at form (180, 298); the language group above it
// at form (229, 323), 50 x 149, shares its height among R, D and E in equal
// rows. Probe the picture along each row's centre line.
constexpr int pictureLeft = 180, pictureTop = 298;
constexpr int groupLeft = 229, groupTop = 323, groupWidth = 50, groupHeight = 149;
constexpr int groupRight = groupLeft + groupWidth - pictureLeft; // first column right of the group
// Flags are expected in the strip beside the group, names right of them.
constexpr int flagStripEnd = 185;
// Half a stripe height less a safety margin: a probe this far above or below
// the row centre lands in the top or bottom stripe of a three-band flag.
constexpr int stripeProbe = 9;
// JPEG ringing and antialiasing shift colours; stripe interiors stay close.
constexpr int colourTolerance = 70;

int rowCentre(int entry)
{
    const double rowHeight = groupHeight / 3.0;
    return static_cast<int>(std::lround(groupTop - pictureTop + rowHeight * (entry + 0.5)));
}

bool near(QRgb pixel, QColor want)
{
    const int dr = qRed(pixel) - want.red(), dg = qGreen(pixel) - want.green(), db = qBlue(pixel) - want.blue();
    return std::sqrt(double(dr * dr + dg * dg + db * db)) < colourTolerance;
}

// How many pixels of line y between x0 and x1 are near the colour.
int countOnLine(const QImage& image, int y, int x0, int x1, QColor want)
{
    int n = 0;
    for (int x = x0; x < x1; ++x)
        n += near(image.pixel(x, y), want) ? 1 : 0;
    return n;
}

struct FlagRow {
    const char* language;
    int entry;
    // Colours met on the lines above the centre, through it and below it;
    // none above for a white top band, which the white ground also matches.
    std::optional<QColor> above;
    QColor centre, below;
};

void PrintTo(const FlagRow& row, std::ostream* os)
{
    *os << row.language;
}

class LanguagePicture : public testing::TestWithParam<FlagRow> {
protected:
    QImage image = load("sprache.jpg");
};

TEST_P(LanguagePicture, FlagLevelWithItsEntry)
{
    ASSERT_FALSE(image.isNull());
    const FlagRow& row = GetParam();
    const int y = rowCentre(row.entry);
    // At least a few pixels of each band: a flag shifted a row up or down, or
    // drawn under the group, fails one of these.
    if (row.above) {
        EXPECT_GE(countOnLine(image, y - stripeProbe, groupRight, flagStripEnd, *row.above), 8) << "above";
    }
    EXPECT_GE(countOnLine(image, y, groupRight, flagStripEnd, row.centre), 8) << "centre";
    EXPECT_GE(countOnLine(image, y + stripeProbe, groupRight, flagStripEnd, row.below), 8) << "below";
}

TEST_P(LanguagePicture, NameBesideTheFlag)
{
    ASSERT_FALSE(image.isNull());
    const int y = rowCentre(GetParam().entry);
    int dark = 0;
    for (int dy = -6; dy <= 6; ++dy)
        for (int x = flagStripEnd; x < image.width(); ++x)
            dark += qGray(image.pixel(x, y + dy)) < 110 ? 1 : 0;
    EXPECT_GT(dark, 30);
}

const QColor black(0, 0, 0), blueRu(0, 57, 166), red(213, 30, 30), gold(255, 206, 0), navy(1, 33, 105);

INSTANTIATE_TEST_SUITE_P(Rows, LanguagePicture,
    testing::Values(FlagRow { "Russian", 0, std::nullopt, blueRu, red }, FlagRow { "German", 1, black, red, gold },
        FlagRow { "English", 2, navy, red, navy }),
    [](const testing::TestParamInfo<FlagRow>& info) { return std::string(info.param.language); });

TEST(LanguagePictureLayout, NothingDrawnUnderTheGroup)
{
    const QImage image = load("sprache.jpg");
    ASSERT_FALSE(image.isNull());
    const int left = groupLeft - pictureLeft;
    const int top = groupTop - pictureTop;
    int marked = 0;
    for (int y = top; y < top + groupHeight && y < image.height(); ++y)
        for (int x = left; x < groupRight; ++x)
            marked += qGray(image.pixel(x, y)) < 230 ? 1 : 0;
    EXPECT_EQ(marked, 0);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
