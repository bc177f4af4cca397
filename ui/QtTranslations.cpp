#include "QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

QTranslator *installQtTranslations(const QLocale &locale)
{
    auto *translator = new QTranslator(QCoreApplication::instance());
    // Tries each of the locale's languages in turn, "uk-UA" then "uk", as qtbase_uk_UA.qm and
    // qtbase_uk.qm.
    if (!translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return nullptr;
    }
    return translator;
}
