#include "ui/focus.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QWidget>

namespace torv {

namespace {

// The focus policy a control was made with; it gets it back once uncovered.
const char* const kDesigned = "torvDesignedFocus";

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
        if (above && !above->isWindow() && !above->isHidden() && opaque(above)
            && above->geometry().contains(place))
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
        QVariant designed = w->property(kDesigned);
        if (!designed.isValid()) {
            if (!(w->focusPolicy() & Qt::TabFocus))
                continue;
            designed = static_cast<int>(w->focusPolicy());
            w->setProperty(kDesigned, designed);
        }
        const bool hidden = covered(w, form_);
        w->setFocusPolicy(hidden ? Qt::NoFocus : static_cast<Qt::FocusPolicy>(designed.toInt()));
        // Whatever a new cover hides gives the focus on to the next control.
        if (hidden && w->hasFocus())
            focusNext(w);
    }
    refreshing_ = false;
}

bool FocusRules::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::ShowToParent:
    case QEvent::HideToParent:
    case QEvent::ZOrderChange:
        if (watched->parent() == form_)
            refresh();
        break;
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        auto* button = qobject_cast<QAbstractButton*>(watched);
        if (button && onForm(button) && key->modifiers() == Qt::NoModifier
            && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            button->click();
            return true;
        }
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
}

void frameWhileFocused(QWidget* w)
{
    constexpr int kGap = 1;
    constexpr int kLine = 2;
    auto* frame = new QFrame(w->parentWidget());
    frame->setFocusPolicy(Qt::NoFocus);
    frame->setAttribute(Qt::WA_TransparentForMouseEvents);
    frame->setStyleSheet(QStringLiteral("QFrame { border: %1px solid palette(highlight); background: transparent; }")
                             .arg(kLine));
    frame->hide();
    QObject::connect(qApp, &QApplication::focusChanged, frame, [w, frame](QWidget*, QWidget* now) {
        if (now == w) {
            // Where the control is now: a small screen's form may have scrolled.
            frame->setGeometry(w->geometry().adjusted(-kGap - kLine, -kGap - kLine, kGap + kLine, kGap + kLine));
            frame->stackUnder(w);
        }
        frame->setVisible(now == w);
    });
}

} // namespace torv
