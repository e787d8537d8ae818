// Footprint library: name normalisation, folders, index, three-level lookup, loading,
// built-in and embedded footprints, and bad input.

#include "footprintlibrarytestutil.h"
#include "testsupport.h"

#include "components/footprintmanager.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace FootprintLibraryTest;

namespace {

bool debugHas(const FoundationLogCapture& capture, const QString& text)
{
    return !capture.debugs().filter(text).isEmpty();
}

struct NormaliseRow { const char* input; const char* expected; };
void PrintTo(const NormaliseRow& row, std::ostream* out) { *out << '"' << row.input << '"'; }

class NormaliseName : public ::testing::TestWithParam<NormaliseRow> {};

TEST_P(NormaliseName, KeepsTextAfterLastColonTrimmed)
{
    const NormaliseRow row = GetParam();
    EXPECT_EQ(FootprintManager::normalizeFootprintName(QString::fromUtf8(row.input)),
              QString::fromUtf8(row.expected))
        << row.input;
}

INSTANTIATE_TEST_SUITE_P(Rows, NormaliseName, ::testing::Values(
    NormaliseRow{"", ""},
    NormaliseRow{"R_0603", "R_0603"},
    NormaliseRow{"Resistor_SMD:R_0603", "R_0603"},
    NormaliseRow{"  Resistor_SMD:R_0603 \t", "R_0603"},
    NormaliseRow{"Lib: R_0603 ", "R_0603"},
    NormaliseRow{"a:b:c", "c"},
    NormaliseRow{"Lib:", ""},
    NormaliseRow{"   ", ""}),
    [](const ::testing::TestParamInfo<NormaliseRow>& info) { return "Row" + std::to_string(info.index); });

class FootprintLibrary : public ::testing::Test
{
protected:
    QTemporaryDir m_root;
    QDir dir() const { return QDir(m_root.path()); }
    QString folder(const QString& name) const
    {
        const QString path = dir().filePath(name);
        QDir().mkpath(path);
        return path;
    }
};

TEST_F(FootprintLibrary, FoldersAreKeptOnceAndOnlyWhenTheyExist)
{
    FootprintManager library;
    const QString a = folder(QStringLiteral("a"));
    library.addSearchPath(a);
    library.addSearchPath(a);
    library.addSearchPath(dir().filePath(QStringLiteral("missing")));
    EXPECT_EQ(library.searchPaths(), QStringList{a});

    // Adding a missing folder leaves the index as it was: a file that appears later is unseen.
    writeFile(QDir(a), QStringLiteral("First.kicad_mod"), twoPadFootprint(QStringLiteral("First")));
    EXPECT_FALSE(library.findFootprintFile(QStringLiteral("First")).isEmpty());
    writeFile(QDir(a), QStringLiteral("Second.kicad_mod"), twoPadFootprint(QStringLiteral("Second")));
    library.addSearchPath(dir().filePath(QStringLiteral("still-missing")));
    EXPECT_TRUE(library.findFootprintFile(QStringLiteral("Second")).isEmpty());

    // A new folder invalidates the index.
    library.addSearchPath(folder(QStringLiteral("b")));
    EXPECT_FALSE(library.findFootprintFile(QStringLiteral("Second")).isEmpty());
}

// Each row: the files of one folder, the name looked up, the file expected (empty: none).
struct LookupRow { const char* label; QStringList files; const char* name; const char* expected; };
void PrintTo(const LookupRow& row, std::ostream* out) { *out << row.label; }

class LookupLevels : public ::testing::TestWithParam<LookupRow> {};

TEST_P(LookupLevels, FirstLevelWithACandidateDecides)
{
    const LookupRow row = GetParam();
    QTemporaryDir root;
    for (const QString& file : row.files)
        writeFile(QDir(root.path()), file, twoPadFootprint(QStringLiteral("x")));
    FootprintManager library;
    library.addSearchPath(root.path());
    const QString found = library.findFootprintFile(QString::fromUtf8(row.name));
    const QString expected = QString::fromUtf8(row.expected);
    if (expected.isEmpty())
        EXPECT_TRUE(found.isEmpty()) << found.toStdString();
    else
        EXPECT_EQ(found, root.path() + QLatin1Char('/') + expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, LookupLevels, ::testing::Values(
    LookupRow{"ExactInOtherCase", {"R_0603x.kicad_mod", "sub/R_0603_1608Metric.kicad_mod", "r_0603.kicad_mod"}, "R_0603", "r_0603.kicad_mod"},
    LookupRow{"SubWordInSubfolder", {"R_0603x.kicad_mod", "sub/R_0603_1608Metric.kicad_mod"}, "R_0603", "sub/R_0603_1608Metric.kicad_mod"},
    LookupRow{"PartialOnly", {"R_0603x.kicad_mod"}, "R_0603", "R_0603x.kicad_mod"},
    LookupRow{"UnderscoresBound", {"R0603x.kicad_mod", "C_0603_1608Metric.kicad_mod"}, "0603", "C_0603_1608Metric.kicad_mod"},
    LookupRow{"LetterDoesNotBound", {"R0603x.kicad_mod"}, "0603", "R0603x.kicad_mod"},
    LookupRow{"LaterOccurrenceBounded", {"ABx.kicad_mod", "xAB_AB.kicad_mod"}, "ab", "xAB_AB.kicad_mod"},
    LookupRow{"BlankAndDotBound", {"Big Part.v2.kicad_mod", "Partly.kicad_mod"}, "part", "Big Part.v2.kicad_mod"},
    LookupRow{"OnlyLastSuffixDropped", {"Foo.bar.kicad_mod"}, "foo.BAR", "Foo.bar.kicad_mod"},
    LookupRow{"NoMatch", {"R_0603.kicad_mod"}, "R_0805", ""}),
    [](const ::testing::TestParamInfo<LookupRow>& info) { return std::string(info.param.label); });

TEST_F(FootprintLibrary, AmbiguityAcrossFoldersIsReportedAndFirstFolderWins)
{
    const QString a = folder(QStringLiteral("a"));
    const QString b = folder(QStringLiteral("b"));
    const QString first = writeFile(QDir(a), QStringLiteral("R_0603.kicad_mod"), twoPadFootprint(QStringLiteral("R_0603")));
    const QString second = writeFile(QDir(b), QStringLiteral("r_0603.kicad_mod"), twoPadFootprint(QStringLiteral("r_0603")));
    FootprintManager library;
    library.addSearchPath(a);
    library.addSearchPath(b);

    FoundationLogCapture capture;
    EXPECT_EQ(library.findFootprintFile(QStringLiteral("R_0603")), first);
    EXPECT_TRUE(capture.contains(QStringLiteral("L1 ambiguity for \"R_0603\"")));
    EXPECT_TRUE(capture.contains(QStringLiteral("2 candidates:")));
    EXPECT_TRUE(capture.contains(QStringLiteral("•")));
    EXPECT_TRUE(capture.contains(second));
    EXPECT_TRUE(capture.contains(QStringLiteral("→ First candidate kept:")));
}

// Names are answered from what the index held when it was built: a name found nowhere stays
// unfound, and a found one keeps its file, until the folders change.
TEST_F(FootprintLibrary, LookupsHoldUntilTheFoldersChange)
{
    const QString a = folder(QStringLiteral("a"));
    const QString b = folder(QStringLiteral("b"));
    const QString first = writeFile(QDir(a), QStringLiteral("Part_A.kicad_mod"), twoPadFootprint(QStringLiteral("Part_A")));
    FootprintManager library;
    library.addSearchPath(a);
    EXPECT_EQ(library.findFootprintFile(QStringLiteral("Late")), QString());
    EXPECT_EQ(library.findFootprintFile(QStringLiteral("part_a")), first);
    // Written while the index is valid: not seen, and not looked for again.
    writeFile(QDir(a), QStringLiteral("Late.kicad_mod"), twoPadFootprint(QStringLiteral("Late")));
    writeFile(QDir(a), QStringLiteral("part_a.kicad_mod"), twoPadFootprint(QStringLiteral("part_a")));
    EXPECT_EQ(library.findFootprintFile(QStringLiteral("Late")), QString());
    EXPECT_EQ(library.findFootprintFile(QStringLiteral("part_a")), first);
    // A word inside a name, and a name found only inside another's.
    EXPECT_EQ(library.findFootprintFile(QStringLiteral("A")), first);
    EXPECT_EQ(library.findFootprintFile(QStringLiteral("art")), first);
    EXPECT_EQ(library.findFootprintFile(QStringLiteral("Part_A_")), QString());

    library.addSearchPath(b);
    EXPECT_EQ(library.findFootprintFile(QStringLiteral("Late")), QDir(a).filePath(QStringLiteral("Late.kicad_mod")));
    library.clearSearchPaths();
    EXPECT_EQ(library.findFootprintFile(QStringLiteral("Late")), QString());
    library.addSearchPath(a);
    EXPECT_FALSE(library.findFootprintFile(QStringLiteral("Late")).isEmpty());
}

TEST_F(FootprintLibrary, EmptyNameFailsWithWarning)
{
    FootprintManager library;
    FoundationLogCapture capture;
    EXPECT_FALSE(library.loadFootprint(FootprintManager::normalizeFootprintName(QStringLiteral("Lib:"))));
    EXPECT_TRUE(capture.contains(QStringLiteral("findFootprintFile: empty footprint name")));
}

TEST_F(FootprintLibrary, SubWordMatchIsCachedUnderBothNames)
{
    const QString a = folder(QStringLiteral("a"));
    writeFile(QDir(a), QStringLiteral("R_0603_1608Metric.kicad_mod"), twoPadFootprint(QStringLiteral("R_0603_1608Metric"), 1.6));
    FootprintManager library;
    library.addSearchPath(a);

    ASSERT_TRUE(library.loadFootprint(QStringLiteral("R_0603")));
    EXPECT_TRUE(library.hasFootprint(QStringLiteral("R_0603")));
    EXPECT_TRUE(library.hasFootprint(QStringLiteral("R_0603_1608Metric")));
    const FootprintData footprint = library.getFootprint(QStringLiteral("R_0603"));
    ASSERT_EQ(footprint.copperPads.size(), 2);
    EXPECT_NEAR(footprint.copperPads.at(0).posX, -0.8, 1e-9);
    EXPECT_FALSE(footprint.body.IsNull());
    EXPECT_DOUBLE_EQ(footprint.thickness, 1.0);
    EXPECT_DOUBLE_EQ(footprint.bodyUndercut, 0.4);

    const DebugRulesEnabled footprintDebug(QStringLiteral("vantorquelle.footprint.debug=true"));
    FoundationLogCapture capture;
    EXPECT_TRUE(library.loadFootprint(QStringLiteral("R_0603")));
    EXPECT_TRUE(debugHas(capture, QStringLiteral("✓ Footprint already loaded: \"R_0603\"")));
    EXPECT_FALSE(debugHas(capture, QStringLiteral("LOADING KICAD FILE")));
}

TEST_F(FootprintLibrary, MissingVersionIsLoggedAsUnknownAndLoads)
{
    const QString a = folder(QStringLiteral("a"));
    writeFile(QDir(a), QStringLiteral("NoVersion.kicad_mod"),
              "(module NoVersion (layer F.Cu)\n"
              "  (pad 1 thru_hole circle (at 0 2.5) (size 1.6 1.6) (drill 0.8) (layers *.Cu *.Mask))\n)\n");
    FootprintManager library;
    library.addSearchPath(a);
    const DebugRulesEnabled footprintDebug(QStringLiteral("vantorquelle.footprint.debug=true"));
    FoundationLogCapture capture;
    ASSERT_TRUE(library.loadFootprint(QStringLiteral("NoVersion")));
    EXPECT_TRUE(debugHas(capture, QStringLiteral("Detected format version: \"Inconnue\"")));
    const FootprintData footprint = library.getFootprint(QStringLiteral("NoVersion"));
    ASSERT_EQ(footprint.copperPads.size(), 1);
    EXPECT_NEAR(footprint.copperPads.at(0).posY, -2.5, 1e-9);
}

TEST_F(FootprintLibrary, BuiltinFootprintInAnyLetterCase)
{
    FootprintManager library;
    ASSERT_TRUE(library.loadFootprint(QStringLiteral("builtin_0805")));
    ASSERT_TRUE(library.hasFootprint(QStringLiteral("builtin_0805")));
    EXPECT_FALSE(library.hasFootprint(QStringLiteral("Builtin_0805")));
    const FootprintData footprint = library.getFootprint(QStringLiteral("builtin_0805"));
    EXPECT_TRUE(footprint.isBuiltin);
    EXPECT_EQ(footprint.name, QStringLiteral("builtin_0805"));
    EXPECT_EQ(footprint.path, QStringLiteral("builtin_0805"));
    ASSERT_EQ(footprint.copperPads.size(), 2);
    const FootprintPad& one = footprint.copperPads.at(0);
    const FootprintPad& two = footprint.copperPads.at(1);
    EXPECT_EQ(one.number, QStringLiteral("1"));
    EXPECT_EQ(two.number, QStringLiteral("2"));
    EXPECT_NEAR(one.posX, -0.9, 1e-9);
    EXPECT_NEAR(two.posX, 0.9, 1e-9);
    EXPECT_DOUBLE_EQ(one.width, 1.0);
    EXPECT_DOUBLE_EQ(one.height, 1.3);
    EXPECT_EQ(one.shape, QStringLiteral("rect"));
    EXPECT_EQ(one.layers, QStringLiteral("F.Cu"));

    const TestSupport::Box box = TestSupport::boxOf(footprint.body);
    EXPECT_NEAR(box.xmax - box.xmin, 2.0, 1e-6);
    EXPECT_NEAR(box.ymax - box.ymin, 1.25, 1e-6);
    EXPECT_NEAR(box.zmax - box.zmin, 0.6, 1e-6);
    EXPECT_NEAR(box.zmin, 0.0, 1e-6);

    EXPECT_FALSE(library.generateBuiltinFootprint(QStringLiteral("Builtin_0402")));
}

TEST_F(FootprintLibrary, LegacyModFileIsRefusedWithoutTryingBuiltins)
{
    const QString a = folder(QStringLiteral("a"));
    writeFile(QDir(a), QStringLiteral("Builtin_0603.mod"), "$MODULE Builtin_0603\n$EndMODULE\n");
    writeFile(QDir(a), QStringLiteral("Upper.KICAD_MOD"), twoPadFootprint(QStringLiteral("Upper")));
    FootprintManager library;
    library.addSearchPath(a);

    FoundationLogCapture capture;
    EXPECT_FALSE(library.loadFootprint(QStringLiteral("Builtin_0603")));
    EXPECT_TRUE(capture.contains(QStringLiteral("✗ Unsupported format")));
    EXPECT_FALSE(library.hasFootprint(QStringLiteral("Builtin_0603")));
    // Indexed (name filters ignore case) but refused on load: the suffix test is exact.
    EXPECT_FALSE(library.findFootprintFile(QStringLiteral("Upper")).isEmpty());
    EXPECT_FALSE(library.loadFootprint(QStringLiteral("Upper")));
}

TEST_F(FootprintLibrary, FileGoneAfterIndexingFailsWithoutTryingBuiltins)
{
    const QString a = folder(QStringLiteral("a"));
    const QString path = writeFile(QDir(a), QStringLiteral("Builtin_1206.kicad_mod"), twoPadFootprint(QStringLiteral("x")));
    FootprintManager library;
    library.addSearchPath(a);
    library.buildFootprintIndex();
    ASSERT_TRUE(QFile::remove(path));

    FoundationLogCapture capture;
    EXPECT_FALSE(library.loadFootprint(QStringLiteral("Builtin_1206")));
    EXPECT_TRUE(capture.contains(QStringLiteral("✗ Cannot open the file")));
    EXPECT_FALSE(library.hasFootprint(QStringLiteral("Builtin_1206")));
}

TEST_F(FootprintLibrary, VanishedFolderIsReportedOnIndexing)
{
    const QString a = folder(QStringLiteral("gone"));
    FootprintManager library;
    library.addSearchPath(a);
    ASSERT_TRUE(QDir(a).removeRecursively());
    FoundationLogCapture capture;
    EXPECT_TRUE(library.findFootprintFile(QStringLiteral("R_0603")).isEmpty());
    EXPECT_TRUE(capture.contains(QStringLiteral("no longer exists")));
}

TEST_F(FootprintLibrary, SymlinkLoopDoesNotTrapTheIndex)
{
    const QString a = folder(QStringLiteral("a"));
    writeFile(QDir(a), QStringLiteral("Only.kicad_mod"), twoPadFootprint(QStringLiteral("Only")));
    ASSERT_TRUE(QFile::link(a, QDir(a).filePath(QStringLiteral("loop"))));
    FootprintManager library;
    library.addSearchPath(a);
    FoundationLogCapture capture;
    EXPECT_EQ(library.findFootprintFile(QStringLiteral("Only")), QDir(a).filePath(QStringLiteral("Only.kicad_mod")));
    EXPECT_TRUE(capture.warnings().isEmpty()) << capture.warnings().join(QLatin1Char('\n')).toStdString();
}

// What the index lists is read only when it is a regular file, and only up to the cap.
TEST_F(FootprintLibrary, DevicesAndHugeFilesAreNotRead)
{
    const QString a = folder(QStringLiteral("a"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), QDir(a).filePath(QStringLiteral("Zero.kicad_mod"))));
    QFile huge(QDir(a).filePath(QStringLiteral("Huge.kicad_mod")));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
    ASSERT_TRUE(huge.resize(33 * 1024 * 1024)); // sparse, but a regular file of that size
    huge.close();
    FootprintManager library;
    library.addSearchPath(a);

    struct Row { const char* name; const char* warning; };
    for (const Row& row : {Row{"Zero", "✗ Cannot open the file"}, Row{"Huge", "✗ File too large to be a footprint"}}) {
        SCOPED_TRACE(row.name);
        FoundationLogCapture capture;
        const QString name = QString::fromLatin1(row.name);
        ASSERT_FALSE(library.findFootprintFile(name).isEmpty()) << "the index lists it";
        EXPECT_FALSE(library.loadFootprint(name));
        EXPECT_FALSE(library.hasFootprint(name));
        EXPECT_TRUE(capture.contains(QString::fromUtf8(row.warning))) << capture.warnings().join('\n').toStdString();
    }
}

struct BadFileRow { const char* label; QByteArray content; const char* warning; };
void PrintTo(const BadFileRow& row, std::ostream* out) { *out << row.label; }

class BadFootprintFile : public ::testing::TestWithParam<BadFileRow> {};

TEST_P(BadFootprintFile, IsRefusedWithAWarningAndNotCached)
{
    const BadFileRow row = GetParam();
    QTemporaryDir root;
    const QString path = writeFile(QDir(root.path()), QStringLiteral("Bad.kicad_mod"), row.content);
    FootprintManager library;
    library.addSearchPath(root.path());

    FoundationLogCapture capture;
    EXPECT_FALSE(library.loadFootprint(QStringLiteral("Bad"))) << row.label;
    EXPECT_FALSE(library.hasFootprint(QStringLiteral("Bad"))) << row.label;
    EXPECT_TRUE(capture.contains(QString::fromUtf8(row.warning))) << row.label;
    EXPECT_FALSE(library.loadFootprintFromFile(path)) << row.label;
}

QByteArray truncatedRealFootprint()
{
    QFile file(TestSupport::kicadFootprintRoot() + QStringLiteral("/Package_DIP.pretty/DIP-8_W7.62mm.kicad_mod"));
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("(footprint \"x\" (pad \"1\"");
    const QByteArray all = file.readAll();
    return all.left(all.size() / 2);
}

QByteArray binaryJunk()
{
    QByteArray junk(4096, '\0');
    for (int i = 0; i < junk.size(); ++i)
        junk[i] = char((i * 131 + 7) % 256);
    return junk;
}

INSTANTIATE_TEST_SUITE_P(Rows, BadFootprintFile, ::testing::Values(
    BadFileRow{"Empty", QByteArray(), "Not a KiCad footprint file"},
    BadFileRow{"Blank", QByteArray("  \n\t\n"), "Not a KiCad footprint file"},
    BadFileRow{"BinaryJunk", binaryJunk(), "Not a KiCad footprint file"},
    BadFileRow{"OtherSExpression", QByteArray("(kicad_pcb (version 20211014))"), "Not a KiCad footprint file"},
    BadFileRow{"Truncated", truncatedRealFootprint(), "Malformed footprint file"},
    BadFileRow{"ExtraClosingParenthesis", QByteArray("(footprint \"Bad\" (pad \"1\" smd rect (at 0 0) (size 1 1) (layers \"F.Cu\"))))"), "Malformed footprint file"},
    BadFileRow{"UnterminatedString", QByteArray("(footprint \"Bad (pad \"1\" smd rect (at 0 0) (size 1 1) (layers F.Cu)))"), "Malformed footprint file"}),
    [](const ::testing::TestParamInfo<BadFileRow>& info) { return std::string(info.param.label); });

TEST_F(FootprintLibrary, QuotedParenthesesAndEscapesDoNotUpsetTheCheck)
{
    const QString a = folder(QStringLiteral("a"));
    writeFile(QDir(a), QStringLiteral("Odd.kicad_mod"),
              "\xEF\xBB\xBF(footprint \"Odd\" (descr \"a ) b ( \\\" c\")\n"
              "  (pad \"1\" smd rect (at 0 0) (size 1 1) (layers \"F.Cu\")))\n");
    FootprintManager library;
    library.addSearchPath(a);
    ASSERT_TRUE(library.loadFootprint(QStringLiteral("Odd")));
    EXPECT_EQ(library.getFootprint(QStringLiteral("Odd")).copperPads.size(), 1);
}

TEST_F(FootprintLibrary, ExplicitFileIsCachedUnderItsBaseName)
{
    const QString path = writeFile(dir(), QStringLiteral("My.Part.KICAD_MOD"), twoPadFootprint(QStringLiteral("x")));
    FootprintManager library;
    ASSERT_TRUE(library.loadFootprintFromFile(path));
    EXPECT_TRUE(library.hasFootprint(QStringLiteral("My.Part")));
    EXPECT_EQ(library.getFootprint(QStringLiteral("My.Part")).path, path);

    FoundationLogCapture capture;
    EXPECT_FALSE(library.loadFootprintFromFile(dir().filePath(QStringLiteral("absent.kicad_mod"))));
    EXPECT_TRUE(capture.contains(QStringLiteral("loadFootprintFromFile: file not found:")));
    const QString legacy = writeFile(dir(), QStringLiteral("Old.mod"), "$MODULE Old\n");
    EXPECT_FALSE(library.loadFootprintFromFile(legacy));
    EXPECT_TRUE(capture.contains(QStringLiteral("loadFootprintFromFile: unsupported format:")));
}

FootprintData embeddedRecord(const QString& name, double padX)
{
    FootprintData footprint;
    footprint.name = name;
    FootprintPad pad;
    pad.number = QStringLiteral("1");
    pad.posX = padX;
    pad.shape = QStringLiteral("rect");
    pad.width = 2.0;
    pad.height = 1.0;
    pad.layers = QStringLiteral("F.Cu");
    footprint.copperPads = {pad};
    footprint.bodyHeight = 2.0;
    return footprint;
}

TEST_F(FootprintLibrary, EmbeddedFootprintReplacesAFileReadOneAndGetsABody)
{
    const QString a = folder(QStringLiteral("a"));
    writeFile(QDir(a), QStringLiteral("Shared.kicad_mod"), twoPadFootprint(QStringLiteral("Shared")));
    FootprintManager library;
    library.addSearchPath(a);
    ASSERT_TRUE(library.loadFootprint(QStringLiteral("Shared")));
    ASSERT_EQ(library.getFootprint(QStringLiteral("Shared")).copperPads.size(), 2);

    library.registerEmbeddedFootprint(embeddedRecord(QStringLiteral("Shared"), 5.0));
    const FootprintData restored = library.getFootprint(QStringLiteral("Shared"));
    ASSERT_EQ(restored.copperPads.size(), 1);
    // Pad 2 x 1 plus the default margins of 1 mm on each side.
    const TestSupport::Box box = TestSupport::boxOf(restored.body);
    EXPECT_NEAR(box.xmax - box.xmin, 4.0, 1e-6);
    EXPECT_NEAR(box.ymax - box.ymin, 3.0, 1e-6);
    EXPECT_NEAR(box.zmax - box.zmin, 2.0, 1e-6);
    // Served from the cache from now on, never from the file.
    EXPECT_TRUE(library.loadFootprint(QStringLiteral("Shared")));
    EXPECT_EQ(library.getFootprint(QStringLiteral("Shared")).copperPads.size(), 1);

    FoundationLogCapture capture;
    library.registerEmbeddedFootprint(FootprintData());
    EXPECT_TRUE(capture.contains(QStringLiteral("registerEmbeddedFootprint: unnamed footprint, skipped")));
}

// A design started or opened after another must never be served the other's embedded copy;
// the window registers again what its own components use.
TEST_F(FootprintLibrary, ClearingFoldersForgetsEveryFootprintEmbeddedOnesToo)
{
    const QString a = folder(QStringLiteral("a"));
    writeFile(QDir(a), QStringLiteral("FromFile.kicad_mod"), twoPadFootprint(QStringLiteral("FromFile")));
    writeFile(QDir(a), QStringLiteral("Shared.kicad_mod"), twoPadFootprint(QStringLiteral("Shared")));
    FootprintManager library;
    library.addSearchPath(a);
    library.registerEmbeddedFootprint(embeddedRecord(QStringLiteral("FromProject"), 0.0));
    library.registerEmbeddedFootprint(embeddedRecord(QStringLiteral("Shared"), 0.0));
    ASSERT_TRUE(library.loadFootprint(QStringLiteral("FromFile")));
    ASSERT_TRUE(library.loadFootprint(QStringLiteral("Builtin_0603")));
    ASSERT_EQ(library.getFootprint(QStringLiteral("Shared")).copperPads.size(), 1);

    library.clearSearchPaths();

    EXPECT_TRUE(library.searchPaths().isEmpty());
    for (const char* name : {"FromProject", "Shared", "FromFile", "Builtin_0603"})
        EXPECT_FALSE(library.hasFootprint(QString::fromLatin1(name))) << name;
    EXPECT_FALSE(library.loadFootprint(QStringLiteral("FromFile")));
    library.addSearchPath(a);
    EXPECT_TRUE(library.loadFootprint(QStringLiteral("FromFile")));
    // The library's file now, not the copy an earlier design embedded.
    ASSERT_TRUE(library.loadFootprint(QStringLiteral("Shared")));
    EXPECT_EQ(library.getFootprint(QStringLiteral("Shared")).copperPads.size(), 2);
    EXPECT_FALSE(library.loadFootprint(QStringLiteral("FromProject")));
}

} // namespace
