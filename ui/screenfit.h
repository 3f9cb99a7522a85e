// Keeps a fixed-size form usable on a screen smaller than the form: the
// window shrinks to the screen's available area with its title bar on the
// screen, and the controls, at their designed positions and sizes, scroll
// inside it under two scroll bars. Where the form fits, nothing changes.
#pragma once

#include <QObject>
#include <QPoint>
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

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fit();
    void placeBars(QSize view, bool horizontal, bool vertical);

    QWidget* form_;
    QSize designed_;
    QScrollBar* hBar_ = nullptr;
    QScrollBar* vBar_ = nullptr;
    QPoint offset_;
};

} // namespace torv
