// Choice of the translation catalogue at start: stored language first, then the system's.
#include "app/translationloader.h"

#include "foundation/appsettings.h"
#include "testsupport.h"

#include <QCoreApplication>
#include <QTranslator>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>

namespace {

struct LoaderCase
{
    const char* name;
    QString stored;
    QStringList system;
    QString expected; // catalogue base name, empty when none loads
};

void PrintTo(const LoaderCase& c, std::ostream* os)
{
    *os << c.name;
}

class TranslationChoice : public ::testing::TestWithParam<LoaderCase>
{
};

TEST_P(TranslationChoice, LoadsTheFirstAvailableCatalogue)
{
    const LoaderCase& c = GetParam();
    QTranslator translator;
    const QStringList wanted = TranslationLoader::wantedLanguages(c.stored, c.system);
    EXPECT_EQ(TranslationLoader::loadFirstAvailable(translator, wanted), c.expected);
    if (c.expected.isEmpty())
        EXPECT_TRUE(translator.filePath().isEmpty());
    else
        EXPECT_EQ(translator.filePath(), c.expected + QStringLiteral(".qm"));
}

const QString kFrench = QStringLiteral(":/i18n/Vantorquelle_fr_FR");
const QString kEnglish = QStringLiteral(":/i18n/Vantorquelle_en_US");

INSTANTIATE_TEST_SUITE_P(
    Languages, TranslationChoice,
    ::testing::Values(
        LoaderCase{"StoredEnglishOnFrenchSystem", "en_US", {"fr-FR"}, kEnglish},
        LoaderCase{"CanadianFrenchFallsToEnglish", QString(), {"fr-CA", "en-US"}, kEnglish},
        LoaderCase{"GermanOnlyLoadsNothing", QString(), {"de-DE"}, QString()},
        LoaderCase{"StoredFrenchWinsOverLaterEntries", "fr_FR", {"en-US", "fr-FR"}, kFrench},
        LoaderCase{"UnknownStoredValueIsSkipped", "xx_YY", {"fr-FR"}, kFrench},
        LoaderCase{"BritishEnglishGetsTheEnglishForms", QString(), {"en-GB"}, kEnglish},
        LoaderCase{"BareEnglishGetsTheEnglishForms", QString(), {"en"}, kEnglish},
        LoaderCase{"CLocaleGetsTheEnglishForms", QString(), {"C"}, kEnglish},
        LoaderCase{"PosixLocaleGetsTheEnglishForms", QString(), {"POSIX"}, kEnglish},
        LoaderCase{"AustralianEnglishBeforeFrenchStaysEnglish", QString(), {"en-AU", "fr-FR"}, kEnglish},
        LoaderCase{"FrenchBeforeBritishStaysFrench", QString(), {"fr-FR", "en-GB"}, kFrench}),
    [](const ::testing::TestParamInfo<LoaderCase>& info) { return std::string(info.param.name); });

TEST(TranslationLoader, WantedListKeepsStoredFirstAndDuplicates)
{
    EXPECT_EQ(TranslationLoader::wantedLanguages(QStringLiteral("fr_FR"),
                                                 {QStringLiteral("fr-FR"), QStringLiteral("en")}),
              QStringList({"fr_FR", "fr-FR", "en"}));
    EXPECT_EQ(TranslationLoader::wantedLanguages(QString(), {QStringLiteral("de-DE")}),
              QStringList({"de-DE"}));
    EXPECT_EQ(TranslationLoader::catalogueBaseName(QStringLiteral("fr-FR")), kFrench);
}

TEST(TranslationLoader, StoredLanguageIsInstalledOnTheApplication)
{
    TestSupport::IsolatedSettings settings;
    AppSettings::setLanguage(QStringLiteral("fr_FR"));
    QTranslator translator;
    ASSERT_TRUE(TranslationLoader::installPreferredTranslation(translator));
    EXPECT_EQ(translator.language(), QStringLiteral("fr_FR"));
    EXPECT_TRUE(QCoreApplication::removeTranslator(&translator)) << "it was installed";
}

} // namespace

namespace {

// Qt's own texts (standard buttons, file dialogs) follow the language of our catalogue.
TEST(QtCatalogue, FollowsTheLanguageOfOurs)
{
    const QString before = QCoreApplication::translate("QPlatformTheme", "Cancel");
    {
        QTranslator ours;
        ASSERT_FALSE(TranslationLoader::loadFirstAvailable(ours, {QStringLiteral("fr_FR")}).isEmpty());
        QTranslator qt;
        ASSERT_TRUE(TranslationLoader::installQtTranslation(qt, ours.language()))
            << "Debian's qt6-translations-l10n provides qt_fr";
        EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Annuler"));
        QCoreApplication::removeTranslator(&qt);
    }
    QTranslator none;
    EXPECT_FALSE(TranslationLoader::installQtTranslation(none, QString()));
    EXPECT_FALSE(TranslationLoader::installQtTranslation(none, QStringLiteral("xx_XX")));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), before);
}

} // namespace

namespace {

// Sets environment variables (unset for an empty optional) and puts the old values back.
class EnvironmentOverride
{
public:
    explicit EnvironmentOverride(const std::map<std::string, std::optional<std::string>>& values)
    {
        for (const auto& [name, value] : values) {
            const char* old = std::getenv(name.c_str());
            m_saved[name] = old ? std::optional<std::string>(old) : std::nullopt;
            set(name, value);
        }
    }
    ~EnvironmentOverride()
    {
        for (const auto& [name, value] : m_saved)
            set(name, value);
    }
    EnvironmentOverride(const EnvironmentOverride&) = delete;
    EnvironmentOverride& operator=(const EnvironmentOverride&) = delete;

private:
    static void set(const std::string& name, const std::optional<std::string>& value)
    {
        if (value)
            qputenv(name.c_str(), QByteArray::fromStdString(*value));
        else
            qunsetenv(name.c_str());
    }
    std::map<std::string, std::optional<std::string>> m_saved;
};

struct SystemLocaleCase
{
    const char* name;
    const char* locale; // LANG and LC_ALL of the process
    const char* expected; // the 94 and the 1 of a plural text, as read
};

void PrintTo(const SystemLocaleCase& c, std::ostream* os)
{
    *os << c.name;
}

class PluralsUnderTheSystemLocale : public ::testing::TestWithParam<SystemLocaleCase>
{
};

// The start-up under the system's locale, with no stored language, reads a plural text in
// that locale's language, and in English with its plural forms wherever there is no catalogue.
TEST_P(PluralsUnderTheSystemLocale, StartUpGivesThePluralForms)
{
    const SystemLocaleCase& c = GetParam();
    // Qt reads the system locale once per process: the start-up runs in a fresh one.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const EnvironmentOverride environment({{"LANG", std::string(c.locale)},
                                           {"LC_ALL", std::string(c.locale)},
                                           {"LC_MESSAGES", std::nullopt},
                                           {"LANGUAGE", std::nullopt}});
    EXPECT_EXIT(
        {
            TestSupport::IsolatedSettings settings;
            QTranslator translator;
            const bool installed = TranslationLoader::installPreferredTranslation(translator);
            const QString text =
                QCoreApplication::translate("BoardExplorerPanel", "%n component(s)", nullptr, 94) + QLatin1Char('|')
                + QCoreApplication::translate("BoardExplorerPanel", "%n component(s)", nullptr, 1);
            std::fprintf(stderr, "system %s, catalogue %s: %s\n",
                         qPrintable(QLocale::system().uiLanguages().join(QLatin1Char(','))),
                         qPrintable(translator.filePath()), qPrintable(text));
            std::exit(installed && text == QString::fromUtf8(c.expected) ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

INSTANTIATE_TEST_SUITE_P(
    Locales, PluralsUnderTheSystemLocale,
    ::testing::Values(SystemLocaleCase{"BritishEnglish", "en_GB.UTF-8", "94 components|1 component"},
                      SystemLocaleCase{"CUtf8", "C.UTF-8", "94 components|1 component"},
                      SystemLocaleCase{"C", "C", "94 components|1 component"},
                      SystemLocaleCase{"German", "de_DE.UTF-8", "94 components|1 component"},
                      SystemLocaleCase{"French", "fr_FR.UTF-8", "94 composants|1 composant"}),
    [](const ::testing::TestParamInfo<SystemLocaleCase>& info) { return std::string(info.param.name); });

} // namespace
