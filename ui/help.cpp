#include "ui/help.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "plot/grafik.h"
#include "ui/texts.h"
#include "version.h"

namespace torv {

namespace {

// The models document, embedded so that the link works wherever the
// program runs from.
const QString kModels = QStringLiteral("qrc:/docs/models.md");

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

class HelpWindow : public QDialog {
public:
    explicit HelpWindow(QWidget* parent)
        : QDialog(parent)
    {
        resize(720, 640);
        browser_ = new QTextBrowser(this);
        browser_->setOpenLinks(true);
        browser_->setOpenExternalLinks(false);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
        back_ = buttons->addButton(QString(), QDialogButtonBox::ActionRole);
        about_ = buttons->addButton(QString(), QDialogButtonBox::ActionRole);
        back_->setEnabled(false);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        connect(back_, &QPushButton::clicked, browser_, &QTextBrowser::backward);
        connect(browser_, &QTextBrowser::backwardAvailable, back_, &QPushButton::setEnabled);
        connect(about_, &QPushButton::clicked, this, [this] { showAbout(this); });
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(browser_);
        layout->addWidget(buttons);
    }

    void fill(const QString& html)
    {
        setWindowTitle(text(Text::HelpTitle));
        back_->setText(text(Text::HelpBack));
        about_->setText(text(Text::MenuAbout));
        browser_->clearHistory();
        browser_->setHtml(html);
    }

private:
    QTextBrowser* browser_;
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
        + QStringLiteral("<p><a href=\"%1\">docs/models.md</a>: %2</p>")
              .arg(kModels, text(Text::HelpModelsLink).toHtmlEscaped());
}

void showHelp(QWidget* parent, const std::vector<HelpLine>& fields, const std::vector<HelpLine>& menu)
{
    static QPointer<HelpWindow> window;
    if (!window)
        window = new HelpWindow(parent);
    window->fill(helpHtml(fields, menu));
    window->show();
    window->raise();
    window->activateWindow();
}

QString aboutText()
{
    return QStringLiteral("<h3>Torv</h3><p>%1<br>%2</p><p><b>%3</b><br>%4</p>")
        .arg(text(Text::AboutVersion).arg(QStringLiteral(TORV_VERSION)).toHtmlEscaped(),
            text(Text::AboutBuild).arg(QStringLiteral(TORV_BUILD)).toHtmlEscaped(),
            text(Text::AboutLicence).toHtmlEscaped(), text(Text::AboutLicenceBody).toHtmlEscaped());
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
