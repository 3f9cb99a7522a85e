#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "plot/metka1.h"
#include "test_plot_util.h"

using namespace torv;
using namespace plottest;

namespace {

const QRgb kSilver = qRgb(192, 192, 192);
const QRgb kYellow = qRgb(255, 255, 0);
const QRgb kLime = qRgb(0, 255, 0);
const QRgb kAqua = qRgb(0, 255, 255);
const QRgb kRed = qRgb(255, 0, 0);
const QRgb kLightBlue = qRgb(174, 245, 249);
const QRgb kLightCyan = qRgb(204, 255, 255);

struct MarkCase {
    int kind, size;
    int px, py; // probe, relative to the centre
    QRgb colour;
    int left, top, right, bottom; // every drawn pixel, inclusive, relative to the centre
};

// Centre (50, 50); h = rnd(size/2), v = rnd(size/3), q = rnd(size/4). A
// rectangle from (x1,y1) to (x2,y2) covers x1..x2-1; a line leaves out its
// end point.
const MarkCase kMarks[] = {
    // kind size probe      colour      extent
    { 1, 8, 0, -2, kYellow, -4, -4, 3, 4 }, // second diagonal from (x-h, y+h) reaches y+h
    { 1, 8, -3, -3, kBlack, -4, -4, 3, 4 }, // first diagonal
    { 2, 8, -2, -2, kLime, -4, -4, 4, 4 }, // square to x+h, vertical line from y+h
    { 2, 8, 0, 0, kBlack, -4, -4, 4, 4 }, // the cross
    { 3, 8, -2, -2, kAqua, -4, -4, 3, 3 }, // square
    { 3, 8, 2, 0, kBlack, -4, -4, 3, 3 }, // horizontal line
    { 4, 8, 0, 0, kYellow, -4, -4, 3, 3 }, // inner square x-2..x+1, inside x-1..x
    { 4, 8, -3, -3, kSilver, -4, -4, 3, 3 }, // outer square
    { 4, 8, -2, -2, kBlack, -4, -4, 3, 3 }, // inner outline
    { 5, 4, 0, 0, kBlack, -2, -2, 2, 2 }, // star, h = 2
    { 5, 4, -1, -2, kWhite, -2, -2, 2, 2 }, // no fill
    { 6, 6, 0, 0, kRed, -3, -3, 2, 2 }, // h = 3
    { 7, 6, 0, 0, kLime, -3, -3, 2, 2 }, //
    { 7, 9, 0, 0, kLime, -4, -4, 3, 3 }, // rnd(4.5) = 4
    { 8, 8, 0, 1, kBlack, -4, -4, 4, 3 }, // apex (x, y-h), base at y+v, v = 3
    { 9, 8, 0, -1, kBlack, -4, -3, 4, 4 }, // apex (x, y+h), base at y-v
    { 10, 8, 0, 0, kRed, -2, -4, 1, 3 }, // q = 2
    { 11, 8, 0, 0, kSilver, -4, -2, 3, 1 }, //
    { 12, 8, 0, 1, kYellow, -4, -4, 4, 3 }, //
    { 12, 7, 0, 0, kYellow, -4, -4, 4, 2 }, // h = rnd(3.5) = 4, v = rnd(2.33) = 2
    { 13, 8, 0, -1, kAqua, -4, -3, 4, 4 }, //
    { 14, 30, 0, 0, kBlack, -4, -4, 3, 3 }, // size ignored
    { 15, 1, -6, 5, kAqua, -8, -8, 7, 7 }, // size ignored
    { 16, 30, 0, 0, kAqua, -4, -4, 3, 3 }, //
    { 17, 8, 0, -2, kLightBlue, -4, -4, 3, 3 }, // circle
    { 17, 8, -3, 0, kBlack, -4, -4, 3, 3 }, // horizontal line x-h .. x+h-1
    { 18, 8, -2, 0, kLightCyan, -4, -4, 3, 4 }, // vertical line from y+h
    { 18, 8, 0, 4, kBlack, -4, -4, 3, 4 }, //
};

class MarkKind : public testing::TestWithParam<MarkCase> { };

QImage drawMark(int kind, int size)
{
    QImage img(100, 100, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    Marke(p, 50, 50, size, kind);
    p.end();
    return img;
}

} // namespace

TEST_P(MarkKind, ColourAndExtent)
{
    const MarkCase& c = GetParam();
    const QImage img = drawMark(c.kind, c.size);
    EXPECT_EQ(img.pixel(50 + c.px, 50 + c.py), c.colour) << "kind " << c.kind << " size " << c.size;
    EXPECT_EQ(inkBox(img, img.rect()), QRect(QPoint(50 + c.left, 50 + c.top), QPoint(50 + c.right, 50 + c.bottom)))
        << "kind " << c.kind << " size " << c.size;
}

INSTANTIATE_TEST_SUITE_P(AllKinds, MarkKind, testing::ValuesIn(kMarks));

TEST(Marke, OtherKindsDrawNothing)
{
    for (int kind : { 0, -1, 19, 100 }) {
        const QImage img = drawMark(kind, 8);
        EXPECT_TRUE(inkBox(img, img.rect()).isNull()) << kind;
    }
}

TEST(Marke, LetterOfKind15StandsOnAqua)
{
    const QImage img = drawMark(15, 8);
    // The character "l" at (x-3, y-7): dark pixels inside the square's
    // interior, and its background box aqua.
    int dark = 0;
    for (int y = 43; y <= 56; ++y)
        for (int x = 44; x <= 55; ++x)
            dark += qGray(img.pixel(x, y)) < 128;
    EXPECT_GT(dark, 3);
    EXPECT_EQ(img.pixel(47, 43), kAqua);
}

TEST(Marke, PenBlackAndFillSilverAfterwards)
{
    for (int kind : { 5, 6, 15, 99 }) {
        QImage img(100, 100, QImage::Format_RGB32);
        img.fill(Qt::white);
        QPainter p(&img);
        p.setPen(Qt::red);
        p.setBrush(Qt::green);
        Marke(p, 50, 50, 8, kind);
        EXPECT_EQ(p.pen().color(), QColor(Qt::black)) << kind;
        EXPECT_EQ(p.brush().color(), QColor(192, 192, 192)) << kind;
        EXPECT_EQ(p.brush().style(), Qt::SolidPattern) << kind;
        p.end();
    }
    // Kind 5's lines come out black whatever the pen was before.
    QImage img(100, 100, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setPen(Qt::red);
    Marke(p, 50, 50, 4, 5);
    p.end();
    EXPECT_EQ(img.pixel(50, 50), kBlack);
}
