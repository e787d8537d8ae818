#include "childprocess.h"
#include "logcapture.h"
#include "meshfixtures.h"
#include "partfiles.h"
#include "testsupport.h"

#include "foundation/faulttrap.h"
#include "foundation/stepimporter.h"
#include "foundation/stlimporter.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <Message_ProgressIndicator.hxx>

#include <BRepPrimAPI_MakeBox.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>
#include <BRep_Builder.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS_Compound.hxx>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <csignal>
#include <cstring>
#include <malloc.h>
#include <sys/stat.h>

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
    // Lists nested deeper than the reader's stack: it would fault, and keep what it held.
    const QByteArray nested = stepFile("#1 = CARTESIAN_POINT(''," + QByteArray(200000, '(') + QByteArray(200000, ')') + ");\n");
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
        {"lists-nested-200000-deep", nested, StepImportResult::ReadFailed, "StepImporter: damaged file", "The STEP file is damaged: a record holds lists nested 200001 levels deep"},
        {"no-data", stepFile(""), StepImportResult::NoTransferableRoot, nullptr, "The STEP file contains no transferable root."},
        {"ends-after-a-hash", whole.left(whole.indexOf("#21") + 1), StepImportResult::ReadFailed, "StepImporter: not a readable STEP file", "The file is not a readable STEP file"},
        // The reader crashes on a record that opens a scope, beyond what the fault trap catches.
        {"scope", stepFile("#10 = CARTESIAN_POINT('',(0.,0.,0.));\n#20 = &SCOPE\n#21 = CARTESIAN_POINT('',(1.,0.,0.));\n"
                           "ENDSCOPE CARTESIAN_POINT('',(2.,0.,0.));\n"),
         StepImportResult::ReadFailed, "StepImporter: damaged file", "The STEP file uses scopes (&SCOPE), which cannot be read."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FoundationLogCapture log;
        const long long stranded = FaultTrap::strandedBytes();
        const StepImportResult r = StepImporter::importStep(file(QString(c.name) + ".step", c.bytes));
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(FaultTrap::strandedBytes(), stranded) << "refused before the reader could fault";
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
    struct Case { const char* name; QByteArray beforeFirstEntity; QByteArray afterEnd; bool lowerCaseEnd = false; QByteArray inHeader = {}; QByteArray beforeEnd = {}; };
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
        // A '"' right after a closing quote passes for a blank: no text is left open at the end.
        {"double-quote-after-a-quote", {}, {}, false, {}, "#9003 = DESCRIPTIVE_REPRESENTATION_ITEM('x'\",'y'\"\" );\n"},
        // The reader reads nothing after the end of the exchange.
        {"stray-text-after-the-end", {}, "stray 'text\n"},
        {"entities-after-the-end", {}, duplicates + "#9001 = DESCRIPTIVE_REPRESENTATION_ITEM('a',#9001);\n"},
        {"end-in-lower-case", {}, "/*", true},
        // The word of a scope where no record opens one is a syntax error the parser drops.
        {"scope-words", "&SCOPE\n#9001 = DESCRIPTIVE_REPRESENTATION_ITEM('a',&SCOPE);\n", {}, false, "&SCOPE\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QByteArray text = whole;
        text.insert(text.indexOf("\n#1 =") + 1, c.beforeFirstEntity);
        text.insert(text.indexOf("ENDSEC;"), c.inHeader);
        text.insert(text.lastIndexOf("ENDSEC;"), c.beforeEnd);
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
// file), where the reader took minutes over the padding, gives the reader the part's own bytes.
TEST_F(StepImporterTest, PaddingPastTheEndMarkIsNotRead)
{
    ASSERT_TRUE(writeStep(BRepPrimAPI_MakeBox(20.0, 10.0, 5.0).Shape(), path("part.step")));
    const QByteArray whole = readBytes(path("part.step"));
    constexpr qint64 kPadding = qint64(2) << 30;
    qint64 handed = -1;
    StepImporter::setReadSeam({{}, [&](qint64 n) { handed = n; }, {}});
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

        const StepImportResult r = StepImporter::importStep(padded.fileName());
        ASSERT_EQ(r.status, StepImportResult::Ok) << r.errorMessage.toStdString();
        EXPECT_EQ(handed, whole.indexOf("END-ISO-10303-21;") + qsizetype(qstrlen("END-ISO-10303-21;")));
        ASSERT_EQ(r.shapes.size(), 1);
        EXPECT_NEAR(TestSupport::volumeOf(r.shapes.first()), 1000.0, 1e-6);
        QFile::remove(padded.fileName());
    }
    StepImporter::setReadSeam({});
}

// The reader gets the bytes that were checked: a file rewritten between the check and the
// read (a self-reference put in) still gives the part as it was checked.
TEST_F(StepImporterTest, FileRewrittenAfterTheCheckDoesNotReachTheReader)
{
    ASSERT_TRUE(writeStep(BRepPrimAPI_MakeBox(20.0, 10.0, 5.0).Shape(), path("part.step")));
    const QByteArray whole = readBytes(path("part.step"));
    const QRegularExpressionMatch edge =
        QRegularExpression("\\n(#\\d+) = ORIENTED_EDGE\\('',\\*,\\*,(#\\d+),").match(QString::fromLatin1(whole));
    ASSERT_TRUE(edge.hasMatch());
    const QByteArray selfReference = QByteArray(whole).replace(
        edge.captured(0).toLatin1(), "\n" + edge.captured(1).toLatin1() + " = ORIENTED_EDGE('',*,*," + edge.captured(1).toLatin1() + ",");
    ASSERT_NE(selfReference, whole);
    StepImporter::setReadSeam(
        {[&](const QString& checked) { MeshFixtures::writeBytes(checked, selfReference); }, {}, {}});
    const StepImportResult r = StepImporter::importStep(path("part.step"));
    StepImporter::setReadSeam({});
    ASSERT_EQ(r.status, StepImportResult::Ok) << r.errorMessage.toStdString();
    ASSERT_EQ(r.shapes.size(), 1);
    EXPECT_NEAR(TestSupport::volumeOf(r.shapes.first()), 1000.0, 1e-6);
}

// A pipe would be read for ever and a folder or a device is no part: each is named for what it is.
TEST_F(StepImporterTest, WhatIsNoRegularFileIsSaidSo)
{
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("pipe.step")).constData(), 0600), 0);
    ASSERT_TRUE(QDir(m_dir.path()).mkdir("folder.step"));
    for (const QString& part : {path("pipe.step"), path("folder.step"), QStringLiteral("/dev/null")}) {
        SCOPED_TRACE(part.toStdString());
        const StepImportResult r = StepImporter::importStep(part);
        EXPECT_EQ(r.status, StepImportResult::ReadFailed);
        EXPECT_EQ(r.errorMessage, "The STEP file is not a regular file: " + part);
    }
    EXPECT_EQ(StepImporter::importStep(path("missing.step")).errorMessage,
              "The STEP file does not exist: " + path("missing.step"));
}

namespace {

// Breaks off when asked to: before the work, when the reader is about to read, once the
// reader's transfer of a root shows its first step, or when the test says.
class Canceller : public Message_ProgressIndicator
{
public:
    enum When { Never, AtOnce, AtTheRead, AtTheTransfer, BetweenRoots };
    explicit Canceller(When when) : m_when(when), m_broken(when == AtOnce) {}
    Standard_Boolean UserBreak() override { return m_broken; }
    void Show(const Message_ProgressScope& scope, const Standard_Boolean) override
    {
        if (m_when == AtTheTransfer && scope.Name() && std::strcmp(scope.Name(), "Transfer") == 0) {
            ++m_transferSteps;
            m_broken = true;
        }
    }
    void breakNow() { m_broken = true; }
    int transferSteps() const { return m_transferSteps; }

private:
    When m_when;
    std::atomic<bool> m_broken;
    std::atomic<int> m_transferSteps{0};
};

QByteArray withAssembly(const QByteArray& part, const QByteArray& records)
{
    // An assembly in the part's own context (#5 the part's definition, #8 product, #9 definition context).
    return QByteArray(part).replace("ENDSEC;\nEND-ISO", records + "ENDSEC;\nEND-ISO");
}

} // namespace

// An assembly that uses itself, directly or through another (or a shape that does), sent the
// reader's transfer into endless recursion: it is refused by name, again and again, and the next sound file imports.
TEST_F(StepImporterTest, AssemblyThatUsesItselfIsRefused)
{
    ASSERT_TRUE(writeStep(BRepPrimAPI_MakeBox(20.0, 10.0, 5.0).Shape(), path("part.step")));
    const QByteArray whole = readBytes(path("part.step"));
    ASSERT_TRUE(whole.contains("#5 = PRODUCT_DEFINITION(") && whole.contains("#8 = PRODUCT_CONTEXT(")
                && whole.contains("#10 = ADVANCED_BREP_SHAPE_REPRESENTATION('',(#11,")
                && whole.contains("#9 = PRODUCT_DEFINITION_CONTEXT("));
    const QByteArray assembly = "#9001 = PRODUCT('A','A','',(#8));\n#9002 = PRODUCT_DEFINITION_FORMATION('','',#9001);\n"
                                "#9003 = PRODUCT_DEFINITION('design','',#9002,#9);\n";
    const QByteArray other = "#9011 = PRODUCT('B','B','',(#8));\n#9012 = PRODUCT_DEFINITION_FORMATION('','',#9011);\n"
                             "#9013 = PRODUCT_DEFINITION('design','',#9012,#9);\n";
    struct Case { const char* name; QByteArray text; QString reason; };
    const QList<Case> cases = {
        {"uses-itself", withAssembly(whole, assembly + "#9020 = NEXT_ASSEMBLY_USAGE_OCCURRENCE('1','u','',#9003,#9003,$);\n"),
         "The STEP file is damaged: entities #9003, #9020 lead back to one another in a cycle."},
        {"part-uses-itself-under-a-root-assembly",
         withAssembly(whole, assembly + "#9020 = NEXT_ASSEMBLY_USAGE_OCCURRENCE('1','u','',#9003,#5,$);\n"
                                        "#9030 = NEXT_ASSEMBLY_USAGE_OCCURRENCE('2','u','',#5,#5,$);\n"),
         "The STEP file is damaged: entities #5, #9030 lead back to one another in a cycle."},
        {"uses-its-user", withAssembly(whole, assembly + other
                                                  + "#9020 = NEXT_ASSEMBLY_USAGE_OCCURRENCE('1','u','',#9003,#9013,$);\n"
                                                    "#9021 = NEXT_ASSEMBLY_USAGE_OCCURRENCE('2','u','',#9013,#9003,$);\n"),
         "The STEP file is damaged: entities #9003, #9020, #9013, #9021 lead back to one another in a cycle."},
        // The part's shape related to itself, to a shape related back to it, or mapped into itself.
        {"shape-related-to-itself", withAssembly(whole, "#9040 = SHAPE_REPRESENTATION_RELATIONSHIP('','',#10,#10);\n"),
         "The STEP file is damaged: entities #10, #9040 lead back to one another in a cycle."},
        {"shapes-related-both-ways",
         withAssembly(whole, "#9006 = SHAPE_REPRESENTATION('',(#11),$);\n"
                             "#9041 = ( REPRESENTATION_RELATIONSHIP('','',#10,#9006) "
                             "REPRESENTATION_RELATIONSHIP_WITH_TRANSFORMATION(#9043) SHAPE_REPRESENTATION_RELATIONSHIP() );\n"
                             "#9042 = SHAPE_REPRESENTATION_RELATIONSHIP('','',#9006,#10);\n"
                             "#9043 = ITEM_DEFINED_TRANSFORMATION('','',#11,#11);\n"),
         "The STEP file is damaged: entities #10, #9041, #9006, #9042 lead back to one another in a cycle."},
        {"shape-mapped-into-itself",
         withAssembly(whole, "#9006 = SHAPE_REPRESENTATION('',(#9050),$);\n#9050 = MAPPED_ITEM('',#9051,#11);\n"
                             "#9051 = REPRESENTATION_MAP(#11,#9006);\n"),
         "The STEP file is damaged: entities #9006, #9050, #9051 lead back to one another in a cycle."},
    };
    for (const Case& c : cases) {
        const QString step = file(QString(c.name) + ".step", c.text);
        for (const bool progress : {false, true}) {
            for (int run = 1; run <= 2; ++run) {
                SCOPED_TRACE(std::string(c.name) + (progress ? " with progress, run " : " without progress, run ") + std::to_string(run));
                const opencascade::handle<Canceller> indicator = new Canceller(Canceller::Never);
                const StepImportResult r = StepImporter::importStep(step, progress ? indicator->Start() : Message_ProgressRange());
                EXPECT_EQ(r.status, StepImportResult::ReadFailed);
                EXPECT_TRUE(r.shapes.isEmpty());
                EXPECT_EQ(r.errorMessage, c.reason);
            }
        }
    }
    const StepImportResult sound = StepImporter::importStep(path("part.step"));
    ASSERT_EQ(sound.status, StepImportResult::Ok) << sound.errorMessage.toStdString();
    EXPECT_NEAR(TestSupport::volumeOf(sound.shapes.first()), 1000.0, 1e-6);
}

// A cancelled import hands back no part, and says it was cancelled rather than failed, whether
// Cancel came before the work, during the reader's reading or during the transfer; and the
// next import reads the file whole. Cancel between two roots, asked of neither the reader's
// nor the transfer's own progress, stops it there: no root after it is transferred.
TEST_F(StepImporterTest, CancelledImportGivesNoPart)
{
    constexpr int kRoots = 12;
    constexpr int kCancelAfter = 2; // roots
    QList<TopoDS_Shape> boxes;
    for (int i = 0; i < kRoots; ++i)
        boxes << BRepPrimAPI_MakeBox(gp_Pnt(30.0 * i, 0, 0), 20.0, 10.0, 5.0).Shape();
    ASSERT_TRUE(PartFiles::writeStep(path("part.step"), boxes));
    ASSERT_TRUE(MeshFixtures::writeBytes(path("part.stl"), MeshFixtures::binaryStl(MeshFixtures::cubeTriangles(10.0))));
    for (const Canceller::When when :
         {Canceller::AtOnce, Canceller::AtTheRead, Canceller::AtTheTransfer, Canceller::BetweenRoots}) {
        SCOPED_TRACE(int(when));
        const opencascade::handle<Canceller> indicator = new Canceller(when);
        qint64 handed = -1;
        int transferred = 0;
        StepImporter::setReadSeam({[&](const QString&) {
                                       if (when == Canceller::AtTheRead)
                                           indicator->breakNow();
                                   },
                                   [&](qint64 n) { handed = n; },
                                   [&](int roots) {
                                       transferred = roots;
                                       if (when == Canceller::BetweenRoots && roots == kCancelAfter)
                                           indicator->breakNow();
                                   }});
        const StepImportResult r = StepImporter::importStep(path("part.step"), indicator->Start());
        StepImporter::setReadSeam({});
        EXPECT_EQ(r.status, StepImportResult::Cancelled);
        EXPECT_TRUE(r.shapes.isEmpty());
        EXPECT_EQ(r.errorMessage, QStringLiteral("The import was cancelled."));
        if (when == Canceller::AtTheRead) {
            EXPECT_EQ(handed, 0) << "the reader read on after Cancel";
        }
        if (when == Canceller::AtTheTransfer) {
            // Each root's transfer shows two steps: the first root's alone were shown.
            EXPECT_LE(indicator->transferSteps(), 2) << "the transfer went on after Cancel";
        }
        if (when == Canceller::BetweenRoots) {
            EXPECT_EQ(transferred, kCancelAfter) << "the transfer went on after Cancel";
        }
    }
    const opencascade::handle<Canceller> never = new Canceller(Canceller::Never);
    const StepImportResult whole = StepImporter::importStep(path("part.step"), never->Start());
    ASSERT_EQ(whole.status, StepImportResult::Ok);
    EXPECT_EQ(whole.rootCount, kRoots);
    EXPECT_EQ(whole.shapes.size(), kRoots);
    const opencascade::handle<Canceller> indicator = new Canceller(Canceller::AtOnce);
    const StlImportResult r = StlImporter::importStl(path("part.stl"), -1.0, indicator->Start());
    EXPECT_TRUE(r.cancelled);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.shape.IsNull());
}

namespace {

// Bytes the C library's allocator has handed out and not had back.
long long bytesInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return (long long)(info.uordblks + info.hblkhd);
}

// Faults the n-th time the reader asks whether to stop once armed, on the thread that reads:
// deep in the transfer's frames, which hold the reader's model and results.
class Faulter : public Message_ProgressIndicator
{
public:
    Standard_Boolean UserBreak() override
    {
        if (armed && std::this_thread::get_id() != m_reporter && ++m_asked == kAskedBeforeTheFault)
            std::raise(SIGSEGV);
        return false;
    }
    void Show(const Message_ProgressScope&, const Standard_Boolean) override {}

    std::atomic<bool> armed{false};

private:
    static constexpr int kAskedBeforeTheFault = 3;
    const std::thread::id m_reporter = std::this_thread::get_id();
    std::atomic<int> m_asked{0};
};

} // namespace

// A fault in the reader abandons its frames. What the reader read and built (its model, its
// graph, the transfer's results) is given back all the same, also what the abandoned frames
// still reach: faults one after another keep a small part of what the reader held, not all.
TEST_F(StepImporterTest, FaultInTheReaderKeepsLittleOfWhatItHeld)
{
    if (TestSupport::kUnderSanitizer)
        GTEST_SKIP() << "the sanitizers' allocator keeps its own books: the C library's counts do not see it";
    constexpr int kRoots = 40;
    constexpr int kFaults = 3;
    QList<TopoDS_Shape> boxes;
    for (int i = 0; i < kRoots; ++i)
        boxes << BRepPrimAPI_MakeBox(gp_Pnt(30.0 * i, 0, 0), 20.0, 10.0, 5.0).Shape();
    ASSERT_TRUE(PartFiles::writeStep(path("part.step"), boxes));
    // The first import warms what stays for the process (the reader's type tables, Qt's texts).
    ASSERT_EQ(StepImporter::importStep(path("part.step")).status, StepImportResult::Ok);

    for (const bool deep : {false, true}) {
        SCOPED_TRACE(deep ? "deep in the transfer" : "between two roots");
        long long before = 0;
        long long mostHeld = 0; // over what was in use before the import
        opencascade::handle<Faulter> faulter;
        StepImporter::setReadSeam({{}, {}, [&](int roots) {
                                       if (roots != kRoots - 2)
                                           return;
                                       mostHeld = std::max(mostHeld, bytesInUse() - before);
                                       if (deep)
                                           faulter->armed = true;
                                       else
                                           std::raise(SIGSEGV);
                                   }});
        const long long start = bytesInUse();
        for (int fault = 1; fault <= kFaults; ++fault) {
            SCOPED_TRACE(fault);
            faulter = new Faulter;
            before = bytesInUse();
            const StepImportResult r = StepImporter::importStep(path("part.step"), deep ? faulter->Start() : Message_ProgressRange());
            EXPECT_EQ(r.status, StepImportResult::ReadFailed);
            EXPECT_EQ(r.errorMessage, "The STEP file is damaged: the reader failed on it.");
        }
        faulter.Nullify();
        StepImporter::setReadSeam({});
        const long long keptPerFault = (bytesInUse() - start) / kFaults;
        ASSERT_GT(mostHeld, 1ll << 20) << "the reader held too little to tell";
        EXPECT_LT(keptPerFault, mostHeld / 10) << "kept per fault: " << keptPerFault << " bytes of " << mostHeld << " held";
    }
    const StepImportResult sound = StepImporter::importStep(path("part.step"));
    ASSERT_EQ(sound.status, StepImportResult::Ok) << sound.errorMessage.toStdString();
    EXPECT_EQ(sound.shapes.size(), kRoots);
}

