#include "ui/help.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
#include <QVariant>

#include "plot/grafik.h"
#include "ui/guard.h"
#include "ui/texts.h"
#include "version.h"

namespace torv {

namespace {

// The help's two pages, which the browser loads by name so that Back
// returns from the models page.
const QUrl kHelpPage(QStringLiteral("torv:help"));
const QUrl kModelsPage(QStringLiteral("torv:models"));

QString para(const QString& body)
{
    return QStringLiteral("<p>") + body.toHtmlEscaped().replace(u'\n', QStringLiteral("<br>")) + QStringLiteral("</p>");
}

QString heading(Text which)
{
    return QStringLiteral("<h3>") + text(which).toHtmlEscaped() + QStringLiteral("</h3>");
}

QString table(const std::vector<HelpLine>& lines)
{
    QString html = QStringLiteral("<table cellspacing=\"0\" cellpadding=\"3\">");
    for (const HelpLine& l : lines)
        html += QStringLiteral("<tr><td valign=\"top\"><b>%1</b></td><td>%2</td></tr>")
                    .arg(l.name.toHtmlEscaped(), l.text.toHtmlEscaped());
    return html + QStringLiteral("</table>");
}

QString modelsHtml()
{
    return QStringLiteral("<h2>") + text(Text::HelpModels).toHtmlEscaped() + QStringLiteral("</h2>")
        + para(text(Text::HelpModelsLink)) + heading(Text::ModelsAssume) + para(text(Text::ModelsAssumeBody))
        + heading(Text::ModelsByClass) + para(text(Text::ModelsByClassBody)) + heading(Text::ModelsCheck)
        + para(text(Text::ModelsCheckBody));
}

// A browser whose pages are the help's own, made in the forms' language.
class HelpBrowser : public QTextBrowser {
public:
    using QTextBrowser::QTextBrowser;

    QString help;

    QVariant loadResource(int type, const QUrl& name) override
    {
        if (name == kHelpPage)
            return help;
        if (name == kModelsPage)
            return modelsHtml();
        return QTextBrowser::loadResource(type, name);
    }
};

class HelpWindow : public QDialog {
public:
    explicit HelpWindow(QWidget* parent)
        : QDialog(parent)
    {
        resize(720, 640);
        browser_ = new HelpBrowser(this);
        browser_->setOpenLinks(true);
        browser_->setOpenExternalLinks(false);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
        back_ = buttons->addButton(QString(), QDialogButtonBox::ActionRole);
        about_ = buttons->addButton(QString(), QDialogButtonBox::ActionRole);
        back_->setEnabled(false);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        connect(back_, &QPushButton::clicked, browser_, &QTextBrowser::backward);
        connect(browser_, &QTextBrowser::backwardAvailable, back_, &QPushButton::setEnabled);
        connect(about_, &QPushButton::clicked, this, [this] { caught([this] { showAbout(this); }); });
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(browser_);
        layout->addWidget(buttons);
    }

    void fill(const QString& html)
    {
        setWindowTitle(text(Text::HelpTitle));
        back_->setText(text(Text::HelpBack));
        about_->setText(text(Text::MenuAbout));
        browser_->help = html;
        // The help page anew, in the language of now, with no way back.
        browser_->setSource(QUrl());
        browser_->clearHistory();
        browser_->setSource(kHelpPage, QTextDocument::HtmlResource);
        browser_->clearHistory();
    }

    QTextBrowser* browser() const { return browser_; }

private:
    HelpBrowser* browser_;
    QPushButton* back_;
    QPushButton* about_;
};

} // namespace

QString helpHtml(const std::vector<HelpLine>& fields, const std::vector<HelpLine>& menu)
{
    const QString folder = QDir::toNativeSeparators(QDir::currentPath());
    const QString settings = QDir::toNativeSeparators(QSettings().fileName());
    return QStringLiteral("<h2>") + text(Text::HelpTitle).toHtmlEscaped() + QStringLiteral("</h2>")
        + heading(Text::HelpWhat) + para(text(Text::HelpWhatBody)) + heading(Text::HelpRoad)
        + para(text(Text::HelpRoadBody)) + heading(Text::HelpFields)
        + para(text(Text::HelpFieldsBody).arg(QChar::fromLatin1(userDecimalSeparator()))) + table(fields)
        + heading(Text::HelpMenu) + para(text(Text::HelpMenuBody)) + table(menu) + heading(Text::HelpCheck)
        + para(text(Text::HelpCheckBody)) + heading(Text::HelpKeys) + para(text(Text::HelpKeysBody))
        + heading(Text::HelpFiles) + para(text(Text::HelpFilesBody).arg(folder, settings)) + heading(Text::HelpModels)
        + QStringLiteral("<p><a href=\"%1\">%2</a></p>")
              .arg(kModelsPage.toString(), text(Text::HelpModelsLink).toHtmlEscaped());
}

QTextBrowser* showHelp(QWidget* parent, const std::vector<HelpLine>& fields, const std::vector<HelpLine>& menu)
{
    static QPointer<HelpWindow> window;
    if (!window)
        window = new HelpWindow(parent);
    window->fill(helpHtml(fields, menu));
    window->show();
    window->raise();
    window->activateWindow();
    return window->browser();
}

// The build as CMake names it ("commit 0123abc, 2026-12-08" or "unknown"),
// in the forms' language.
QString buildText()
{
    static const QRegularExpression commit(QStringLiteral("^commit ([0-9a-f]+), (.+)$"));
    const QRegularExpressionMatch m = commit.match(QStringLiteral(TORV_BUILD));
    return m.hasMatch() ? text(Text::AboutCommit).arg(m.captured(1), m.captured(2)) : text(Text::AboutUnknown);
}

QString aboutText()
{
    return QStringLiteral("<h3>Torv</h3><p>%1<br>%2</p><p><b>%3</b><br>%4</p>")
        .arg(text(Text::AboutVersion).arg(QStringLiteral(TORV_VERSION)).toHtmlEscaped(),
            text(Text::AboutBuild).arg(buildText()).toHtmlEscaped(), text(Text::AboutLicence).toHtmlEscaped(),
            text(Text::AboutLicenceBody).toHtmlEscaped());
}

void showAbout(QWidget* parent)
{
    QMessageBox box(QMessageBox::NoIcon, text(Text::AboutTitle), aboutText(), QMessageBox::Close, parent);
    box.setTextFormat(Qt::RichText);
    QPushButton* qt = box.addButton(text(Text::AboutQt), QMessageBox::ActionRole);
    box.setEscapeButton(QMessageBox::Close);
    box.exec();
    if (box.clickedButton() == qt)
        QApplication::aboutQt();
}

} // namespace torv
