// Settings: range checks and fallbacks per key, recent projects, remembered directories.
#include "logcapture.h"
#include "testsupport.h"

#include "foundation/appsettings.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <optional>

namespace {

QMap<QString, QVariant> snapshot()
{
    QSettings settings;
    QMap<QString, QVariant> values;
    for (const QString& key : settings.allKeys())
        values.insert(key, settings.value(key));
    return values;
}

void store(const char* key, const QVariant& value)
{
    QSettings().setValue(QLatin1String(key), value);
}

// One validated number: how to read and write it through the accessors, its default and range.
struct NumericKey
{
    const char* name;
    const char* key;
    std::function<double()> read;
    std::function<void(double)> write;
    double defaultValue;
    QList<double> accepted;
    QList<double> refused;
};

void PrintTo(const NumericKey& row, std::ostream* os)
{
    *os << row.key;
}

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

QList<NumericKey> numericKeys()
{
    using namespace AppSettings;
    return {
        {"Resistivity", kResistivityOhmCm, [] { return resistivityOhmCm(2.59); }, [](double v) { setResistivityOhmCm(v); },
         2.59, {1.72e-4, 2.59, 1e6}, {0.0, -1.0, kNaN, kInf}},
        {"LayerHeight", kLayerHeightMm, [] { return layerHeightMm(0.2); }, [](double v) { setLayerHeightMm(v); }, 0.2,
         {0.05, 0.3}, {0.0, -0.2, kNaN, kInf}},
        {"TrackWidth", kTrackWidthMm, [] { return routingRules().trackWidth; },
         [](double v) { RoutingRules r = routingRules(); r.trackWidth = v; setRoutingRules(r); }, 2.0, {0.4, 5.0},
         {0.0, -2.0, kNaN}},
        {"TrackHeight", kTrackHeightMm, [] { return routingRules().trackHeight; },
         [](double v) { RoutingRules r = routingRules(); r.trackHeight = v; setRoutingRules(r); }, 1.0, {0.2, 3.0},
         {0.0, -1.0, kNaN}},
        {"Clearance", kClearanceMm, [] { return routingRules().clearance; },
         [](double v) { RoutingRules r = routingRules(); r.clearance = v; setRoutingRules(r); }, 0.5, {0.0, 1.25},
         {-0.1, kNaN, kInf}},
        {"PadClearance", kPadClearanceMm, [] { return routingRules().padClearance; },
         [](double v) { RoutingRules r = routingRules(); r.padClearance = v; setRoutingRules(r); }, 0.5, {0.0, 0.8},
         {-0.5, kNaN}},
        {"ConductorPerimeters", kConductorPerimeters, [] { return double(conductorPerimeters(4)); },
         [](double v) { setConductorPerimeters(int(v)); }, 4, {1, 2, 12}, {0, -3}},
        {"AutoSaveInterval", kAutoSaveIntervalMinutes, [] { return double(autoSaveIntervalMinutes(5)); },
         [](double v) { setAutoSaveIntervalMinutes(int(v)); }, 5, {1, 30, 120}, {0, 121, -5}},
    };
}

class NumericSetting : public ::testing::TestWithParam<NumericKey>
{
protected:
    TestSupport::IsolatedSettings isolated;
};

} // namespace

TEST_P(NumericSetting, MissingReadsDefault)
{
    EXPECT_EQ(GetParam().read(), GetParam().defaultValue);
}

TEST_P(NumericSetting, StoredValuesInRangeAreReadOthersFallBack)
{
    const NumericKey& row = GetParam();
    for (double v : row.accepted) {
        store(row.key, v);
        EXPECT_DOUBLE_EQ(row.read(), v) << v;
    }
    for (double v : row.refused) {
        store(row.key, v);
        EXPECT_EQ(row.read(), row.defaultValue) << v;
    }
    for (const char* text : {"abc", "", "1,5", "nan", "inf"}) {
        store(row.key, QString::fromLatin1(text));
        EXPECT_EQ(row.read(), row.defaultValue) << text;
    }
    store(row.key, QStringList{"1", "2"});
    EXPECT_EQ(row.read(), row.defaultValue);
}

TEST_P(NumericSetting, RefusedWritesKeepThePreviousValueAndOtherKeys)
{
    const NumericKey& row = GetParam();
    // Every other key holds something, so a write that clobbers a neighbour shows.
    AppSettings::addRecentProject("/projects/a.vtq");
    AppSettings::setLanguage("fr_FR");
    AppSettings::setMainWindowGeometry(QByteArray("\x01\x02\x03", 3));
    for (const NumericKey& other : numericKeys())
        if (QLatin1String(other.key) != QLatin1String(row.key))
            store(other.key, other.accepted.last());

    const double kept = row.accepted.first();
    row.write(kept);
    const QMap<QString, QVariant> before = snapshot();
    for (double v : row.refused) {
        row.write(v);
        EXPECT_DOUBLE_EQ(row.read(), kept) << v;
    }
    EXPECT_EQ(snapshot(), before);

    row.write(row.accepted.last());
    EXPECT_DOUBLE_EQ(row.read(), row.accepted.last());
    QMap<QString, QVariant> after = snapshot();
    after.remove(QLatin1String(row.key));
    QMap<QString, QVariant> expected = before;
    expected.remove(QLatin1String(row.key));
    EXPECT_EQ(after, expected);
}

INSTANTIATE_TEST_SUITE_P(Keys, NumericSetting, ::testing::ValuesIn(numericKeys()),
                         [](const ::testing::TestParamInfo<NumericKey>& info) { return std::string(info.param.name); });

TEST(AppSettingsRouting, OneRefusedValueDoesNotBlockTheOthers)
{
    TestSupport::IsolatedSettings isolated;
    AppSettings::setRoutingRules({0.0, 1.5, -0.1, 0.0});
    const RoutingRules r = AppSettings::routingRules();
    EXPECT_EQ(r.trackWidth, 2.0);
    EXPECT_EQ(r.trackHeight, 1.5);
    EXPECT_EQ(r.clearance, 0.5);
    EXPECT_EQ(r.padClearance, 0.0);
    EXPECT_FALSE(QSettings().contains(AppSettings::kTrackWidthMm));
    EXPECT_FALSE(QSettings().contains(AppSettings::kClearanceMm));
}

TEST(AppSettingsPlain, DefaultsLanguageRemovalAndBinaryState)
{
    TestSupport::IsolatedSettings isolated;
    using namespace AppSettings;
    EXPECT_TRUE(embedPlanTxt(true));
    setEmbedPlanTxt(false);
    EXPECT_FALSE(embedPlanTxt(true));

    setLanguage("en_US");
    EXPECT_EQ(language(), "en_US");
    setLanguage(QString());
    EXPECT_FALSE(QSettings().contains(kLanguage));
    EXPECT_EQ(language(), QString());

    const QByteArray state("\x00\xff geometry", 11);
    setMainWindowGeometry(state);
    EXPECT_EQ(mainWindowGeometry(), state);
    EXPECT_TRUE(mainWindowDockState().isEmpty());

    setFootprintDirs({"/b", "/a", "/b"});
    EXPECT_EQ(footprintDirs(), QStringList({"/b", "/a", "/b"}));
}

TEST(AppSettingsRecent, CanonicalFormNewestFirst)
{
    TestSupport::IsolatedSettings isolated;
    AppSettings::addRecentProject("/work/a/b/../p.vtq");
    EXPECT_EQ(AppSettings::recentProjects(), QStringList({"/work/a/p.vtq"}));
    AppSettings::addRecentProject("/work/q.vtq");
    AppSettings::addRecentProject("/work/a/./p.vtq");
    EXPECT_EQ(AppSettings::recentProjects(), QStringList({"/work/a/p.vtq", "/work/q.vtq"}));
    AppSettings::addRecentProject(QString());
    AppSettings::removeRecentProject(QString());
    EXPECT_EQ(AppSettings::recentProjects().size(), 2);

    const QString relative = AppSettings::recentProjects().first();
    AppSettings::addRecentProject("rel.vtq");
    EXPECT_EQ(AppSettings::recentProjects().first(), QDir::cleanPath(QDir::current().absoluteFilePath("rel.vtq")));
    EXPECT_EQ(AppSettings::recentProjects().at(1), relative);
}

TEST(AppSettingsRecent, KeepsTheTenNewest)
{
    TestSupport::IsolatedSettings isolated;
    for (int i = 1; i <= 12; ++i)
        AppSettings::addRecentProject(QStringLiteral("/p/%1.vtq").arg(i));
    QStringList expected;
    for (int i = 12; i >= 3; --i)
        expected << QStringLiteral("/p/%1.vtq").arg(i);
    EXPECT_EQ(AppSettings::recentProjects(), expected);
    AppSettings::removeRecentProject("/p/7.vtq");
    EXPECT_FALSE(AppSettings::recentProjects().contains("/p/7.vtq"));
    EXPECT_EQ(AppSettings::recentProjects().size(), 9);
    AppSettings::clearRecentProjects();
    EXPECT_TRUE(AppSettings::recentProjects().isEmpty());
    EXPECT_FALSE(QSettings().contains(AppSettings::kRecentProjects));
}

TEST(AppSettingsRecent, LetterCaseFollowsTheFileSystem)
{
    TestSupport::IsolatedSettings isolated;
    AppSettings::addRecentProject("/boards/Board.vtq");
    AppSettings::addRecentProject("/boards/board.vtq");
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
    EXPECT_EQ(AppSettings::recentProjects(), QStringList({"/boards/board.vtq"}));
#else
    // Two different files here: neither may push the other out.
    EXPECT_EQ(AppSettings::recentProjects(), QStringList({"/boards/board.vtq", "/boards/Board.vtq"}));
    AppSettings::removeRecentProject("/boards/BOARD.vtq");
    EXPECT_EQ(AppSettings::recentProjects().size(), 2);
    AppSettings::removeRecentProject("/boards/Board.vtq");
    EXPECT_EQ(AppSettings::recentProjects(), QStringList({"/boards/board.vtq"}));
#endif
}

TEST(AppSettingsDirectories, KeysAndExistence)
{
    TestSupport::IsolatedSettings isolated;
    using namespace AppSettings;
    EXPECT_EQ(directoryKey(Geometry), "directories/geometry");
    EXPECT_EQ(directoryKey(Netlist), "directories/netlist");
    EXPECT_EQ(directoryKey(Project), "directories/project");
    EXPECT_EQ(directoryKey(ExportStep), "directories/exportStep");
    EXPECT_EQ(directoryKey(Footprints), "directories/footprints");
    EXPECT_EQ(directoryKey(Report), "directories/report");
    EXPECT_EQ(directoryKey(static_cast<DirectoryKind>(42)), "directories/unknown");

    QTemporaryDir dir;
    const QString sub = dir.filePath("exports");
    ASSERT_TRUE(QDir().mkpath(sub));
    rememberFileDirectory(ExportStep, sub + "/board.step");
    EXPECT_EQ(lastDirectory(ExportStep), sub);
    EXPECT_EQ(lastDirectory(Report), QString());
    setLastDirectory(ExportStep, QString()); // ignored
    EXPECT_EQ(lastDirectory(ExportStep), sub);
    rememberFileDirectory(ExportStep, QString()); // ignored
    EXPECT_EQ(lastDirectory(ExportStep), sub);
    ASSERT_TRUE(QDir(sub).removeRecursively());
    EXPECT_EQ(lastDirectory(ExportStep), QString());
}

struct SuffixRow
{
    const char* name;
    const char* fileName;
    QStringList suffixes;
    const char* expected;
};

void PrintTo(const SuffixRow& row, std::ostream* os)
{
    *os << row.name;
}

class EnsureSuffix : public ::testing::TestWithParam<SuffixRow>
{
};

TEST_P(EnsureSuffix, Result)
{
    EXPECT_EQ(AppSettings::ensureSuffix(GetParam().fileName, GetParam().suffixes), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, EnsureSuffix,
    ::testing::Values(SuffixRow{"UpperCaseKept", "board.VTQ", {"vtq"}, "board.VTQ"},
                      SuffixRow{"Appended", "board", {"vtq"}, "board.vtq"},
                      SuffixRow{"SecondSuffixKept", "board.stp", {"step", "stp"}, "board.stp"},
                      SuffixRow{"FirstSuffixAppended", "board.txt", {"step", "stp"}, "board.txt.step"},
                      SuffixRow{"EmptyList", "plan", {}, "plan"},
                      SuffixRow{"EmptyName", "", {"csv"}, ""},
                      SuffixRow{"NoDotNoMatch", "boardvtq", {"vtq"}, "boardvtq.vtq"}),
    [](const ::testing::TestParamInfo<SuffixRow>& info) { return std::string(info.param.name); });

namespace {

// Answers the next modal file dialog: records where it opened, then picks a file or cancels.
struct DialogAnswer
{
    QString openedIn;
    QString selected;
    QString pick; // empty: cancel
    std::optional<QMessageBox::StandardButton> confirm; // answer to a replace question, if one is expected
    bool asked = false;

    void arm()
    {
        QTimer::singleShot(0, [this] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog) {
                ADD_FAILURE() << "no file dialog";
                return;
            }
            openedIn = dialog->directory().absolutePath();
            selected = dialog->selectedFiles().value(0);
            if (pick.isEmpty()) {
                dialog->reject();
            } else {
                dialog->selectFile(pick);
                if (confirm)
                    QTimer::singleShot(0, [this] { answerQuestion(); });
                static_cast<QDialog*>(dialog)->accept(); // QFileDialog::accept is protected
            }
        });
    }

    void answerQuestion()
    {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        asked = true;
        EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::No));
        box->button(*confirm)->click();
    }
};

class FileDialogs : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
        ASSERT_TRUE(QDir().mkpath(remembered()));
        ASSERT_TRUE(QDir().mkpath(fallback()));
    }
    QString remembered() const { return root.filePath("remembered"); }
    QString fallback() const { return root.filePath("fallback"); }

    TestSupport::IsolatedSettings isolated;
    QTemporaryDir root;
};

} // namespace

TEST_F(FileDialogs, OpenStartsInRememberedOrFallbackAndRemembersChoice)
{
    AppSettings::setLastDirectory(AppSettings::Netlist, remembered());
    DialogAnswer answer;
    answer.arm();
    EXPECT_EQ(AppSettings::getOpenFileName(nullptr, AppSettings::Netlist, "Open", "*", fallback()), QString());
    EXPECT_EQ(answer.openedIn, remembered());

    ASSERT_TRUE(QDir(remembered()).removeRecursively());
    const QString chosen = fallback() + "/board.net";
    QFile f(chosen);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    answer.pick = chosen;
    answer.arm();
    EXPECT_EQ(AppSettings::getOpenFileName(nullptr, AppSettings::Netlist, "Open", "*", fallback()), chosen);
    EXPECT_EQ(answer.openedIn, fallback());
    EXPECT_EQ(AppSettings::lastDirectory(AppSettings::Netlist), fallback());
}

TEST_F(FileDialogs, CancelledDialogRemembersNothing)
{
    DialogAnswer answer;
    answer.arm();
    EXPECT_EQ(AppSettings::getOpenFileName(nullptr, AppSettings::Geometry, "Open", "*", fallback()), QString());
    EXPECT_EQ(answer.openedIn, fallback());
    EXPECT_FALSE(QSettings().contains(AppSettings::directoryKey(AppSettings::Geometry)));
}

TEST_F(FileDialogs, SaveStartsAtDefaultNameInRememberedFolderAndEnforcesSuffix)
{
    AppSettings::setLastDirectory(AppSettings::ExportStep, remembered());
    DialogAnswer answer;
    answer.pick = fallback() + "/carved";
    answer.arm();
    const QString result = AppSettings::getSaveFileName(nullptr, AppSettings::ExportStep, "Export", "STEP (*.step *.stp)",
                                                        {"step", "stp"}, "assembly.step");
    EXPECT_EQ(answer.openedIn, remembered());
    EXPECT_TRUE(answer.selected.endsWith("assembly.step")) << qPrintable(answer.selected);
    EXPECT_EQ(result, fallback() + "/carved.step");
    EXPECT_EQ(AppSettings::lastDirectory(AppSettings::ExportStep), fallback());
}

TEST_F(FileDialogs, AddedSuffixNeverReplacesAnotherFileUnasked)
{
    QFile existing(fallback() + "/carved.step");
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.close();
    for (const auto button : {QMessageBox::No, QMessageBox::Yes}) {
        DialogAnswer answer;
        answer.pick = fallback() + "/carved";
        answer.confirm = button;
        answer.arm();
        const QString result =
            AppSettings::getSaveFileName(nullptr, AppSettings::ExportStep, "Export", "*", {"step"}, "a.step");
        EXPECT_TRUE(answer.asked);
        EXPECT_EQ(result, button == QMessageBox::Yes ? fallback() + "/carved.step" : QString());
    }
}

TEST_F(FileDialogs, ExistingDirectoryIsRememberedItself)
{
    DialogAnswer answer;
    answer.pick = remembered();
    answer.arm();
    const QString chosen = AppSettings::getExistingDirectory(nullptr, AppSettings::Footprints, "Folder", fallback());
    EXPECT_EQ(answer.openedIn, fallback());
    EXPECT_EQ(QDir(chosen).absolutePath(), remembered());
    EXPECT_EQ(QDir(AppSettings::lastDirectory(AppSettings::Footprints)).absolutePath(), remembered());
}
