#include "ui/screenfit.h"

#include <QApplication>
#include <QEvent>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QToolButton>
#include <QWheelEvent>
#include <QWidget>
#include <QWindow>

#include "ui/guard.h"
#include <algorithm>
#include <cstdlib>

namespace torv {

namespace {

// The window frame until the window manager has drawn one: a title bar and
// thin borders. The room below also takes a title bar's height, as some
// window managers hang the frame around a position already meant for it.
const QMargins kFrameGuess(5, 30, 5, 35);

} // namespace

ScreenFit::ScreenFit(QWidget* form, QSize designed)
    : QObject(form)
    , form_(form)
    , designed_(designed)
{
    form->installEventFilter(this);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        caught([&] {
            if (now && now != form_ && form_->isAncestorOf(now))
                scrollIntoView(now);
        });
    });
}

QSize ScreenFit::view() const
{
    QSize v = form_->size();
    if (hBar_ && !hBar_->isHidden())
        v.rheight() -= hBar_->height();
    if (hBar_ && !vBar_->isHidden())
        v.rwidth() -= vBar_->width();
    return v;
}

void ScreenFit::scrollIntoView(const QWidget* w)
{
    if (!scrolling())
        return;
    // A little room around it, so that its frame shows too.
    constexpr int kMargin = 6;
    const QRect place = QRect(w->mapTo(form_, QPoint()), w->size()).adjusted(-kMargin, -kMargin, kMargin, kMargin);
    const QRect shown(QPoint(), view());
    const auto shift = [](int low, int high, int viewLow, int viewHigh) {
        if (high > viewHigh)
            return std::min(high - viewHigh, low - viewLow);
        return low < viewLow ? low - viewLow : 0;
    };
    const QPoint to = offset_
        + QPoint(shift(place.left(), place.right(), shown.left(), shown.right()),
            shift(place.top(), place.bottom(), shown.top(), shown.bottom()));
    scrollTo(QPoint(std::clamp(to.x(), 0, hBar_->maximum()), std::clamp(to.y(), 0, vBar_->maximum())));
}

void ScreenFit::pointTo(QWidget* target, const QString& label)
{
    target_ = target;
    if (!pointer_) {
        pointer_ = new QToolButton(form_);
        pointer_->setFocusPolicy(Qt::NoFocus);
        pointer_->setAutoRaise(false);
        connect(pointer_, &QToolButton::clicked, this, [this] { caught([this] { scrollIntoView(target_); }); });
    }
    pointer_->setText(label);
    pointer_->adjustSize();
    placePointer();
}

void ScreenFit::setPointerTip(const QString& tip)
{
    if (pointer_)
        pointer_->setToolTip(tip);
}

void ScreenFit::placePointer()
{
    if (!pointer_)
        return;
    const QSize shown = view();
    const bool beyond = scrolling() && target_ && target_->x() >= shown.width();
    pointer_->setVisible(beyond);
    if (!beyond)
        return;
    const int y = std::clamp(target_->y(), 0, std::max(0, shown.height() - pointer_->height()));
    pointer_->move(shown.width() - pointer_->width(), y);
    pointer_->raise();
}

void ScreenFit::scrollTo(QPoint to)
{
    const QPoint delta = offset_ - to;
    if (delta.isNull())
        return;
    offset_ = to;
    // The form's controls; not the bars, nor windows it owns (dialogs, menus).
    for (QWidget* w : form_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (w != hBar_ && w != vBar_ && w != pointer_ && !w->isWindow())
            w->move(w->pos() + delta);
    if (hBar_) {
        const QSignalBlocker h(hBar_), v(vBar_);
        hBar_->setValue(to.x());
        vBar_->setValue(to.y());
    }
    placePointer();
}

void ScreenFit::keepBarsOnTop()
{
    if (hBar_) {
        hBar_->raise();
        vBar_->raise();
    }
    if (pointer_)
        pointer_->raise();
}

bool ScreenFit::eventFilter(QObject* watched, QEvent* event)
{
    return caught([&]() -> bool {
        if (watched == form_) {
            if (event->type() == QEvent::Show)
                fit();
            // The window manager's frame is known only once the window is up.
            if (event->type() == QEvent::Move && form_->isVisible() && frameMargins() != frame_)
                fit();
            // A wheel turned over a control that does not take it scrolls the form.
            if (event->type() == QEvent::Wheel && scrolling()) {
                QWheelEvent* wheel = static_cast<QWheelEvent*>(event);
                const bool sideways = std::abs(wheel->angleDelta().x()) > std::abs(wheel->angleDelta().y());
                QScrollBar* bar = (sideways && !hBar_->isHidden()) || vBar_->isHidden() ? hBar_ : vBar_;
                QWheelEvent forwarded(QPointF(), wheel->globalPosition(), wheel->pixelDelta(), wheel->angleDelta(),
                    wheel->buttons(), wheel->modifiers(), wheel->phase(), wheel->inverted());
                QCoreApplication::sendEvent(bar, &forwarded);
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    });
}

bool ScreenFit::scrolling() const
{
    return hBar_ && (!hBar_->isHidden() || !vBar_->isHidden());
}

QMargins ScreenFit::frameMargins() const
{
    const QWindow* window = form_->windowHandle();
    const QMargins frame = window ? window->frameMargins() : QMargins();
    return frame.top() > 0 ? frame : kFrameGuess;
}

void ScreenFit::fit()
{
    scrollTo(QPoint());
    const QScreen* screen = form_->screen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QMargins frame = frameMargins();
    frame_ = frame;
    const QSize room = area.marginsRemoved(frame).size();
    const int extent = form_->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, form_);
    bool horizontal = designed_.width() > room.width();
    bool vertical = designed_.height() > room.height();
    horizontal = horizontal || (vertical && designed_.width() + extent > room.width());
    vertical = vertical || (horizontal && designed_.height() + extent > room.height());
    if (!horizontal && !vertical) {
        form_->setFixedSize(designed_);
        if (hBar_) {
            hBar_->hide();
            vBar_->hide();
        }
        placePointer();
        place(area, designed_, frame);
        return;
    }
    const QSize window(std::min(designed_.width() + (vertical ? extent : 0), room.width()),
        std::min(designed_.height() + (horizontal ? extent : 0), room.height()));
    form_->setFixedSize(window);
    placeBars(QSize(window.width() - (vertical ? extent : 0), window.height() - (horizontal ? extent : 0)), horizontal,
        vertical);
    place(area, window, frame);
}

void ScreenFit::place(const QRect& area, QSize window, const QMargins& frame)
{
    // Centred when first shown; after that a window whose frame would leave
    // the area goes back in. A window larger than the area keeps its title
    // bar on the screen: its frame's top-left at the area's. (A window's
    // position is that of its frame.)
    const QSize outer = window.grownBy(frame);
    QPoint at = form_->pos();
    if (!centred_)
        at = area.center() - QPoint(outer.width() / 2, outer.height() / 2);
    else if (area.contains(QRect(at, outer)))
        return;
    centred_ = true;
    at.setX(std::max(area.left(), std::min(at.x(), area.right() + 1 - outer.width())));
    at.setY(std::max(area.top(), std::min(at.y(), area.bottom() + 1 - outer.height())));
    // Until the window manager has told its frame, a position counts as the
    // inside's: leave room for the frame expected.
    const QWindow* handle = form_->windowHandle();
    const bool frameKnown = handle && handle->frameMargins().top() > 0;
    form_->move(frameKnown ? at : at + QPoint(frame.left(), frame.top()));
}

void ScreenFit::placeBars(QSize view, bool horizontal, bool vertical)
{
    // Made only for a screen too small, so that a form that fits has none.
    if (!hBar_) {
        hBar_ = new QScrollBar(Qt::Horizontal, form_);
        vBar_ = new QScrollBar(Qt::Vertical, form_);
        for (QScrollBar* bar : { hBar_, vBar_ })
            connect(bar, &QScrollBar::valueChanged, this,
                [this] { caught([this] { scrollTo(QPoint(hBar_->value(), vBar_->value())); }); });
    }
    const QSignalBlocker h(hBar_), v(vBar_);
    hBar_->setGeometry(0, view.height(), view.width(), form_->height() - view.height());
    hBar_->setRange(0, std::max(0, designed_.width() - view.width()));
    hBar_->setPageStep(view.width());
    hBar_->setSingleStep(20);
    hBar_->setValue(0);
    hBar_->setVisible(horizontal);
    vBar_->setGeometry(view.width(), 0, form_->width() - view.width(), view.height());
    vBar_->setRange(0, std::max(0, designed_.height() - view.height()));
    vBar_->setPageStep(view.height());
    vBar_->setSingleStep(20);
    vBar_->setValue(0);
    vBar_->setVisible(vertical);
    keepBarsOnTop();
    placePointer();
}

} // namespace torv
