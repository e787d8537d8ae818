#include "logcapture.h"
#include "meshfixtures.h"
#include "partfiles.h"
#include "testsupport.h"

#include "foundation/stepimporter.h"
#include "foundation/stlimporter.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>

#include <Message_ProgressIndicator.hxx>

#include <BRepPrimAPI_MakeBox.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>
#include <BRep_Builder.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS_Compound.hxx>

#include <gtest/gtest.h>

using namespace MeshFixtures;

namespace {

class StepImporterTest : public PartFileTest
{
};

QByteArray stepFile(const QByteArray& data)
{
    return "ISO-10303-21;\nHEADER;\nFILE_DESCRIPTION(('test'),'2;1');\n"
           "FILE_NAME('t.step','2026-01-01T00:00:00',(''),(''),'','','');\n"
           "FILE_SCHEMA(('AUTOMOTIVE_DESIGN { 1 0 10303 214 1 1 1 1 }'));\nENDSEC;\nDATA;\n"
        + data + "ENDSEC;\nEND-ISO-10303-21;\n";
}

} // namespace

TEST_F(StepImporterTest, RoundTripKeepsVolumeAndBox)
{
    const TopoDS_Shape part = BRepPrimAPI_MakeBox(gp_Pnt(-3, 4, 1), 20.0, 10.0, 5.0).Shape();
    const QString step = path("part.step");
    ASSERT_TRUE(writeStep(part, step));
    const StepImportResult r = StepImporter::importStep(step);
    ASSERT_EQ(r.status, StepImportResult::Ok) << r.errorMessage.toStdString();
    EXPECT_EQ(r.rootCount, 1);
    EXPECT_EQ(r.failedRootCount, 0);
    ASSERT_EQ(r.shapes.size(), 1);
    EXPECT_TRUE(r.errorMessage.isEmpty());
    EXPECT_NEAR(TestSupport::volumeOf(r.shapes.first()), 1000.0, 1e-6);
    const TestSupport::Box b = TestSupport::boxOf(r.shapes.first());
    EXPECT_NEAR(b.xmin, -3, 1e-6);
    EXPECT_NEAR(b.ymax, 14, 1e-6);
    EXPECT_NEAR(b.zmax, 6, 1e-6);
}

TEST_F(StepImporterTest, EveryRootTransferringToNothingIsAFailure)
{
    ASSERT_TRUE(writeStep(BRepPrimAPI_MakeBox(20.0, 10.0, 5.0).Shape(), path("part.step")));
    QByteArray text = readBytes(path("part.step"));
    // The part's only representation keeps its placement but loses its solid.
    const QRegularExpressionMatch items =
        QRegularExpression("ADVANCED_BREP_SHAPE_REPRESENTATION\\('',\\((#\\d+),#\\d+\\)").match(QString::fromLatin1(text));
    ASSERT_TRUE(items.hasMatch());
    text.replace(items.captured(0).toLatin1(), ("ADVANCED_BREP_SHAPE_REPRESENTATION('',(" + items.captured(1) + ")").toLatin1());

    const StepImportResult r = StepImporter::importStep(file("nothing.step", text));
    EXPECT_EQ(r.status, StepImportResult::NoTransferableRoot);
    EXPECT_EQ(r.rootCount, 1);
    EXPECT_EQ(r.failedRootCount, 1);
    EXPECT_TRUE(r.shapes.isEmpty());
    EXPECT_EQ(r.errorMessage, QStringLiteral("None of the 1 root(s) of the STEP file could be transferred."));
}

TEST_F(StepImporterTest, BadFilesAreRefusedWithAWarning)
{
    ASSERT_TRUE(writeStep(BRepPrimAPI_MakeBox(20.0, 10.0, 5.0).Shape(), path("part.step")));
    const QByteArray whole = readBytes(path("part.step"));
    QByteArray stl = "solid x\nendsolid x\n";
    // An edge curve that no longer exists: the reader would build a part of absurd size.
    QByteArray unresolved = whole;
    const int line = unresolved.indexOf("\n#60 =");
    ASSERT_GT(line, 0);
    unresolved.remove(line, unresolved.indexOf(';', line) - line + 1);
    QByteArray garbled = whole;
    const int entity = garbled.indexOf("\n#50 =");
    garbled.replace(entity, garbled.indexOf(';', entity) - entity + 1, "\n#50 = ADVANCED_FACE(@@@;");

    // A unit that cannot be read would leave the part at the wrong scale.
    QByteArray garbledUnit = whole;
    const int unit = garbledUnit.indexOf("SI_UNIT(.MILLI.,.METRE.)");
    ASSERT_GT(unit, 0);
    garbledUnit.replace(unit, 24, "SI_UNIT(.MILLI.,#99999)");
    // An oriented edge that is its own edge element sends the transfer into endless recursion.
    QByteArray selfReference = whole;
    const int edge = selfReference.indexOf("ORIENTED_EDGE('',*,*,#");
    ASSERT_GT(edge, 0);
    const int edgeLine = selfReference.lastIndexOf('#', edge);
    const QByteArray edgeNumber = selfReference.mid(edgeLine, selfReference.indexOf(' ', edgeLine) - edgeLine);
    const int target = edge + int(qstrlen("ORIENTED_EDGE('',*,*,"));
    selfReference.replace(target, selfReference.indexOf(',', target) - target, edgeNumber);
    // A longer loop: the last vertex point refers to the first entity's owner.
    QByteArray loop = whole;
    loop.replace("#60 = ", "#60 = CARTESIAN_POINT('',(#61,0.,0.)); #9060 = ");
    loop.replace("#61 = ", "#61 = CARTESIAN_POINT('',(#60,0.,0.)); #9061 = ");
    // Entity numbers beyond the int range crash the parser, as a definition or a reference.
    ASSERT_EQ(loop.count("CARTESIAN_POINT('',(#6"), 2);
    QByteArray hugeReference = whole;
    hugeReference.replace("#21,", "#3000000000,");
    QByteArray hugeDefinition = whole;
    hugeDefinition.replace("\n#21 =", "\n#99999999999999999999 =");
    ASSERT_NE(hugeReference, whole);
    ASSERT_NE(hugeDefinition, whole);
    // An entity number defined again and again: the reader leaves memory unset for the copies.
    QByteArray redefined = whole;
    QByteArray copies;
    for (int i = 0; i < 200; ++i)
        copies += "#21 = CARTESIAN_POINT('',(0.,0.,0.));\n";
    redefined.replace("DATA;\n", "DATA;\n" + copies);
    QByteArray redefinedOnce = whole;
    redefinedOnce.replace("ENDSEC;\nEND-ISO", "#21 = CARTESIAN_POINT('',(1.,0.,0.));\nENDSEC;\nEND-ISO");
    ASSERT_NE(redefinedOnce, whole);
    // A text that never closes: behind it the scan saw only text, and the reader was handed the
    // numbers defined twice that follow (under valgrind, reads of unset memory, then a hang).
    // Which quote of a real file was the stray one cannot be told, so the small files say
    // where the text opens; the scan names the last quote that opens one.
    QByteArray unclosedText = whole;
    unclosedText.replace("DATA;\n", "DATA;\n#9001 = DESCRIPTIVE_REPRESENTATION_ITEM('open,#21);\n" + copies);
    // Texts the reader ends later than at their first closing quote: a quote ends a text only
    // when blanks and ',' or ')' follow, so what a scan ending at every quote took for text
    // reaches the reader.
    QByteArray selfReferenceBehindQuotes = selfReference;
    selfReferenceBehindQuotes.replace("ORIENTED_EDGE('',*,*," + edgeNumber + ",", "ORIENTED_EDGE('a'',*,*," + edgeNumber + ",");
    ASSERT_NE(selfReferenceBehindQuotes, selfReference);
    // The fault trap would catch the reader's endless recursion too, after reads of unset memory.
    const QByteArray refersBack = "The STEP file is damaged: entity " + edgeNumber + " refers back to itself.";
    QByteArray redefinedBehindQuotes = whole;
    redefinedBehindQuotes.replace("DATA;\n", "DATA;\n#9001 = DESCRIPTIVE_REPRESENTATION_ITEM('a'',#21);\n"
                                             "#21 = CARTESIAN_POINT('',(1.,0.,0.));\n");
    QByteArray unclosedComment = whole;
    unclosedComment.replace("DATA;\n", "DATA;\n/* open\n" + copies);
    const QByteArray unclosedTextSmall = stepFile("#1 = CARTESIAN_POINT('',(0.,0.,0.));\n"
                                                  "#2 = DESCRIPTIVE_REPRESENTATION_ITEM('it''s open,#1);\n"
                                                  "#1 = CARTESIAN_POINT($,(1.,0.,0.));\n");
    const QByteArray unclosedCommentSmall = stepFile("#1 = CARTESIAN_POINT('',(0.,0.,0.));\n/* open\n"
                                                     "#1 = CARTESIAN_POINT('',(1.,0.,0.));\n");
    const char* const damaged = "The STEP file is damaged";
    const char* const twice = "The STEP file is damaged: the entity number #21 is defined more than once.";
    struct Case { const char* name; QByteArray bytes; int status; const char* warningStart; const char* reasonStart; };
    const QList<Case> cases = {
        {"empty", QByteArray(), StepImportResult::ReadFailed, "StepImporter: empty file", "The STEP file is empty"},
        {"stl", stl, StepImportResult::ReadFailed, "StepImporter: not a readable STEP file", "The file is not a readable STEP file"},
        {"binary", QByteArray(3000, '\x9c'), StepImportResult::ReadFailed, "StepImporter: not a readable STEP file", "The file is not a readable STEP file"},
        {"half", whole.left(whole.size() / 2), StepImportResult::ReadFailed, "StepImporter: not a readable STEP file", "The file is not a readable STEP file"},
        {"no-end", whole.left(whole.lastIndexOf("ENDSEC;")), StepImportResult::ReadFailed, "StepImporter:", "The "},
        {"unresolved-reference", unresolved, StepImportResult::ReadFailed, "StepImporter: damaged file, 1 geometric", "The STEP file is damaged: 1 geometric"},
        {"garbled-entity", garbled, StepImportResult::ReadFailed, "StepImporter: damaged file", "The STEP file is damaged"},
        {"garbled-unit", garbledUnit, StepImportResult::ReadFailed, "StepImporter: damaged file", "The STEP file is damaged"},
        {"self-reference", selfReference, StepImportResult::ReadFailed, "StepImporter: damaged file", damaged},
        {"reference-loop", loop, StepImportResult::ReadFailed, "StepImporter: damaged file", damaged},
        {"huge-reference", hugeReference, StepImportResult::ReadFailed, "StepImporter: damaged file", damaged},
        {"huge-definition", hugeDefinition, StepImportResult::ReadFailed, "StepImporter: damaged file", damaged},
        {"defined-200-times", redefined, StepImportResult::ReadFailed, "StepImporter: damaged file", twice},
        {"defined-again-at-the-end", redefinedOnce, StepImportResult::ReadFailed, "StepImporter: damaged file", twice},
        {"self-reference-behind-a-doubled-quote", selfReferenceBehindQuotes, StepImportResult::ReadFailed, "StepImporter: damaged file", refersBack.constData()},
        {"redefinition-behind-a-doubled-quote", redefinedBehindQuotes, StepImportResult::ReadFailed, "StepImporter: damaged file", twice},
        // The reader ends that text at the "'," of the first copy and reads the others.
        {"unclosed-text-before-redefinitions", unclosedText, StepImportResult::ReadFailed, "StepImporter: damaged file", twice},
        {"unclosed-comment-before-redefinitions", unclosedComment, StepImportResult::ReadFailed, "StepImporter: damaged file", "The STEP file is damaged: the comment opened on line "},
        {"unclosed-text", unclosedTextSmall, StepImportResult::ReadFailed, "StepImporter: damaged file", "The STEP file is damaged: the text opened on line 9 never closes."},
        {"unclosed-comment", unclosedCommentSmall, StepImportResult::ReadFailed, "StepImporter: damaged file", "The STEP file is damaged: the comment opened on line 9 never closes."},
        {"no-data", stepFile(""), StepImportResult::NoTransferableRoot, nullptr, "The STEP file contains no transferable root."},
        // The reader crashes on a scope, beyond what the fault trap catches.
        {"scope", stepFile("#10 = CARTESIAN_POINT('',(0.,0.,0.));\n#20 = &SCOPE\n#21 = CARTESIAN_POINT('',(1.,0.,0.));\n"
                           "ENDSCOPE CARTESIAN_POINT('',(2.,0.,0.));\n"),
         StepImportResult::ReadFailed, "StepImporter: damaged file", "The STEP file uses scopes (&SCOPE), which cannot be read."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FoundationLogCapture log;
        const StepImportResult r = StepImporter::importStep(file(QString(c.name) + ".step", c.bytes));
        EXPECT_EQ(r.status, c.status);
        EXPECT_TRUE(r.shapes.isEmpty());
        // The caller shows this translated reason under its own message.
        EXPECT_TRUE(r.errorMessage.startsWith(QString::fromUtf8(c.reasonStart))) << r.errorMessage.toStdString();
        if (c.warningStart) {
            ASSERT_FALSE(log.warnings().isEmpty());
            EXPECT_TRUE(log.warnings().last().startsWith(c.warningStart)) << log.warnings().last().toStdString();
        }
        if (c.status == StepImportResult::ReadFailed) {
            EXPECT_EQ(r.rootCount, 0);
        }
    }
    const StepImportResult missing = StepImporter::importStep(path("missing.step"));
    EXPECT_EQ(missing.status, StepImportResult::ReadFailed);
    EXPECT_EQ(missing.rootCount, 0);
}

TEST_F(StepImporterTest, DamageOutsideTheGeometryDoesNotRefuseThePart)
{
    ASSERT_TRUE(writeStep(BRepPrimAPI_MakeBox(20.0, 10.0, 5.0).Shape(), path("part.step")));
    const QByteArray whole = readBytes(path("part.step"));
    const QByteArray duplicates = "#21 = CARTESIAN_POINT('',(0.,0.,0.));\n#21 = CARTESIAN_POINT('',(1.,0.,0.));\n";
    struct Case { const char* name; QByteArray beforeFirstEntity; QByteArray afterEnd; bool lowerCaseEnd = false; };
    const QList<Case> cases = {
        // A property pointing nowhere and an item with a missing attribute: neither carries geometry.
        // Numbers in a text or a comment define nothing.
        {"annotated", "#9001 = PROPERTY_DEFINITION('a','b',#99999);\n"
                      "#9002 = DESCRIPTIVE_REPRESENTATION_ITEM('a');\n"
                      "/* #21 = CARTESIAN_POINT('',(0.,0.,0.)); */\n"
                      "#9003 = DESCRIPTIVE_REPRESENTATION_ITEM('#21 = x;','#9003 = y');\n", {}},
        // Quotes inside a text that the reader does not take for its end.
        {"quotes-in-texts", "#9001 = DESCRIPTIVE_REPRESENTATION_ITEM('it''s #21 = x;','a'b;c'\t');\n"
                            "#9002 = DESCRIPTIVE_REPRESENTATION_ITEM('a' \r\n ,'b'' ');\n", {}},
        // The reader reads nothing after the end of the exchange.
        {"stray-text-after-the-end", {}, "stray 'text\n"},
        {"entities-after-the-end", {}, duplicates + "#9001 = DESCRIPTIVE_REPRESENTATION_ITEM('a',#9001);\n"},
        {"end-in-lower-case", {}, "/*", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QByteArray text = whole;
        text.insert(text.indexOf("\n#1 =") + 1, c.beforeFirstEntity);
        text += c.afterEnd;
        if (c.lowerCaseEnd)
            text.replace("END-ISO-10303-21;", "end-iso-10303-21;");
        const StepImportResult r = StepImporter::importStep(file(QString(c.name) + ".step", text));
        ASSERT_EQ(r.status, StepImportResult::Ok) << r.errorMessage.toStdString();
        ASSERT_EQ(r.shapes.size(), 1);
        EXPECT_NEAR(TestSupport::volumeOf(r.shapes.first()), 1000.0, 1e-6);
    }
}

// A surface model (open shells and no solid, as some component libraries ship) meshed with
// open edges and could not be carved: it is sewn into a solid, or said to be open.
TEST_F(StepImporterTest, SurfaceModelIsSewnIntoASolidOrSaidOpen)
{
    struct Case { const char* name; bool open; int sewn; int freeEdges; };
    for (const Case& c : {Case{"closed", false, 1, 0}, Case{"one-face-missing", true, 0, 4}}) {
        SCOPED_TRACE(c.name);
        const QString step = path(QString(c.name) + ".step");
        ASSERT_TRUE(PartFiles::writeStep(step, {PartFiles::boxSurfaces(20.0, 10.0, 5.0, c.open)}));
        ASSERT_TRUE(readBytes(step).contains("SHELL_BASED_SURFACE_MODEL"));

        const StepImportResult r = StepImporter::importStep(step);
        ASSERT_EQ(r.status, StepImportResult::Ok) << r.errorMessage.toStdString();
        ASSERT_EQ(r.shapes.size(), 1);
        EXPECT_EQ(r.sewnSurfaceRootCount, c.sewn);
        EXPECT_EQ(r.openSurfaceRootCount, 1 - c.sewn);
        EXPECT_EQ(r.freeEdgeCount, c.freeEdges);
        EXPECT_EQ(TopExp_Explorer(r.shapes.first(), TopAbs_SOLID).More(), !c.open);
        if (!c.open) {
            EXPECT_NEAR(TestSupport::volumeOf(r.shapes.first()), 1000.0, 1e-6);
        }
    }
}

TEST_F(StepImporterTest, SeveralRootsAndNonAsciiPath)
{
    TopoDS_Compound two;
    BRep_Builder builder;
    builder.MakeCompound(two);
    builder.Add(two, BRepPrimAPI_MakeBox(gp_Pnt(0, 0, 0), 10.0, 10.0, 10.0).Shape());
    builder.Add(two, BRepPrimAPI_MakeCylinder(gp_Ax2(gp_Pnt(30, 0, 0), gp::DZ()), 2.0, 5.0).Shape());
    const QString step = path("pièce-été.stp");
    ASSERT_TRUE(writeStep(two, step));
    const StepImportResult r = StepImporter::importStep(step);
    ASSERT_EQ(r.status, StepImportResult::Ok) << r.errorMessage.toStdString();
    EXPECT_EQ(r.failedRootCount, 0);
    double volume = 0.0;
    for (const TopoDS_Shape& s : r.shapes)
        volume += TestSupport::volumeOf(s);
    EXPECT_NEAR(volume, 1000.0 + M_PI * 4.0 * 5.0, 1e-6);
}

// A byte before an entity that the reader's lexer skips, or reads as a token its parser drops,
// leaves the entity to the reader: a number defined twice or a self-reference behind it must
// not hide from the scan, nor reach the reader and its endless recursion.
TEST_F(StepImporterTest, StrayByteBeforeAnEntityHidesNoDamage)
{
    ASSERT_TRUE(writeStep(BRepPrimAPI_MakeBox(20.0, 10.0, 5.0).Shape(), path("part.step")));
    const QByteArray whole = readBytes(path("part.step"));
    const QRegularExpressionMatch edge =
        QRegularExpression("\\n(#\\d+) = ORIENTED_EDGE\\('',\\*,\\*,(#\\d+),").match(QString::fromLatin1(whole));
    ASSERT_TRUE(edge.hasMatch());
    const QByteArray edgeNumber = edge.captured(1).toLatin1();
    const QByteArray selfReference =
        QByteArray(whole).replace(edge.captured(0).toLatin1(), "\n" + edgeNumber + " = ORIENTED_EDGE('',*,*," + edgeNumber + ",");

    struct Byte { const char* name; char value; };
    const QList<Byte> bytes = {{"NUL", '\0'},  {"form-feed", '\f'}, {"vertical-tab", '\v'}, {"0x01", '\x01'},
                               {"0x1a", '\x1a'}, {"0xff", '\xff'}, {"at", '@'},          {"star", '*'},
                               {"dollar", '$'},  {"ampersand", '&'}, {"backslash", '\\'}};
    for (const Byte& b : bytes) {
        const QByteArray stray(1, b.value);
        QByteArray twice = whole;
        twice.replace("ENDSEC;\nEND-ISO", stray + "#21 = CARTESIAN_POINT('',(1.,0.,0.));\nENDSEC;\nEND-ISO");
        const QByteArray loop = QByteArray(selfReference).replace("\n" + edgeNumber + " = ", "\n" + stray + edgeNumber + " = ");
        ASSERT_NE(twice, whole);
        ASSERT_NE(loop, selfReference);
        struct Row { const char* kind; QByteArray text; QString reason; };
        for (const Row& row : {Row{"defined-twice", twice, "The STEP file is damaged: the entity number #21 is defined more than once."},
                               Row{"self-reference", loop, "The STEP file is damaged: entity " + edgeNumber + " refers back to itself."}}) {
            SCOPED_TRACE(std::string(b.name) + " before an entity, " + row.kind);
            const StepImportResult r = StepImporter::importStep(file(QString("%1-%2.step").arg(b.name, row.kind), row.text));
            EXPECT_EQ(r.status, StepImportResult::ReadFailed);
            EXPECT_TRUE(r.shapes.isEmpty());
            EXPECT_EQ(r.errorMessage, row.reason);
        }
    }
}

// What lies past the end mark is never read: a sound part followed by 2 GB of zeros (a sparse
// file) imports at once, where the reader took minutes over the padding, and what follows the
// padding is not seen.
TEST_F(StepImporterTest, PaddingPastTheEndMarkIsNotRead)
{
    ASSERT_TRUE(writeStep(BRepPrimAPI_MakeBox(20.0, 10.0, 5.0).Shape(), path("part.step")));
    const QByteArray whole = readBytes(path("part.step"));
    constexpr qint64 kPadding = qint64(2) << 30;
    struct Row { const char* name; QByteArray afterPadding; };
    for (const Row& row : {Row{"zeros", {}}, Row{"zeros-then-entities", "#21 = CARTESIAN_POINT('',(1.,0.,0.));\n"}}) {
        SCOPED_TRACE(row.name);
        QFile padded(path(QString(row.name) + ".step"));
        ASSERT_TRUE(padded.open(QIODevice::WriteOnly));
        ASSERT_EQ(padded.write(whole), whole.size());
        ASSERT_TRUE(padded.resize(whole.size() + kPadding));
        ASSERT_TRUE(padded.seek(padded.size()));
        ASSERT_EQ(padded.write(row.afterPadding), row.afterPadding.size());
        padded.close();

        QElapsedTimer clock;
        clock.start();
        const StepImportResult r = StepImporter::importStep(padded.fileName());
        // Reading the padding took minutes; scanning it alone, seconds.
        EXPECT_LT(clock.elapsed(), 20000);
        ASSERT_EQ(r.status, StepImportResult::Ok) << r.errorMessage.toStdString();
        ASSERT_EQ(r.shapes.size(), 1);
        EXPECT_NEAR(TestSupport::volumeOf(r.shapes.first()), 1000.0, 1e-6);
        QFile::remove(padded.fileName());
    }
}

namespace {

// The user pressed Cancel before the work began.
class CancelledAtOnce : public Message_ProgressIndicator
{
public:
    Standard_Boolean UserBreak() override { return true; }
    void Show(const Message_ProgressScope&, const Standard_Boolean) override {}
};

} // namespace

// A cancelled import hands back no part, and says it was cancelled rather than failed.
TEST_F(StepImporterTest, CancelledImportGivesNoPart)
{
    const TopoDS_Shape box = BRepPrimAPI_MakeBox(20.0, 10.0, 5.0).Shape();
    ASSERT_TRUE(writeStep(box, path("part.step")));
    ASSERT_TRUE(MeshFixtures::writeBytes(path("part.stl"), MeshFixtures::binaryStl(MeshFixtures::cubeTriangles(10.0))));
    for (const char* suffix : {"step", "stl"}) {
        SCOPED_TRACE(suffix);
        const opencascade::handle<CancelledAtOnce> indicator = new CancelledAtOnce;
        const QString part = path(QString("part.") + suffix);
        if (QByteArray(suffix) == "step") {
            const StepImportResult r = StepImporter::importStep(part, indicator->Start());
            EXPECT_EQ(r.status, StepImportResult::Cancelled);
            EXPECT_TRUE(r.shapes.isEmpty());
            EXPECT_EQ(r.errorMessage, QStringLiteral("The import was cancelled."));
        } else {
            const StlImportResult r = StlImporter::importStl(part, -1.0, indicator->Start());
            EXPECT_TRUE(r.cancelled);
            EXPECT_FALSE(r.ok);
            EXPECT_TRUE(r.shape.IsNull());
        }
    }
}
