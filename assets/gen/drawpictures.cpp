// Draws the pictures of the two forms and writes them as JPEG files.
//
// The JPEGs in assets/ are the output of this program and are committed, so
// the normal build needs no drawing step. To redraw them after a change here:
//
//     cmake --build <build dir> --target pictures
//
// which builds `drawpictures` (not part of the default build) and runs it on
// the source folder assets/. Every picture also comes twice as large,
// "<name>@2x.jpg", which Qt shows on a screen of twice the pixel density.
// It can also be run by hand with the output folder as its only argument:
// `<build dir>/assets/drawpictures <folder>`.
//
// Every text is set in DejaVu Sans (Debian's fonts-dejavu-core); the program
// refuses to run without it so that the pictures do not depend on whatever
// fallback the machine happens to offer.

#include <QDir>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>

#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

const QString family = QStringLiteral("DejaVu Sans");

QFont font(int pixels, bool bold = false, bool italic = false)
{
    QFont f(family);
    f.setPixelSize(pixels);
    f.setBold(bold);
    f.setItalic(italic);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

// Text anchored at a point; `align` says which side of the text the point is.
void text(QPainter& p, double x, double y, const QString& s, int align)
{
    const QRectF box(x - 500, y - 500, 1000, 1000);
    QRectF r = box;
    if (align & Qt::AlignLeft)
        r.setLeft(x);
    if (align & Qt::AlignRight)
        r.setRight(x);
    if (align & Qt::AlignTop)
        r.setTop(y);
    if (align & Qt::AlignBottom)
        r.setBottom(y);
    p.drawText(r, align, s);
}

void arrowHead(QPainter& p, QPointF tip, QPointF from, double length, const QColor& c)
{
    const QPointF d = tip - from;
    const double n = std::hypot(d.x(), d.y());
    if (n == 0)
        return;
    const QPointF u = d / n;
    const QPointF v(-u.y(), u.x());
    const QPointF base = tip - u * length;
    const QPointF head[3] = { tip, base + v * (length * 0.38), base - v * (length * 0.38) };
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPolygon(head, 3);
    p.restore();
}

void arrow(QPainter& p, QPointF from, QPointF to, const QColor& c, double width = 1.3, double head = 8)
{
    const QPointF d = to - from;
    const double n = std::hypot(d.x(), d.y());
    p.save();
    p.setPen(QPen(c, width, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(from, to - d / n * (head * 0.8));
    p.restore();
    arrowHead(p, to, from, head, c);
}

void dashed(QPainter& p, QPointF a, QPointF b, const QColor& c)
{
    p.save();
    QPen pen(c, 1.0, Qt::CustomDashLine);
    pen.setDashPattern({ 4, 3 });
    p.setPen(pen);
    p.drawLine(a, b);
    p.restore();
}

// A numbered marker: a white disc with a coloured ring and its number.
void marker(QPainter& p, QPointF at, int number, const QColor& c)
{
    p.save();
    p.setPen(QPen(c, 1.6));
    p.setBrush(Qt::white);
    p.drawEllipse(at, 8.5, 8.5);
    p.setPen(c.darker(130));
    p.setFont(font(11, true));
    p.drawText(QRectF(at.x() - 9, at.y() - 9, 18, 18), Qt::AlignCenter, QString::number(number));
    p.restore();
}

// H over t (or x) axes with arrows and their letters.
void axes(QPainter& p, QPointF origin, double right, double top, const QString& horizontal)
{
    const QColor ink(60, 60, 70);
    arrow(p, origin, QPointF(right, origin.y()), ink);
    arrow(p, origin, QPointF(origin.x(), top), ink);
    p.setPen(ink);
    p.setFont(font(12, true, true));
    text(p, origin.x() + 6, top - 2, QStringLiteral("H"), Qt::AlignLeft | Qt::AlignTop);
    text(p, right - 2, origin.y() - 4, horizontal, Qt::AlignRight | Qt::AlignBottom);
}

void frame(QPainter& p, const QSize& size)
{
    p.save();
    p.setPen(QPen(QColor(190, 200, 212), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(0.5, 0.5, size.width() - 1, size.height() - 1));
    p.restore();
}

// ---------------------------------------------------------------- flags

void flagRussia(QPainter& p, const QRectF& r)
{
    const double h = r.height() / 3;
    p.fillRect(QRectF(r.left(), r.top(), r.width(), h), QColor(255, 255, 255));
    p.fillRect(QRectF(r.left(), r.top() + h, r.width(), h), QColor(0, 57, 166));
    p.fillRect(QRectF(r.left(), r.top() + 2 * h, r.width(), h), QColor(213, 43, 30));
}

void flagGermany(QPainter& p, const QRectF& r)
{
    const double h = r.height() / 3;
    p.fillRect(QRectF(r.left(), r.top(), r.width(), h), QColor(0, 0, 0));
    p.fillRect(QRectF(r.left(), r.top() + h, r.width(), h), QColor(221, 0, 0));
    p.fillRect(QRectF(r.left(), r.top() + 2 * h, r.width(), h), QColor(255, 206, 0));
}

// The Union Jack on a 60 x 30 grid: broad white saltire 6, red saltire 2 set
// beside the diagonal (below it at the hoist, above it at the fly), white
// cross 10, red cross 6.
void flagUnitedKingdom(QPainter& p, const QRectF& r)
{
    const QColor blue(1, 33, 105), red(200, 16, 46);
    const double u = r.height() / 30;
    p.save();
    p.setClipRect(r);
    p.fillRect(r, blue);
    p.translate(r.topLeft());
    const double w = 60 * u, h = 30 * u;
    const QPointF c(w / 2, h / 2);
    p.setPen(QPen(Qt::white, 6 * u, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(0, 0), QPointF(w, h));
    p.drawLine(QPointF(0, h), QPointF(w, 0));

    struct Arm {
        QPointF corner;
        QRectF quarter;
        bool hoist;
    };
    const Arm arms[4] = {
        { { 0, 0 }, { 0, 0, w / 2, h / 2 }, true },
        { { 0, h }, { 0, h / 2, w / 2, h / 2 }, true },
        { { w, 0 }, { w / 2, 0, w / 2, h / 2 }, false },
        { { w, h }, { w / 2, h / 2, w / 2, h / 2 }, false },
    };
    for (const Arm& a : arms) {
        const QPointF d = a.corner - c;
        const double n = std::hypot(d.x(), d.y());
        QPointF normal(-d.y() / n, d.x() / n);
        // Point the offset downwards at the hoist and upwards at the fly.
        if ((normal.y() > 0) != a.hoist)
            normal = -normal;
        const QPointF shift = normal * u;
        p.save();
        p.setClipRect(a.quarter, Qt::IntersectClip);
        p.setPen(QPen(red, 2 * u, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(c + shift - d * 0.2, a.corner + shift + d * 0.2);
        p.restore();
    }
    p.fillRect(QRectF(0, c.y() - 5 * u, w, 10 * u), Qt::white);
    p.fillRect(QRectF(c.x() - 5 * u, 0, 10 * u, h), Qt::white);
    p.fillRect(QRectF(0, c.y() - 3 * u, w, 6 * u), red);
    p.fillRect(QRectF(c.x() - 3 * u, 0, 6 * u, h), red);
    p.restore();
}

// ------------------------------------------------------- language picture

// The picture lies at form (180, 298) beneath the language group at form
// (229, 323), 50 x 149, which has no caption and shares its height among its
// three entries in equal rows. Each flag sits level with its entry.
constexpr double pictureLeft = 180, pictureTop = 298;
constexpr double groupLeft = 229, groupTop = 323, groupWidth = 50, groupHeight = 149;

double entryCentre(int n)
{
    return groupTop - pictureTop + groupHeight * (2 * n + 1) / 6.0;
}

void drawLanguages(QPainter& p, const QSize& size)
{
    p.fillRect(QRect(QPoint(0, 0), size), Qt::white);
    const double right = groupLeft + groupWidth - pictureLeft; // 99
    const double flagLeft = right + 10;
    const double flagHeight = 34;
    const double nameLeft = flagLeft + 2 * flagHeight + 12;

    struct Row {
        void (*flag)(QPainter&, const QRectF&);
        double aspect;
        QString name;
    };
    const Row rows[3] = {
        { flagRussia, 1.5, QStringLiteral("Русский") },
        { flagGermany, 5.0 / 3.0, QStringLiteral("Deutsch") },
        { flagUnitedKingdom, 2.0, QStringLiteral("English") },
    };
    for (int n = 0; n < 3; ++n) {
        const double cy = entryCentre(n);
        const QRectF r(flagLeft, cy - flagHeight / 2, flagHeight * rows[n].aspect, flagHeight);
        p.fillRect(r.translated(1.5, 1.5), QColor(0, 0, 0, 40));
        rows[n].flag(p, r);
        p.setPen(QPen(QColor(150, 150, 160), 0.8));
        p.setBrush(Qt::NoBrush);
        p.drawRect(r);
        p.setPen(QColor(40, 40, 50));
        p.setFont(font(17));
        text(p, nameLeft, cy, rows[n].name, Qt::AlignLeft | Qt::AlignVCenter);
    }
}

// ------------------------------------------------------------- backgrounds

void drawStartBackground(QPainter& p, const QSize& size)
{
    const double w = size.width(), h = size.height();
    QLinearGradient sky(0, 0, 0, h);
    sky.setColorAt(0.0, QColor(206, 226, 246));
    sky.setColorAt(0.55, QColor(236, 244, 252));
    sky.setColorAt(1.0, QColor(248, 250, 246));
    p.fillRect(QRectF(0, 0, w, h), sky);

    // A few soft clouds.
    const struct {
        double x, y, rx, ry;
    } clouds[] = {
        { 140, 90, 170, 38 },
        { 560, 60, 220, 42 },
        { 880, 150, 160, 34 },
        { 330, 260, 200, 30 },
        { 760, 380, 240, 36 },
    };
    for (const auto& c : clouds) {
        QRadialGradient g(QPointF(c.x, c.y), c.rx);
        g.setColorAt(0, QColor(255, 255, 255, 150));
        g.setColorAt(1, QColor(255, 255, 255, 0));
        p.save();
        p.translate(c.x, c.y);
        p.scale(1.0, c.ry / c.rx);
        p.translate(-c.x, -c.y);
        p.setPen(Qt::NoPen);
        p.setBrush(g);
        p.drawEllipse(QPointF(c.x, c.y), c.rx, c.rx);
        p.restore();
    }

    // Faint ballistic arcs from the lower left. The form shows only the top
    // left 775 x 560 of the picture, so they land inside that.
    const double horizon = 548;
    const QPointF start(30, horizon);
    const double angles[] = { 25, 38, 52, 66 };
    for (double q : angles) {
        const double v = 150, g = 9.8;
        const double vx = v * std::cos(qDegreesToRadians(q)), vy = v * std::sin(qDegreesToRadians(q));
        QPainterPath path(start);
        for (double t = 0;; t += 0.1) {
            const double x = start.x() + vx * t * 0.32;
            const double y = start.y() - (vy * t - g * t * t / 2) * 0.32;
            path.lineTo(x, y);
            if ((t > 1 && y > start.y()) || x > w + 10)
                break;
        }
        QPen pen(QColor(120, 160, 205, 70), 2.0, Qt::CustomDashLine, Qt::RoundCap);
        pen.setDashPattern({ 6, 5 });
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
    }
    p.fillRect(QRectF(0, horizon, w, h - horizon), QColor(240, 245, 234));
    p.setPen(QPen(QColor(150, 170, 150, 90), 1.5));
    p.drawLine(QPointF(0, horizon), QPointF(w, horizon));
}

void drawGraphBackground(QPainter& p, const QSize& size)
{
    const double w = size.width(), h = size.height();
    p.fillRect(QRectF(0, 0, w, h), QColor(251, 252, 254));
    for (int x = 0; x <= w; x += 20) {
        p.setPen(QPen(x % 100 == 0 ? QColor(212, 222, 236) : QColor(234, 239, 246), 1));
        p.drawLine(QPointF(x + 0.5, 0), QPointF(x + 0.5, h));
    }
    for (int y = 0; y <= h; y += 20) {
        p.setPen(QPen(y % 100 == 0 ? QColor(212, 222, 236) : QColor(234, 239, 246), 1));
        p.drawLine(QPointF(0, y + 0.5), QPointF(w, y + 0.5));
    }

    // The graph area shows 941 x 641 of the picture: keep everything in it.
    const QPointF origin(80, 560);
    const QColor ink(90, 100, 120);
    arrow(p, origin, QPointF(900, origin.y()), ink, 2, 14);
    arrow(p, origin, QPointF(origin.x(), 60), ink, 2, 14);
    p.setPen(ink);
    p.setFont(font(22, true, true));
    text(p, origin.x() - 14, 66, QStringLiteral("H"), Qt::AlignRight | Qt::AlignTop);
    text(p, 896, origin.y() + 10, QStringLiteral("x"), Qt::AlignRight | Qt::AlignTop);

    // A stylised trajectory with its samples marked, landing 780 px out.
    const double v = 100, q = qDegreesToRadians(57.0), g = 9.8;
    const double range = v * v * std::sin(2 * q) / g, scale = 780 / range;
    QPainterPath path(origin);
    std::vector<QPointF> samples;
    const double flight = 2 * v * std::sin(q) / g;
    for (int i = 1; i <= 200; ++i) {
        const double t = flight * i / 200;
        const QPointF pt(
            origin.x() + v * std::cos(q) * t * scale, origin.y() - (v * std::sin(q) * t - g * t * t / 2) * scale);
        path.lineTo(pt);
        if (i % 20 == 0 && i < 200)
            samples.push_back(pt);
    }
    QLinearGradient stroke(origin, QPointF(origin.x() + 800, origin.y()));
    stroke.setColorAt(0, QColor(40, 110, 200));
    stroke.setColorAt(1, QColor(200, 60, 60));
    p.setPen(QPen(QBrush(stroke), 5, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    p.setPen(QPen(Qt::white, 2));
    p.setBrush(QColor(40, 80, 150));
    for (const QPointF& s : samples)
        p.drawEllipse(s, 6, 6);
    const double radius = 70;
    p.setPen(QPen(QColor(200, 60, 50), 2));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(origin.x() - radius, origin.y() - radius, 2 * radius, 2 * radius), 0, 57 * 16);
    p.setPen(QColor(200, 60, 50));
    p.setFont(font(22, true, true));
    const double mid = qDegreesToRadians(24.0);
    text(p, origin.x() + (radius + 8) * std::cos(mid), origin.y() - (radius + 8) * std::sin(mid), QStringLiteral("Q"),
        Qt::AlignLeft | Qt::AlignVCenter);

    p.setPen(QColor(30, 50, 95));
    p.setFont(font(120, true));
    text(p, 880, 80, QStringLiteral("TORV"), Qt::AlignRight | Qt::AlignTop);
}

// ---------------------------------------------------------- class pictures

const QColor pathBlue(35, 95, 185);
const QColor refGrey(130, 135, 145);
const QColor labelInk(40, 40, 55);

// Class 1: trajectories from one start point at several path angles.
void drawProjectile(QPainter& p, const QSize& size)
{
    p.fillRect(QRect(QPoint(0, 0), size), Qt::white);
    const double ground = 160;
    const QPointF origin(30, ground);
    p.fillRect(QRectF(0, ground, size.width(), size.height() - ground), QColor(236, 242, 228));
    axes(p, origin, 338, 10, QStringLiteral("x"));

    const QPointF s(98, 72);
    const double v = 75, g = 40;
    const double angles[] = { 55, 0, -40, -90 };
    for (double q : angles) {
        const double vx = v * std::cos(qDegreesToRadians(q)), vy = v * std::sin(qDegreesToRadians(q));
        QPainterPath path(s);
        QPointF last = s, before = s;
        for (double t = 0.02;; t += 0.02) {
            QPointF pt(s.x() + vx * t, s.y() - vy * t + g * t * t / 2);
            if (pt.y() >= ground - 1) {
                before = last;
                last = pt;
                break;
            }
            path.lineTo(pt);
            before = last;
            last = pt;
        }
        path.lineTo(last);
        p.setPen(QPen(pathBlue, 1.6));
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
        arrowHead(p, last, before, 8, pathBlue);
    }

    // Reference directions: horizontal (Q = 0°) and straight down (Q = -90°).
    dashed(p, s, QPointF(338, s.y()), refGrey);
    dashed(p, QPointF(origin.x(), s.y()), s, refGrey);
    p.setFont(font(12));
    p.setPen(labelInk);
    text(p, 338, s.y() - 3, QStringLiteral("Q = 0°"), Qt::AlignRight | Qt::AlignBottom);
    text(p, s.x() - 6, 122, QStringLiteral("Q = -90°"), Qt::AlignRight | Qt::AlignVCenter);

    // The path angle, shown on the steepest trajectory.
    p.setPen(QPen(QColor(200, 60, 50), 1.2));
    const double radius = 32;
    p.drawArc(QRectF(s.x() - radius, s.y() - radius, 2 * radius, 2 * radius), 0, 55 * 16);
    p.setPen(QColor(200, 60, 50));
    p.setFont(font(12, true, true));
    const double mid = qDegreesToRadians(27.0);
    text(p, s.x() + (radius + 3) * std::cos(mid), s.y() - (radius + 3) * std::sin(mid), QStringLiteral("Q"),
        Qt::AlignLeft | Qt::AlignVCenter);

    p.setPen(labelInk);
    p.setFont(font(12, true));
    text(p, s.x() - 7, s.y() - 6, QStringLiteral("Ho, Vo"), Qt::AlignRight | Qt::AlignBottom);
    p.setFont(font(12, false, true));
    text(p, origin.x() - 3, s.y(), QStringLiteral("Ho"), Qt::AlignRight | Qt::AlignVCenter);
    p.setPen(QPen(Qt::white, 1.5));
    p.setBrush(QColor(200, 60, 50));
    p.drawEllipse(s, 4.5, 4.5);
    frame(p, size);
}

// A small balloon with its basket, hanging from `top`.
void balloon(QPainter& p, QPointF centre, double r)
{
    p.save();
    QRadialGradient g(centre - QPointF(r * 0.35, r * 0.4), r * 1.3);
    g.setColorAt(0, QColor(255, 190, 150));
    g.setColorAt(1, QColor(215, 80, 50));
    p.setPen(QPen(QColor(150, 50, 30), 1));
    p.setBrush(g);
    p.drawEllipse(centre, r, r * 1.12);
    p.setPen(QPen(QColor(110, 80, 60), 0.8));
    const QPointF basket(centre.x(), centre.y() + r * 1.9);
    p.drawLine(centre + QPointF(-r * 0.55, r * 0.9), basket + QPointF(-r * 0.25, 0));
    p.drawLine(centre + QPointF(r * 0.55, r * 0.9), basket + QPointF(r * 0.25, 0));
    p.setBrush(QColor(150, 105, 60));
    p.drawRect(QRectF(basket.x() - r * 0.3, basket.y(), r * 0.6, r * 0.45));
    p.restore();
}

// Class 3: a balloon's altitude over time.
void drawBalloon(QPainter& p, const QSize& size)
{
    p.fillRect(QRect(QPoint(0, 0), size), Qt::white);
    const QPointF origin(34, 156);
    axes(p, origin, 330, 8, QStringLiteral("t"));

    const double h0 = 140, hFloat = 46;
    const double x0 = origin.x() + 10, xFloat = 138, xDescent = 238, xLand = 300;
    QPainterPath path(QPointF(x0, h0));
    // Rising fast at first, then settling onto the float altitude.
    for (double x = x0; x <= xFloat; x += 1) {
        const double f = (x - x0) / (xFloat - x0);
        path.lineTo(x, hFloat + (h0 - hFloat) * std::pow(1 - f, 2.2));
    }
    // Level flight, slowly sinking as gas leaks away.
    path.lineTo(xDescent, hFloat + 6);
    path.cubicTo(QPointF(xDescent + 30, hFloat + 8), QPointF(xLand - 24, origin.y() - 20), QPointF(xLand, origin.y()));
    p.setPen(QPen(pathBlue, 2.0, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);

    dashed(p, QPointF(origin.x(), hFloat), QPointF(xDescent + 20, hFloat), refGrey);
    dashed(p, QPointF(origin.x(), h0), QPointF(x0, h0), refGrey);
    p.setPen(labelInk);
    p.setFont(font(12, false, true));
    text(p, origin.x() - 4, hFloat, QStringLiteral("H"), Qt::AlignRight | Qt::AlignVCenter);
    text(p, origin.x() - 4, h0, QStringLiteral("Ho"), Qt::AlignRight | Qt::AlignVCenter);

    balloon(p, QPointF(188, 18), 10);
    const QColor mark(200, 70, 40);
    marker(p, QPointF(x0, h0), 1, mark);
    marker(p, QPointF(xFloat, hFloat), 2, mark);
    marker(p, QPointF(xDescent, hFloat + 6), 3, mark);
    marker(p, QPointF(xLand, origin.y() - 1), 4, mark);
    frame(p, size);
}

// A side view of a small airliner pointing right, `length` long.
void airplane(QPainter& p, QPointF nose, double length)
{
    const double k = length / 40;
    p.save();
    p.translate(nose);
    p.scale(k, k);
    QPainterPath body;
    body.moveTo(0, 0);
    body.cubicTo(-2, -3, -6, -3.2, -10, -3.2);
    body.lineTo(-33, -3.2);
    body.lineTo(-39, -11);
    body.lineTo(-41, -11);
    body.lineTo(-39, 2);
    body.cubicTo(-30, 3, -10, 3, -4, 2.6);
    body.cubicTo(-1, 2.2, 0, 1, 0, 0);
    p.setPen(QPen(QColor(50, 60, 80), 0.7));
    p.setBrush(QColor(225, 232, 242));
    p.drawPath(body);
    const QPointF wing[4] = { { -15, 0.5 }, { -24, 7.5 }, { -27, 7.5 }, { -22, 0.5 } };
    p.setBrush(QColor(150, 165, 190));
    p.drawPolygon(wing, 4);
    p.restore();
}

// Class 6: an airplane's altitude over time.
void drawAirplane(QPainter& p, const QSize& size)
{
    p.fillRect(QRect(QPoint(0, 0), size), Qt::white);
    const QPointF origin(34, 158);
    axes(p, origin, 330, 8, QStringLiteral("t"));

    const double h0 = 146, cruise = 50;
    const QPointF a(origin.x() + 10, h0), b(128, cruise), c(234, cruise), d(304, origin.y());
    QPainterPath path(a);
    path.cubicTo(a + QPointF(22, -6), b + QPointF(-34, 6), b);
    path.lineTo(c);
    path.cubicTo(c + QPointF(26, 0), d + QPointF(-22, -14), d);
    p.setPen(QPen(pathBlue, 2.0, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);

    dashed(p, QPointF(origin.x(), cruise), b, refGrey);
    dashed(p, QPointF(origin.x(), h0), a, refGrey);
    p.setPen(labelInk);
    p.setFont(font(12, false, true));
    text(p, origin.x() - 4, cruise, QStringLiteral("H"), Qt::AlignRight | Qt::AlignVCenter);
    text(p, origin.x() - 4, h0, QStringLiteral("Ho"), Qt::AlignRight | Qt::AlignVCenter);

    airplane(p, QPointF(206, cruise - 11), 46);
    const QColor mark(200, 70, 40);
    marker(p, a, 1, mark);
    marker(p, b, 2, mark);
    marker(p, c, 3, mark);
    marker(p, d - QPointF(0, 1), 4, mark);

    p.setPen(QColor(90, 95, 110));
    p.setFont(font(11, false, true));
    text(p, 92, 112, QStringLiteral("climb"), Qt::AlignLeft | Qt::AlignVCenter);
    text(p, (b.x() + c.x()) / 2 - 26, cruise + 10, QStringLiteral("cruise"), Qt::AlignHCenter | Qt::AlignTop);
    text(p, 278, 96, QStringLiteral("descent"), Qt::AlignLeft | Qt::AlignVCenter);
    frame(p, size);
}

// A rocket whose nose is at the origin, pointing along +x, `length` long.
void rocket(QPainter& p, double length)
{
    const double k = length / 30;
    p.save();
    p.scale(k, k);
    QPainterPath flame;
    flame.moveTo(-26, -2.2);
    flame.quadTo(-36, -1, -40, 0);
    flame.quadTo(-36, 1, -26, 2.2);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(250, 160, 40));
    p.drawPath(flame);
    QPainterPath body;
    body.moveTo(0, 0);
    body.quadTo(-4, -3.2, -8, -3.2);
    body.lineTo(-26, -3.2);
    body.lineTo(-26, 3.2);
    body.lineTo(-8, 3.2);
    body.quadTo(-4, 3.2, 0, 0);
    p.setPen(QPen(QColor(60, 60, 70), 0.6));
    p.setBrush(QColor(235, 238, 244));
    p.drawPath(body);
    const QPointF fin1[3] = { { -20, -3.2 }, { -27, -7.5 }, { -26, -3.2 } };
    const QPointF fin2[3] = { { -20, 3.2 }, { -27, 7.5 }, { -26, 3.2 } };
    p.setBrush(QColor(200, 60, 50));
    p.drawPolygon(fin1, 3);
    p.drawPolygon(fin2, 3);
    p.restore();
}

// Class 8: a launch at path angle Q and a worked specific impulse, its
// words and units in `language` (1 Russian, 2 German, 3 English).
void drawRocket(QPainter& p, const QSize& size, int language)
{
    p.fillRect(QRect(QPoint(0, 0), size), Qt::white);
    const double ground = 166;
    p.fillRect(QRectF(0, ground, 176, size.height() - ground), QColor(236, 242, 228));
    p.setPen(QPen(QColor(120, 135, 110), 1));
    p.drawLine(QPointF(0, ground + 0.5), QPointF(176, ground + 0.5));

    // Launch point on a small rise at Ho, flight bending over under gravity.
    const QPointF s(42, 140);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(205, 215, 190));
    QPainterPath hill(QPointF(0, ground));
    hill.cubicTo(QPointF(14, s.y()), QPointF(70, s.y()), QPointF(100, ground));
    p.drawPath(hill);

    const double q = qDegreesToRadians(70.0);
    QPainterPath path(s);
    const QPointF c1 = s + QPointF(std::cos(q), -std::sin(q)) * 70;
    const QPointF end(168, 18);
    path.quadTo(c1, end);
    p.setPen(QPen(pathBlue, 1.6, Qt::DashLine));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);

    // The rocket rides on its path, centred on it.
    const double at = 0.5, length = 36;
    const QPointF pos = path.pointAtPercent(at);
    const double angle = path.angleAtPercent(at);
    p.save();
    p.translate(pos);
    p.rotate(-angle);
    p.translate(length * 0.45, 0);
    rocket(p, length);
    p.restore();

    dashed(p, s, s + QPointF(64, 0), refGrey);
    p.setPen(QPen(QColor(200, 60, 50), 1.2));
    const double radius = 26;
    p.drawArc(QRectF(s.x() - radius, s.y() - radius, 2 * radius, 2 * radius), 0, 70 * 16);
    p.setPen(QColor(200, 60, 50));
    p.setFont(font(12, true, true));
    const double mid = qDegreesToRadians(30.0);
    text(p, s.x() + (radius + 4) * std::cos(mid), s.y() - (radius + 3) * std::sin(mid), QStringLiteral("Q"),
        Qt::AlignLeft | Qt::AlignVCenter);

    p.setPen(QPen(Qt::white, 1.5));
    p.setBrush(QColor(200, 60, 50));
    p.drawEllipse(s, 4.5, 4.5);
    p.setPen(labelInk);
    p.setFont(font(12, true));
    text(p, s.x() - 7, s.y() - 4, QStringLiteral("Ho"), Qt::AlignRight | Qt::AlignBottom);

    // The worked example: 95 g of propellant burnt in 1.8 s at 86 N.
    const QRectF card(180, 8, 157, 169);
    p.setPen(QPen(QColor(200, 190, 150), 1));
    p.setBrush(QColor(255, 251, 232));
    p.drawRoundedRect(card, 6, 6);
    p.setPen(QColor(30, 50, 95));
    p.setFont(font(12, true));
    double y = card.top() + 8;
    const QString title[] = { QStringLiteral("Удельный импульс"), QStringLiteral("Spezifischer Impuls"),
        QStringLiteral("Specific impulse") };
    text(p, card.left() + 9, y, title[language - 1], Qt::AlignLeft | Qt::AlignTop);
    y += 20;
    // The units as the forms write them: Russian ones in Cyrillic.
    const bool ru = language == 1;
    const QString N = ru ? QStringLiteral("Н") : QStringLiteral("N");
    const QString kg = ru ? QStringLiteral("кг") : QStringLiteral("kg");
    const QString sec = ru ? QStringLiteral("с") : QStringLiteral("s");
    const QString lines[] = {
        QStringLiteral("P = 86 %1").arg(N),
        QStringLiteral("ṁ = 0.095 %1 / 1.8 %2").arg(kg, sec),
        QStringLiteral("    = 0.0528 %1/%2").arg(kg, sec),
        QStringLiteral("Isp = P / ṁ"),
        QStringLiteral("    = 86 %1 / 0.0528 %2/%3").arg(N, kg, sec),
        QStringLiteral("    ≈ 1630 %1·%2/%3").arg(N, sec, kg),
        QStringLiteral("    ≈ 166 %1 × 9.8").arg(sec),
    };
    p.setFont(font(11));
    p.setPen(labelInk);
    for (const QString& line : lines) {
        const bool result = line.contains(QStringLiteral("1630"));
        p.setFont(font(11, result));
        text(p, card.left() + 9, y, line, Qt::AlignLeft | Qt::AlignTop);
        y += 19;
    }
    frame(p, size);
}

struct Picture {
    const char* file;
    int width, height;
    void (*draw)(QPainter&, const QSize&);
};

const Picture pictures[] = {
    { "sprache.jpg", 314, 193, drawLanguages },
    { "background.jpg", 1000, 700, drawStartBackground },
    { "graphbg.jpg", 1000, 700, drawGraphBackground },
    { "class1.jpg", 345, 185, drawProjectile },
    { "class3.jpg", 336, 178, drawBalloon },
    { "class6.jpg", 336, 181, drawAirplane },
    { "class8.jpg", 345, 185, [](QPainter& p, const QSize& size) { drawRocket(p, size, 3); } },
    { "class8-de.jpg", 345, 185, [](QPainter& p, const QSize& size) { drawRocket(p, size, 2); } },
    { "class8-ru.jpg", 345, 185, [](QPainter& p, const QSize& size) { drawRocket(p, size, 1); } },
};

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(TORV_ASSETS_DIR);
    if (!QFontDatabase::families().contains(family)) {
        std::fprintf(
            stderr, "drawpictures: font \"%s\" not installed (Debian package fonts-dejavu-core)\n", qPrintable(family));
        return 1;
    }
    if (!QDir().mkpath(out)) {
        std::fprintf(stderr, "drawpictures: cannot create %s\n", qPrintable(out));
        return 1;
    }
    // Each picture at its size, and twice as large as "name@2x.jpg", drawn
    // anew at that scale, for screens of twice the pixel density.
    for (const Picture& pic : pictures)
        for (int scale : { 1, 2 }) {
            QImage image(pic.width * scale, pic.height * scale, QImage::Format_RGB32);
            image.fill(Qt::white);
            {
                QPainter p(&image);
                p.setRenderHint(QPainter::Antialiasing);
                p.setRenderHint(QPainter::TextAntialiasing);
                p.scale(scale, scale);
                pic.draw(p, QSize(pic.width, pic.height));
            }
            QString file = QString::fromLatin1(pic.file);
            if (scale != 1)
                file.insert(file.lastIndexOf(u'.'), QStringLiteral("@%1x").arg(scale));
            const QString path = QDir(out).filePath(file);
            if (!image.save(path, "JPG", 92)) {
                std::fprintf(stderr, "drawpictures: cannot write %s\n", qPrintable(path));
                return 1;
            }
            std::printf("%s %dx%d\n", qPrintable(path), image.width(), image.height());
        }
    return 0;
}
