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

QString englishCatalogueBaseName()
{
    return QStringLiteral(":/i18n/Vantorquelle_en_US");
}

bool readsEnglish(const QString& language)
{
    // "C" and "POSIX" name no language: the texts as written, which are English.
    const QString tag = language.section(QLatin1Char('.'), 0, 0).section(QLatin1Char('@'), 0, 0);
    if (tag == QLatin1String("C") || tag == QLatin1String("POSIX"))
        return true;
    // An unknown name makes the C locale too: only a name that says English counts.
    return QLocale(tag).language() == QLocale::English;
}

QString loadFirstAvailable(QTranslator& translator, const QStringList& wanted)
{
    for (const QString& language : wanted) {
        const QString base = catalogueBaseName(language);
        // Qt's default lookup: with ".qm", as given, then shortened at "_" or "." in turn.
        if (translator.load(base))
            return base;
        // One English catalogue serves every region: it only gives the plural forms.
        if (readsEnglish(language) && translator.load(englishCatalogueBaseName()))
            return englishCatalogueBaseName();
    }
    return QString();
}

bool installPreferredTranslation(QTranslator& translator)
{
    QStringList wanted =
        wantedLanguages(AppSettings::language(), QLocale::system().uiLanguages());
    // Where no wanted language has a catalogue the texts stay English: with their plural forms.
    wanted << QStringLiteral("en_US");
    if (loadFirstAvailable(translator, wanted).isEmpty())
        return false;
    QCoreApplication::installTranslator(&translator);
    return true;
}

void useNumbersOf(const QString& language)
{
    QLocale locale = language.isEmpty() ? QLocale::c() : QLocale(language);
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    QLocale::setDefault(locale);
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
