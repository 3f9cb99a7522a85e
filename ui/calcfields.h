// The calculation form's parameter fields: each field's control and caption,
// what their change handlers do with the text, where a class's own fields
// stand, the check that every visible field reads as a number, and each
// field's line of help.
#pragma once

#include <QString>

#include <array>
#include <exception>
#include <functional>
#include <utility>
#include <vector>

#include "model/fields.h"
#include "ui/calclayout.h"
#include "ui/help.h"

class QLineEdit;
class QWidget;

namespace torv {

class CalcFields {
public:
    CalcFields(QWidget* form, CalcControls& controls, const CalcLayout& layout);

    // The control of `field`.
    QLineEdit* control(Field field) const;

    // From now on every change of the field's text runs `handler`.
    void setHandler(Field field, std::function<void()> handler);
    // Sets a field's text and runs its change handler, also when the text
    // does not change (QLineEdit signals nothing then). A conversion error
    // of the handler is rethrown to the caller.
    void setText(QLineEdit* field, const QString& text);

    // What a field's change handler does: stores the number its text reads
    // as in the field's input, or throws ConvertError.
    void store(Field field);
    // What the aerodynamic model box's change handler does: an item chosen
    // sets the model; typed text that names no item changes nothing.
    void storeAeroModel();

    // Shows or hides the field with its caption.
    void setVisible(Field field, bool visible);
    // A class's own field and its caption move into the class frame, the
    // caption at (16, top), the field at (160, top).
    void place(Field field, int top, bool visible);

    // START runs, and a scenario is saved, only when every visible field's
    // text reads as a number; else `message` with the field's caption (%1)
    // and text (%2) is thrown, and the field takes the focus.
    void refuseUnread(const QString& message) const;

    // The fields the form shows, top to bottom, each with its caption.
    std::vector<std::pair<Field, QString>> shownCaptions() const;

    // Each field's line of help as its tooltip, in the form's language.
    void setTips();
    // Each field's caption in the form's language with its line of help, top
    // to bottom as the form shows them.
    std::vector<HelpLine> helpLines() const;

private:
    void runHandler(Field field);

    QWidget* form_;
    CalcControls& c_;
    const CalcLayout& layout_;
    std::array<std::function<void()>, kFieldCount> handlers_;
    int settingText_ = 0; // > 0 while setText runs a handler
    std::exception_ptr handlerError_; // its error, rethrown by setText
};

} // namespace torv
