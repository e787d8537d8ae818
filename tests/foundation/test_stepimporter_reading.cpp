// What the check before the STEP reader sees against what the reader itself reads, and how
// much of a file the check reads.
#include "meshfixtures.h"
#include "childprocess.h"
#include "testsupport.h"

#include "foundation/stepimporter.h"
#include "foundation/stepscan.h"

#include <BRepPrimAPI_MakeBox.hxx>
#include <STEPControl_Reader.hxx>
#include <StepData_StepModel.hxx>

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace MeshFixtures;

namespace {

class StepReadingTest : public PartFileTest
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(writeStep(BRepPrimAPI_MakeBox(20.0, 10.0, 5.0).Shape(), path("box.step")));
        m_box = readBytes(path("box.step"));
        ASSERT_TRUE(m_box.contains("#5 = PRODUCT_DEFINITION(") && m_box.contains("#9 = PRODUCT_DEFINITION_CONTEXT("));
    }

    QByteArray m_box;
};

// The entity numbers OpenCASCADE's reader holds after reading the bytes, in its order.
std::vector<std::int64_t> readerNumbers(const QByteArray& bytes)
{
    std::istringstream stream(bytes.toStdString());
    STEPControl_Reader reader;
    reader.ReadStream("input.step", stream);
    const auto model = opencascade::handle<StepData_StepModel>::DownCast(reader.Model());
    std::vector<std::int64_t> numbers;
    for (int i = 1; !model.IsNull() && i <= model->NbEntities(); ++i)
        numbers.push_back(model->IdentLabel(model->Value(i)));
    return numbers;
}

// The box of the test's part whole, or the file refused with the reason given.
void expectBoxOrRefusal(const StepImportResult& r, const QString& reason)
{
    if (reason.isEmpty()) {
        ASSERT_EQ(r.status, StepImportResult::Ok) << r.errorMessage.toStdString();
        ASSERT_EQ(r.shapes.size(), 1);
        EXPECT_NEAR(TestSupport::volumeOf(r.shapes.first()), 20.0 * 10.0 * 5.0, 1e-6);
    } else {
        EXPECT_EQ(r.status, StepImportResult::ReadFailed);
        EXPECT_TRUE(r.shapes.isEmpty());
        EXPECT_EQ(r.errorMessage, reason);
    }
}

std::vector<std::int64_t> scanNumbers(const QByteArray& bytes)
{
    StepScan scan;
    scan.feed(bytes.constData(), std::size_t(bytes.size()));
    scan.finish();
    return scan.readable() ? scan.ids() : std::vector<std::int64_t>();
}

} // namespace

// A misspelled "DATA;" does not end the reader's reading: its parser takes what follows for more
// header up to an "ENDSEC;" that "DATA;" follows, and reads every record after that. A number
// defined twice or an assembly that uses itself there must not pass the check unseen.
TEST_F(StepReadingTest, SectionsTheReaderRecoversAreChecked)
{
    const QByteArray usesItself = "#9001 = PRODUCT('A','A','',(#8));\n#9002 = PRODUCT_DEFINITION_FORMATION('','',#9001);\n"
                                  "#9003 = PRODUCT_DEFINITION('design','',#9002,#9);\n"
                                  "#9020 = NEXT_ASSEMBLY_USAGE_OCCURRENCE('1','u','',#9003,#9003,$);\n";
    const QByteArray secondHeader = "ENDSEC;\nHEADER;\nFILE_DESCRIPTION(('again'),'2;1');\nENDSEC;\nDATA;\n";
    const QByteArray lost = "#21 = CARTESIAN_POINT('',(7.,0.,0.));\n";
    struct Row { const char* name; QByteArray text; QString reason; };
    const QList<Row> rows = {
        {"defined-twice-after-a-second-header",
         QByteArray(m_box).replace("DATA;\n", "DAXTA;\n" + lost + secondHeader)
             .replace("ENDSEC;\nEND-ISO", "#21 = CARTESIAN_POINT('',(1.,0.,0.));\nENDSEC;\nEND-ISO"),
         "The STEP file is damaged: the entity number #21 is defined more than once."},
        {"assembly-cycle-after-a-data-section-without-its-keyword",
         QByteArray(m_box).replace("DATA;\n", "ENDSEC;\nDATA;\n").replace("ENDSEC;\nEND-ISO", usesItself + "ENDSEC;\nEND-ISO"),
         "The STEP file is damaged: entities #9003, #9020 lead back to one another in a cycle."},
        // Sound: the records of the misspelled section are header to the reader, and the part
        // is read from the second.
        {"sound-after-a-second-header", QByteArray(m_box).replace("DATA;\n", "DATA\n" + lost + secondHeader), {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_NE(row.text, m_box);
        const std::vector<std::int64_t> read = readerNumbers(row.text);
        EXPECT_GT(read.size(), 300u);
        EXPECT_EQ(scanNumbers(row.text), read);

        expectBoxOrRefusal(StepImporter::importStep(file(QString(row.name) + ".step", row.text)), row.reason);
    }
}

namespace {

// A sparse file of size bytes that starts with head and holds zeros after it: nothing is stored.
bool writeSparse(const QString& path, const QByteArray& head, qint64 size)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(head) == head.size() && file.resize(size);
}

} // namespace

// What cannot be a STEP file is refused by its start, not read whole: 4 GB of zeros, or zeros
// after an opening mark or a comment that never closes. What can be is read as it goes.
TEST_F(StepReadingTest, WhatCannotBeAStepFileIsRefusedByItsStart)
{
    constexpr qint64 kSize = qint64(4) << 30;
    constexpr qint64 kStart = qint64(2) << 20; // what may be read before the refusal, at most
    struct Row { const char* name; QByteArray head; };
    for (const Row& row : {Row{"zeros", {}}, Row{"opening-mark-then-zeros", "ISO-10303-21;\n"},
                           Row{"open-comment-then-zeros", "/* a comment that never closes\n"},
                           Row{"stl", "solid part\nfacet normal 0 0 1\n"}}) {
        SCOPED_TRACE(row.name);
        const QString sparse = path(QString(row.name) + ".step");
        ASSERT_TRUE(writeSparse(sparse, row.head, kSize));
        const StepFileCheck check = StepImporter::checkFile(sparse);
        EXPECT_EQ(check.fault, StepFileCheck::NotStep);
        EXPECT_LE(check.bytesRead, kStart);
        EXPECT_LE(check.bytes.capacity(), kStart);
        const StepImportResult r = StepImporter::importStep(sparse);
        EXPECT_EQ(r.status, StepImportResult::ReadFailed);
        EXPECT_EQ(r.errorMessage, "The file is not a readable STEP file: " + sparse);
        QFile::remove(sparse);
    }
}

// A file that grows while it is read is read as it was when opened: the check ends, and what
// the file grew by (here the end mark) is not taken for part of it.
TEST_F(StepReadingTest, WhatAFileGrowsByAfterItWasOpenedIsNotRead)
{
    const QByteArray endMark = "END-ISO-10303-21;\n";
    const QByteArray cut = m_box.left(m_box.lastIndexOf(endMark));
    const QString growing = file("growing.step", cut);
    int grown = 0;
    const auto grow = [&] {
        QFile more(growing);
        if (grown < 8 && more.open(QIODevice::Append)) {
            more.write(endMark + QByteArray(2 << 20, ' '));
            ++grown;
        }
        return false;
    };
    const StepFileCheck check = StepImporter::checkFile(growing, grow);
    EXPECT_GE(grown, 1);
    EXPECT_EQ(check.bytesRead, cut.size());
    EXPECT_EQ(check.bytes, cut);
    EXPECT_FALSE(check.complete);
}

// A shortage of memory for the file's bytes is said to be one, not taken for damage nor let
// escape. In a child with its address space bounded, given a sparse file of zeros after a
// sound opening, which the scan must read on.
TEST_F(StepReadingTest, FileBeyondTheMemoryAvailableIsSaidToBe)
{
    if (TestSupport::kUnderSanitizer)
        GTEST_SKIP() << "the sanitizers reserve address space of their own and end the program when it runs out";
    const QString big = path("big.step");
    ASSERT_TRUE(writeSparse(big, "ISO-10303-21;\nHEADER;\nFILE_DESCRIPTION(('big'),'2;1');\nENDSEC;\nDATA;\n",
                            qint64(3) << 30));
    std::fflush(nullptr);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        struct rlimit limit = {};
        ::getrlimit(RLIMIT_AS, &limit);
        QFile status(QStringLiteral("/proc/self/status"));
        qint64 used = 0;
        if (status.open(QIODevice::ReadOnly)) {
            for (const QByteArray& line : status.readAll().split('\n')) {
                if (line.startsWith("VmSize:"))
                    used = line.mid(7).trimmed().split(' ').first().toLongLong() * 1024;
            }
        }
        limit.rlim_cur = rlim_t(used + (qint64(512) << 20));
        if (used == 0 || ::setrlimit(RLIMIT_AS, &limit) != 0)
            ::_exit(3);
        const StepFileCheck check = StepImporter::checkFile(big);
        const bool said = check.fault == StepFileCheck::TooLarge
            && check.reason == QStringLiteral("The STEP file is too large for the memory available: 3072 MB.");
        ::_exit(said ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the shortage escaped the check";
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

namespace {

// The box as the part of an assembly nested levels deep, each level placing the one below it
// as assembly files do: a usage, a shape of its own and the placement relating the two shapes.
QByteArray nestedAssembly(const QByteArray& box, int levels)
{
    QByteArray records;
    int below = 5;       // the box's product definition
    int belowShape = 10; // and its shape
    for (int level = 1; level <= levels; ++level) {
        const int b = 100000 + 20 * level;
        const auto n = [b](int k) { return "#" + QByteArray::number(b + k); };
        records += n(0) + " = PRODUCT('A','A','',(#8));\n" + n(1) + " = PRODUCT_DEFINITION_FORMATION('',''," + n(0) + ");\n"
            + n(2) + " = PRODUCT_DEFINITION('design',''," + n(1) + ",#9);\n" + n(3) + " = PRODUCT_DEFINITION_SHAPE('',''," + n(2)
            + ");\n" + n(4) + " = SHAPE_REPRESENTATION('',(#11),#345);\n" + n(5) + " = SHAPE_DEFINITION_REPRESENTATION(" + n(3)
            + "," + n(4) + ");\n" + n(6) + " = NEXT_ASSEMBLY_USAGE_OCCURRENCE('u','u',''," + n(2) + ",#" + QByteArray::number(below)
            + ",$);\n" + n(7) + " = PRODUCT_DEFINITION_SHAPE('',''," + n(6) + ");\n" + n(8)
            + " = ( REPRESENTATION_RELATIONSHIP('','',#" + QByteArray::number(belowShape) + "," + n(4)
            + ") REPRESENTATION_RELATIONSHIP_WITH_TRANSFORMATION(" + n(9) + ") SHAPE_REPRESENTATION_RELATIONSHIP() );\n" + n(9)
            + " = ITEM_DEFINED_TRANSFORMATION('','',#11,#11);\n" + n(10) + " = CONTEXT_DEPENDENT_SHAPE_REPRESENTATION(" + n(8)
            + "," + n(7) + ");\n";
        below = b + 2;
        belowShape = b + 4;
    }
    return QByteArray(box).replace("ENDSEC;\nEND-ISO", records + "ENDSEC;\nEND-ISO");
}

} // namespace

// An assembly nested deeper than the reader's stack can follow is said to be so, before the
// reader overflows on it (4,500 levels did); one nested as deep as may be still imports.
TEST_F(StepReadingTest, AssemblyNestedDeeperThanTheReaderFollowsIsSaidToBe)
{
    ASSERT_TRUE(m_box.contains("#10 = ADVANCED_BREP_SHAPE_REPRESENTATION('',(#11,") && m_box.contains("#345 = "));
    struct Row { int levels; QString reason; };
    for (const Row& row : {Row{1000, {}},
                           Row{1001, "The STEP file's assembly is nested 1001 levels deep, deeper than the reader can follow (1000 at most)."},
                           Row{4500, "The STEP file's assembly is nested 4500 levels deep, deeper than the reader can follow (1000 at most)."}}) {
        SCOPED_TRACE(row.levels);
        expectBoxOrRefusal(StepImporter::importStep(file(QString("nested-%1.step").arg(row.levels),
                                                         nestedAssembly(m_box, row.levels))),
                           row.reason);
    }
}

// A record of a type the reader does not know (a usage in lower case or misspelled) is held as
// words: the reader follows none of its references, so a cycle through it harms nothing, and
// the part reads whole. A cycle through types it knows is still refused.
TEST_F(StepReadingTest, CyclesThroughRecordsTheReaderDoesNotKnowAreNoFault)
{
    const QByteArray assembly = "#9001 = PRODUCT('A','A','',(#8));\n#9002 = PRODUCT_DEFINITION_FORMATION('','',#9001);\n"
                                "#9003 = PRODUCT_DEFINITION('design','',#9002,#9);\n";
    const auto with = [&](const QByteArray& records) { return QByteArray(m_box).replace("ENDSEC;\nEND-ISO", records + "ENDSEC;\nEND-ISO"); };
    struct Row { const char* name; QByteArray text; QString reason; };
    const QList<Row> rows = {
        {"usage-in-lower-case-naming-itself",
         with(assembly + "#9020 = next_assembly_usage_occurrence('1','u','',#9003,#9020,$);\n"), {}},
        {"misspelled-usage-naming-itself",
         with(assembly + "#9020 = NEXT_ASSEMBLY_USAGE_OCURRENCE('1','u','',#9003,#9020,$);\n"), {}},
        // Usages of other types the reader knows: it drops their references to a usage where a
        // product definition is wanted, and walks none of them as an assembly's.
        {"other-usage-naming-itself", with(assembly + "#9020 = PRODUCT_DEFINITION_USAGE('1','u','',#9003,#9020);\n"), {}},
        {"assembly-usage-naming-itself",
         with(assembly + "#9020 = NEXT_ASSEMBLY_USAGE_OCCURRENCE('1','u','',#9003,#9020,$);\n"), {}},
        {"usages-naming-each-other",
         with(assembly + "#9020 = ASSEMBLY_COMPONENT_USAGE('1','u','',#9003,#9021,$);\n"
                         "#9021 = PROMISSORY_USAGE_OCCURRENCE('2','u','',#9020,#9003,$);\n"), {}},
        {"higher-usage-above-itself",
         with(assembly + "#9020 = SPECIFIED_HIGHER_USAGE_OCCURRENCE('1','u','',#9003,#9020,$,#9020,#9020);\n"), {}},
        {"substitute-of-itself", with(assembly + "#9020 = ASSEMBLY_COMPONENT_USAGE_SUBSTITUTE('1','',#9020,#9020);\n"), {}},
        {"usage-in-a-cycle-through-another-record",
         with(assembly + "#9020 = PRODUCT_DEFINITION_USAGE('1','u','',#9003,#9060);\n"
                         "#9060 = CARTESIAN_POINT('',(#9020,0.,0.));\n"),
         "The STEP file is damaged: entities #9020, #9060 lead back to one another in a cycle."},
        {"unknown-records-naming-each-other", with("#9060 = NO_SUCH_TYPE(#9061);\n#9061 = NO_SUCH_TYPE(#9060);\n"), {}},
        {"known-records-naming-each-other",
         with("#9060 = CARTESIAN_POINT('',(#9061,0.,0.));\n#9061 = CARTESIAN_POINT('',(#9060,0.,0.));\n"),
         "The STEP file is damaged: entities #9060, #9061 lead back to one another in a cycle."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        expectBoxOrRefusal(StepImporter::importStep(file(QString(row.name) + ".step", row.text)), row.reason);
    }
}

