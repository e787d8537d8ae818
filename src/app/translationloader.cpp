#include "app/translationloader.h"

#include "foundation/appsettings.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace TranslationLoader {

QStringList wantedLanguages(const QString& storedLanguage, const QStringList& systemLanguages)
{
    QStringList wanted;
    if (!storedLanguage.isEmpty())
        wanted << storedLanguage;
    wanted << systemLanguages;
    return wanted;
}

QString catalogueBaseName(const QString& language)
{
    return QStringLiteral(":/i18n/Vantorquelle_") + QLocale(language).name();
}

QString loadFirstAvailable(QTranslator& translator, const QStringList& wanted)
{
    for (const QString& language : wanted) {
        const QString base = catalogueBaseName(language);
        // Qt's default lookup: with ".qm", as given, then shortened at "_" or "." in turn.
        if (translator.load(base))
            return base;
    }
    return QString();
}

bool installPreferredTranslation(QTranslator& translator)
{
    const QStringList wanted =
        wantedLanguages(AppSettings::language(), QLocale::system().uiLanguages());
    if (loadFirstAvailable(translator, wanted).isEmpty())
        return false;
    QCoreApplication::installTranslator(&translator);
    return true;
}

bool installQtTranslation(QTranslator& qtTranslator, const QString& language)
{
    if (language.isEmpty())
        return false;
    // "qt_<lang>" gathers Qt's modules; the lookup also tries the shortened name (qt_fr).
    if (!qtTranslator.load(QLocale(language), QStringLiteral("qt"), QStringLiteral("_"),
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    QCoreApplication::installTranslator(&qtTranslator);
    return true;
}

} // namespace TranslationLoader
