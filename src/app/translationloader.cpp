#include "app/translationloader.h"

#include "foundation/appsettings.h"

#include <QCoreApplication>
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

} // namespace TranslationLoader
