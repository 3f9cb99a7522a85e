// Places a fixed-size form on the screen: centred when first shown, and
// kept usable on a screen smaller than the form: there the window shrinks to
// the screen's available area with its title bar on the screen, and the
// controls, at their designed positions and sizes, scroll inside it under
// two scroll bars; a control that takes the keyboard focus scrolls into
// view, and a tag at the view's edge points to a control that lies beyond it.
// Where the form fits, nothing else changes.
#pragma once

#include <QMargins>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

class QScrollBar;
class QToolButton;
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
    // Scrolls as little as makes `w`, a control of the form, lie in view.
    void scrollIntoView(const QWidget* w);
    // While `target` lies right of the view, a tag with `label` stands at
    // the view's right edge level with it; a click on it scrolls it into view.
    void pointTo(QWidget* target, const QString& label);
    void setPointerTip(const QString& tip);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fit();
    void place(const QRect& area, QSize window, const QMargins& frame);
    QMargins frameMargins() const;
    void placeBars(QSize view, bool horizontal, bool vertical);
    QSize view() const;
    void placePointer();

    QWidget* form_;
    QSize designed_;
    QScrollBar* hBar_ = nullptr;
    QScrollBar* vBar_ = nullptr;
    QToolButton* pointer_ = nullptr;
    QWidget* target_ = nullptr;
    QPoint offset_;
    QMargins frame_; // the frame the last fit allowed for
    bool centred_ = false;
};

} // namespace torv
