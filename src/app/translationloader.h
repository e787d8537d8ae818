// Chooses the interface language at start: the stored choice first, then the system's
// languages, and installs the first catalogue embedded under ":/i18n/" that loads; English,
// whatever its region, and the texts as written (C/POSIX) get the English plural forms.
#pragma once

#include <QString>
#include <QStringList>

class QTranslator;

namespace TranslationLoader {

// The stored language (when set) followed by the system's UI languages, in priority order.
QStringList wantedLanguages(const QString& storedLanguage, const QStringList& systemLanguages);

// ":/i18n/Vantorquelle_" followed by the locale name of the entry (fr-FR gives fr_FR).
QString catalogueBaseName(const QString& language);

// The catalogue of the English plural forms, for every English region and for C/POSIX.
QString englishCatalogueBaseName();

// Whether the entry names English (any region) or the C/POSIX locale.
bool readsEnglish(const QString& language);

// Loads the first wanted language whose catalogue loads, an English entry loading the English
// catalogue; returns its base name, or an empty string when none did (the translator then
// stays empty).
QString loadFirstAvailable(QTranslator& translator, const QStringList& wanted);

// The start-up sequence: reads "ui/language" and the system's languages, loads, and installs
// the translator on the application when a catalogue loaded, the English one when no wanted
// language has a catalogue. Returns whether one did.
bool installPreferredTranslation(QTranslator& translator);

// Numbers in the locale of the interface's language (its decimal separator, no grouping), for
// the spin boxes and the texts alike, whatever the system's locale says: a French window reads
// "0,20" everywhere, an English one "0.20". An empty language: the C locale.
void useNumbersOf(const QString& language);

// Qt's own catalogue (file dialogs, standard buttons) for the language of ours, from Qt's
// translations folder, installed on the application when it loads. Returns whether it did.
bool installQtTranslation(QTranslator& qtTranslator, const QString& language);

} // namespace TranslationLoader
