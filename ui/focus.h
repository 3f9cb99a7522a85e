// A form's keyboard reaches only what the eye sees, and its keys do what a
// desktop user expects:
// - a control that is hidden, or covered whole by an opaque control above it
//   (a panel, a text box, a picture with its background), takes no focus:
//   neither Tab nor the arrow keys of a radio group reach it (the arrows
//   move the focus only, as they do in a group with nothing chosen);
// - Enter presses the focused button, as Space does, and in a field the
//   form's default button;
// - every button shows the focus with a frame around it;
// - the form's own shortcuts (its actions) win over a text field's keys,
//   except the copy key while the field has selected text.
#pragma once

#include <QObject>

class QAbstractButton;
class QWidget;

namespace torv {

class FocusRules : public QObject {
public:
    // Watches `form` and every control on it. The form owns it outside the
    // tree of its children, so that it ends before they do.
    explicit FocusRules(QWidget* form);

    // Whether `w`, a control of `form`, is covered whole by an opaque
    // control of the form that lies above it.
    static bool covered(const QWidget* w, const QWidget* form);

    // The button that Enter in a field of the form presses.
    void setDefaultButton(QAbstractButton* button) { defaultButton_ = button; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Takes the focus from covered controls and gives it back to uncovered
    // ones; runs whenever a control of the form is shown, hidden, raised
    // or lowered.
    void refresh();
    bool onForm(const QObject* o) const;

    QWidget* form_;
    QAbstractButton* defaultButton_ = nullptr;
    bool refreshing_ = false;
};

// A frame around `w`, drawn on its parent just outside it (never on `w`'s
// own pixels) while `w` has the keyboard focus.
void frameWhileFocused(QWidget* w);

} // namespace torv
