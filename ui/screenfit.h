// Places a fixed-size form on the screen: centred when first shown, and
// kept usable on a screen smaller than the form: there the window shrinks to
// the screen's available area with its title bar on the screen, and the
// controls, at their designed positions and sizes, scroll inside it under
// two scroll bars. Where the form fits, nothing else changes.
#pragma once

#include <QMargins>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>

class QScrollBar;
class QWidget;

namespace torv {

class ScreenFit : public QObject {
public:
    // Watches `form` (its parent), whose controls are laid out on `designed`.
    ScreenFit(QWidget* form, QSize designed);

    // How far the content is scrolled; (0, 0) shows its top-left corner.
    QPoint offset() const { return offset_; }
    // Scrolls the content so that `to` lies at the window's top-left.
    void scrollTo(QPoint to);
    // Raises the scroll bars above controls raised since.
    void keepBarsOnTop();
    // True while the form is shown smaller than designed, with scroll bars.
    bool scrolling() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fit();
    void place(const QRect& area, QSize window, const QMargins& frame);
    QMargins frameMargins() const;
    void placeBars(QSize view, bool horizontal, bool vertical);

    QWidget* form_;
    QSize designed_;
    QScrollBar* hBar_ = nullptr;
    QScrollBar* vBar_ = nullptr;
    QPoint offset_;
    QMargins frame_; // the frame the last fit allowed for
    bool centred_ = false;
};

} // namespace torv
