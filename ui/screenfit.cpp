#include "ui/screenfit.h"

#include <QCoreApplication>
#include <QEvent>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QWheelEvent>
#include <QWidget>

#include <algorithm>

namespace torv {

namespace {

// The window frame until the window manager has drawn one: a title bar and
// thin borders.
const QSize kFrameGuess(8, 32);

} // namespace

ScreenFit::ScreenFit(QWidget* form, QSize designed)
    : QObject(form)
    , form_(form)
    , designed_(designed)
{
    form->installEventFilter(this);
}

void ScreenFit::scrollTo(QPoint to)
{
    const QPoint delta = offset_ - to;
    if (delta.isNull())
        return;
    offset_ = to;
    for (QWidget* w : form_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (w != hBar_ && w != vBar_)
            w->move(w->pos() + delta);
    if (hBar_) {
        const QSignalBlocker h(hBar_), v(vBar_);
        hBar_->setValue(to.x());
        vBar_->setValue(to.y());
    }
}

void ScreenFit::keepBarsOnTop()
{
    if (hBar_) {
        hBar_->raise();
        vBar_->raise();
    }
}

bool ScreenFit::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == form_) {
        if (event->type() == QEvent::Show)
            fit();
        // A wheel turned over a control that does not take it scrolls the form.
        if (event->type() == QEvent::Wheel && hBar_) {
            QScrollBar* bar = vBar_->isVisible() ? vBar_ : hBar_;
            if (bar->isVisible()) {
                QWheelEvent* wheel = static_cast<QWheelEvent*>(event);
                QWheelEvent forwarded(QPointF(), wheel->globalPosition(), wheel->pixelDelta(), wheel->angleDelta(),
                    wheel->buttons(), wheel->modifiers(), wheel->phase(), wheel->inverted());
                QCoreApplication::sendEvent(bar, &forwarded);
                return true;
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

void ScreenFit::fit()
{
    scrollTo(QPoint());
    const QScreen* screen = form_->screen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    QSize frame = form_->frameGeometry().size() - form_->size();
    if (frame.width() <= 0 || frame.height() <= 0)
        frame = kFrameGuess;
    const QSize room = area.size() - frame;
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
        return;
    }
    const QSize window(std::min(designed_.width() + (vertical ? extent : 0), room.width()),
        std::min(designed_.height() + (horizontal ? extent : 0), room.height()));
    form_->setFixedSize(window);
    placeBars(QSize(window.width() - (vertical ? extent : 0), window.height() - (horizontal ? extent : 0)), horizontal,
        vertical);
    // The title bar on the screen: a frame that does not lie wholly in the
    // area goes to its top-left corner.
    if (!area.contains(QRect(form_->frameGeometry().topLeft(), window + frame)))
        form_->move(area.topLeft());
}

void ScreenFit::placeBars(QSize view, bool horizontal, bool vertical)
{
    // Made only for a screen too small, so that a form that fits has none.
    if (!hBar_) {
        hBar_ = new QScrollBar(Qt::Horizontal, form_);
        vBar_ = new QScrollBar(Qt::Vertical, form_);
        for (QScrollBar* bar : { hBar_, vBar_ })
            connect(bar, &QScrollBar::valueChanged, this, [this] { scrollTo(QPoint(hBar_->value(), vBar_->value())); });
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
}

} // namespace torv
