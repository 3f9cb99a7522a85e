#include "ui/focus.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QWidget>

#include "ui/guard.h"
#include <algorithm>
#include <utility>

namespace torv {

namespace {

// A control covered whole, and one whose Tab focus was taken for it.
const char* const kCovered = "torvCovered";
const char* const kTookTab = "torvTookTab";

// A control that paints all of its place, hiding whatever lies beneath.
bool opaque(const QWidget* w)
{
    return w->autoFillBackground() || qobject_cast<const QAbstractScrollArea*>(w);
}

// The text a field would copy, if the focus is in one with a selection.
bool hasSelectedText(const QWidget* w)
{
    if (const auto* line = qobject_cast<const QLineEdit*>(w))
        return line->hasSelectedText();
    if (const auto* combo = qobject_cast<const QComboBox*>(w))
        return combo->lineEdit() && combo->lineEdit()->hasSelectedText();
    if (const auto* text = qobject_cast<const QPlainTextEdit*>(w))
        return text->textCursor().hasSelection();
    return false;
}

// The arrow keys in a radio group: the focus goes to the next entry in that
// direction that can take it, past the covered ones. True if `key` is one.
bool moveInGroup(QAbstractButton* from, int key)
{
    int step = 0;
    if (key == Qt::Key_Down || key == Qt::Key_Right)
        step = 1;
    else if (key == Qt::Key_Up || key == Qt::Key_Left)
        step = -1;
    else
        return false;
    QList<QAbstractButton*> entries = from->group()->buttons();
    std::sort(entries.begin(), entries.end(), [](const QAbstractButton* a, const QAbstractButton* b) {
        return std::pair(a->y(), a->x()) < std::pair(b->y(), b->x());
    });
    for (qsizetype i = entries.indexOf(from) + step; i >= 0 && i < entries.size(); i += step) {
        QAbstractButton* next = entries[i];
        if (next->isVisible() && next->isEnabled() && !next->property(kCovered).toBool()) {
            next->setFocus(step > 0 ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            break;
        }
    }
    return true;
}

// Moves the focus on from `from` as Tab would.
void focusNext(QWidget* from)
{
    for (QWidget* n = from->nextInFocusChain(); n && n != from; n = n->nextInFocusChain()) {
        if (n->window() == from->window() && n->isVisible() && n->isEnabled() && (n->focusPolicy() & Qt::TabFocus)) {
            n->setFocus(Qt::TabFocusReason);
            return;
        }
    }
    from->clearFocus();
}

} // namespace

FocusRules::FocusRules(QWidget* form)
    : QObject(nullptr)
    , form_(form)
{
    qApp->installEventFilter(this);
    refresh();
    // A button's own focus mark is a dotted line inside it, which a coloured
    // button hides, or none at all: every button gets a frame that can be
    // seen.
    for (QAbstractButton* b : form->findChildren<QAbstractButton*>())
        frameWhileFocused(b);
}

bool FocusRules::covered(const QWidget* w, const QWidget* form)
{
    const QWidget* top = w;
    while (top->parentWidget() && top->parentWidget() != form)
        top = top->parentWidget();
    if (top->parentWidget() != form)
        return false;
    const QRect place(w->mapTo(form, QPoint()), w->size());
    // Siblings later in the list lie above.
    const QObjectList& siblings = form->children();
    for (qsizetype i = siblings.indexOf(const_cast<QWidget*>(top)) + 1; i < siblings.size(); ++i) {
        const auto* above = qobject_cast<const QWidget*>(siblings[i]);
        if (above && !above->isWindow() && !above->isHidden() && opaque(above) && above->geometry().contains(place))
            return true;
    }
    return false;
}

bool FocusRules::onForm(const QObject* o) const
{
    return o->isWidgetType() && o != form_ && static_cast<const QWidget*>(o)->window() == form_;
}

void FocusRules::refresh()
{
    if (refreshing_)
        return;
    refreshing_ = true;
    for (QWidget* w : form_->findChildren<QWidget*>()) {
        if (w->isWindow())
            continue;
        const bool was = w->property(kCovered).toBool();
        if (!was && !(w->focusPolicy() & Qt::TabFocus) && !qobject_cast<QAbstractButton*>(w))
            continue;
        const bool now = covered(w, form_);
        if (now == was)
            continue;
        // Only Tab's share of the policy: the rest, and what a radio group
        // does with it, stays Qt's.
        w->setProperty(kCovered, now);
        if (now && (w->focusPolicy() & Qt::TabFocus)) {
            w->setProperty(kTookTab, true);
            w->setFocusPolicy(static_cast<Qt::FocusPolicy>(w->focusPolicy() & ~Qt::TabFocus));
        } else if (!now && w->property(kTookTab).toBool()) {
            w->setProperty(kTookTab, false);
            w->setFocusPolicy(static_cast<Qt::FocusPolicy>(w->focusPolicy() | Qt::TabFocus));
        }
        // Whatever a new cover hides gives the focus on to the next control.
        if (now && w->hasFocus())
            focusNext(w);
    }
    refreshing_ = false;
}

bool FocusRules::eventFilter(QObject* watched, QEvent* event)
{
    return caught([&]() -> bool {
        switch (event->type()) {
        case QEvent::ShowToParent:
        case QEvent::HideToParent:
        case QEvent::ZOrderChange:
            if (watched->parent() == form_)
                refresh();
            break;
        case QEvent::KeyPress: {
            auto* key = static_cast<QKeyEvent*>(event);
            // Enter in a field presses the form's default button.
            if (defaultButton_ && qobject_cast<QLineEdit*>(watched) && onForm(watched)
                && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
                && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
                if (defaultButton_->isVisible() && defaultButton_->isEnabled())
                    defaultButton_->click();
                return true;
            }
            auto* button = qobject_cast<QAbstractButton*>(watched);
            if (!button || !onForm(button) || key->modifiers() != Qt::NoModifier)
                break;
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                button->click();
                return true;
            }
            if (button->group() && moveInGroup(button, key->key()))
                return true;
            break;
        }
        case QEvent::ShortcutOverride: {
            if (!onForm(watched))
                break;
            const QKeySequence keys(static_cast<QKeyEvent*>(event)->keyCombination());
            for (const QAction* a : form_->actions()) {
                if (!a->isEnabled() || !a->shortcuts().contains(keys))
                    continue;
                if (keys.matches(QKeySequence::Copy) == QKeySequence::ExactMatch
                    && hasSelectedText(static_cast<QWidget*>(watched)))
                    break;
                // Not the field's key: the form's shortcut takes it.
                event->ignore();
                return true;
            }
            break;
        }
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    });
}

void frameWhileFocused(QWidget* w)
{
    constexpr int kGap = 1;
    constexpr int kLine = 2;
    // A control inside a group gets its frame on the form, where the
    // group's edge does not cut it off.
    const bool nested = w->parentWidget() != w->window();
    QWidget* host = nested ? w->window() : w->parentWidget();
    auto* frame = new QFrame(host);
    frame->setFocusPolicy(Qt::NoFocus);
    frame->setAttribute(Qt::WA_TransparentForMouseEvents);
    // Dark blue: 8:1 against white, 3:1 and more against the forms' greys
    // and the buttons' colours.
    frame->setStyleSheet(QStringLiteral("QFrame { border: %1px solid #0a3aa8; background: transparent; }").arg(kLine));
    frame->hide();
    QObject::connect(qApp, &QApplication::focusChanged, frame, [w, frame, host, nested](QWidget*, QWidget* now) {
        caught([&] {
            if (now == w) {
                // Where the control is now: a small screen's form may have scrolled.
                const QRect place(w->mapTo(host, QPoint(0, 0)), w->size());
                frame->setGeometry(place.adjusted(-kGap - kLine, -kGap - kLine, kGap + kLine, kGap + kLine));
                if (nested)
                    frame->raise();
                else
                    frame->stackUnder(w);
            }
            frame->setVisible(now == w);
        });
    });
}

} // namespace torv
