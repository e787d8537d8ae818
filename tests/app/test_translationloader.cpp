// Choice of the translation catalogue at start: stored language first, then the system's.
#include "app/translationloader.h"

#include "foundation/appsettings.h"
#include "testsupport.h"

#include <QCoreApplication>
#include <QTranslator>

#include <gtest/gtest.h>

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
        LoaderCase{"UnknownStoredValueIsSkipped", "xx_YY", {"fr-FR"}, kFrench}),
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
