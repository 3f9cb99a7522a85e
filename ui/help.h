// The help window (F1 on either form): what the program does, the road
// through the forms, every field, the graph area's menu and keys, where the
// files go, and the models document, in the forms' language.
#pragma once

#include <QString>

#include <vector>

class QTextBrowser;
class QWidget;

namespace torv {

// One line of the help: a field's caption and what it means, or a menu
// entry and its shortcut.
struct HelpLine {
    QString name;
    QString text;
};

// Opens the help window over `parent`, or brings it to the front, in the
// language Sprache names (English before one is chosen); the one window is
// rewritten for a new language. Its link leads to a page on the models, from
// which Back returns. Returns the window's browser.
QTextBrowser* showHelp(QWidget* parent, const std::vector<HelpLine>& fields, const std::vector<HelpLine>& menu);

// The help as the window shows it (HTML), for the window and its tests.
QString helpHtml(const std::vector<HelpLine>& fields, const std::vector<HelpLine>& menu);

// The About box: version, build and licence.
void showAbout(QWidget* parent);
QString aboutText();

} // namespace torv
