#include "ui/language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <memory>
#include <vector>

#include "model/languages.h"

namespace torv {

void useQtLanguage(int sprache)
{
    // The catalogues of the Qt modules whose dialogs the program shows.
    static const char* const kCatalogues[] = { "qtbase" };
    static std::vector<std::unique_ptr<QTranslator>> loaded;
    static int current = 0;
    if (sprache == current)
        return;
    current = sprache;
    for (const auto& t : loaded)
        QCoreApplication::removeTranslator(t.get());
    loaded.clear();
    if (sprache < 1 || sprache > kLanguages || sprache == kEnglish)
        return;
    const QLocale locale(QString::fromLatin1(kLanguageCodes[sprache - 1]));
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const char* name : kCatalogues) {
        auto t = std::make_unique<QTranslator>();
        if (t->load(locale, QString::fromLatin1(name), QStringLiteral("_"), folder)) {
            QCoreApplication::installTranslator(t.get());
            loaded.push_back(std::move(t));
        }
    }
}

} // namespace torv
