// The 3MF package export on a real design: entries and their order under each option, the
// fixed documents, the plate shift, the pause heights the slicer needs, and failures that must
// leave the previous file untouched.
#include "logcapture.h"
#include "packagereader.h"
#include "threemfdesign.h"

#include "outputs/exportoptions.h"
#include "outputs/threemfexporter.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTranslator>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <csignal>
#include <cmath>
#include <sys/resource.h>

namespace {

const QString kTxt = QStringLiteral("Metadata/Vantorquelle_PrintPlan.txt");
const QString kCsv = QStringLiteral("Metadata/Vantorquelle_PrintPlan.csv");
const QString kConfig = QStringLiteral("Metadata/Slic3r_PE_model.config");
const QString kPauses = QStringLiteral("Metadata/Prusa_Slicer_custom_gcode_per_print_z.xml");
const QString kRels = QStringLiteral("3D/_rels/3dmodel.model.rels");

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Attribute values of every element with the name, in document order.
QList<QXmlStreamAttributes> elements(const QByteArray& xml, const QString& name)
{
    QList<QXmlStreamAttributes> out;
    QXmlStreamReader reader(xml);
    while (!reader.atEnd())
        if (reader.readNext() == QXmlStreamReader::StartElement && reader.name() == name)
            out.append(reader.attributes());
    EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString();
    return out;
}

double lowestZ(const QByteArray& model)
{
    double low = HUGE_VAL;
    for (const QXmlStreamAttributes& v : elements(model, QStringLiteral("vertex")))
        low = std::min(low, v.value(QStringLiteral("z")).toDouble());
    return low;
}

PrintPlanPause pauseAt(int layer, double h, const QStringList& refs)
{
    PrintPlanPause pause;
    pause.layer = layer;
    pause.z = layer * h;
    for (const QString& ref : refs) {
        PrintPlanItem item;
        item.ref = ref;
        pause.items.append(item);
    }
    return pause;
}

PrintPlan handPlan(double h, double partHeight, const QList<PrintPlanPause>& pauses)
{
    PrintPlan plan;
    plan.ok = true;
    plan.layerHeight = h;
    plan.partHeight = partHeight;
    plan.pauses = pauses;
    return plan;
}

class ThreeMfExport : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_design = new ThreeMfDesign;
        ThreeMfDesignSpec spec;
        spec.components = 4;
        spec.partX = 50.0;
        spec.partY = 40.0;
        spec.partZ = 12.0;
        s_ready = buildThreeMfDesign(spec, *s_design, &s_why);
    }
    static void TearDownTestSuite()
    {
        delete s_design;
        s_design = nullptr;
    }
    void SetUp() override
    {
        if (!s_ready)
            GTEST_SKIP() << s_why.toStdString();
        if (!pythonAvailable())
            GTEST_SKIP() << "python3 not installed";
    }

    ThreeMfExportSummary exportTo(const QString& path, const PrintPlan& plan, const ExportOptions& options)
    {
        return ThreeMfExporter().exportThreeMf(path, s_design->input(), plan, options);
    }
    QString target() const { return dir.filePath(QStringLiteral("board.3mf")); }

    static ThreeMfDesign* s_design;
    static bool s_ready;
    static QString s_why;
    QTemporaryDir dir;
};

ThreeMfDesign* ThreeMfExport::s_design = nullptr;
bool ThreeMfExport::s_ready = false;
QString ThreeMfExport::s_why;

} // namespace

TEST_F(ThreeMfExport, EntriesFollowTheOptionsAndThePlan)
{
    const PrintPlan good = s_design->plan(0.2);
    ASSERT_TRUE(good.ok) << good.error.toStdString();
    ASSERT_GE(good.pauses.size(), 2) << "the design sinks components at several depths";
    const PrintPlan failed = s_design->plan(std::nan(""));
    ASSERT_FALSE(failed.ok);
    PrintPlan noPauses = good;
    noPauses.pauses.clear();

    struct Row
    {
        const char* what;
        bool txt, csv;
        int mode;
        bool native;
        const PrintPlan* plan;
        QStringList metadata;
        int pauses;
    };
    const QString base = QStringLiteral("[Content_Types].xml,_rels/.rels,3D/3dmodel.model");
    const Row rows[] = {
        {"bare part", false, false, 0, true, &good, {}, 0},
        {"everything", true, true, 1, true, &good, {kTxt, kCsv, kConfig, kPauses}, int(good.pauses.size())},
        {"failed plan", true, true, 1, true, &failed, {kTxt, kCsv, kConfig}, 0},
        {"plan without pauses", true, false, 1, true, &noPauses, {kTxt, kConfig}, 0},
        {"part export", false, true, 1, false, &good, {kCsv, kConfig}, 0},
        {"no slicer configuration", false, false, 2, true, &good, {}, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ExportOptions options;
        options.embedPlanTxt = row.txt;
        options.embedPlanCsv = row.csv;
        options.slicerConfigMode = row.mode;
        options.nativePauses = row.native;
        const ThreeMfExportSummary summary = exportTo(target(), *row.plan, options);
        ASSERT_TRUE(summary.ok) << summary.error.toStdString();
        EXPECT_EQ(summary.nativePauseCount, row.pauses);

        const PackageEntries package = readPackage(target());
        ASSERT_TRUE(package.ok) << package.error.toStdString();
        QStringList expected = base.split(',');
        if (!row.metadata.isEmpty())
            expected << kRels << row.metadata;
        EXPECT_EQ(package.names(), expected);

        if (!row.metadata.isEmpty()) {
            QByteArray rels = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Relationships "
                              "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
            for (int i = 0; i < row.metadata.size(); ++i)
                rels += "<Relationship Id=\"rel" + QByteArray::number(i + 1)
                        + "\" Type=\"http://schemas.openxmlformats.org/package/2006/relationships/mustpreserve\""
                          " Target=\"/" + row.metadata[i].toUtf8() + "\"/>";
            rels += "</Relationships>";
            EXPECT_EQ(package.data(kRels).toStdString(), rels.toStdString());
        }
        if (row.txt) {
            const QByteArray txt = package.data(kTxt);
            EXPECT_FALSE(txt.startsWith("\xEF\xBB\xBF")) << "no byte-order mark";
            if (!row.plan->ok) {
                EXPECT_TRUE(QString::fromUtf8(txt).contains(row.plan->error)) << txt.left(400).toStdString();
            }
        }
    }
}

TEST_F(ThreeMfExport, FixedDocumentsAreWrittenExactly)
{
    ExportOptions options;
    ASSERT_TRUE(exportTo(target(), s_design->plan(0.2), options).ok);
    const PackageEntries package = readPackage(target());
    ASSERT_TRUE(package.ok) << package.error.toStdString();
    EXPECT_EQ(package.data("[Content_Types].xml").toStdString(),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
              "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
              "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
              "<Default Extension=\"model\" ContentType=\"application/vnd.ms-package.3dmanufacturing-3dmodel+xml\"/>"
              "<Default Extension=\"txt\" ContentType=\"text/plain\"/>"
              "<Default Extension=\"csv\" ContentType=\"text/csv\"/>"
              "<Default Extension=\"config\" ContentType=\"text/xml\"/>"
              "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
              "</Types>");
    EXPECT_EQ(package.data("_rels/.rels").toStdString(),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
              "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
              "<Relationship Id=\"rel0\" Type=\"http://schemas.microsoft.com/3dmanufacturing/2013/01/3dmodel\""
              " Target=\"/3D/3dmodel.model\"/></Relationships>");
}

TEST_F(ThreeMfExport, VolumesCoverTheModelPartFirstThenEveryConductor)
{
    ExportOptions options;
    options.conductorPerimeters = 3;
    const ThreeMfExportSummary summary = exportTo(target(), s_design->plan(0.2), options);
    ASSERT_TRUE(summary.ok) << summary.error.toStdString();
    EXPECT_EQ(summary.cavitiesFailed, 0);
    EXPECT_GE(summary.conductorGroups, 2);
    EXPECT_EQ(summary.partCount, 1 + summary.conductorGroups - summary.droppedConductors);
    EXPECT_EQ(summary.droppedConductors, 0);
    EXPECT_EQ(summary.openShells + summary.unmeshedFaces + summary.nonManifoldEdges, 0);

    const PackageEntries package = readPackage(target());
    ASSERT_TRUE(package.ok);
    const int triangles = int(elements(package.data("3D/3dmodel.model"), "triangle").size());
    EXPECT_EQ(triangles, summary.triangleCount);

    const QList<QXmlStreamAttributes> volumes = elements(package.data(kConfig), "volume");
    ASSERT_EQ(volumes.size(), summary.partCount);
    int next = 0;
    for (const QXmlStreamAttributes& volume : volumes) {
        EXPECT_EQ(volume.value("firstid").toInt(), next);
        next = volume.value("lastid").toInt() + 1;
    }
    EXPECT_EQ(next, triangles);

    QStringList names;
    int perimeterEntries = 0;
    for (const QXmlStreamAttributes& m : elements(package.data(kConfig), "metadata")) {
        if (m.value("type") == QLatin1String("volume") && m.value("key") == QLatin1String("name"))
            names.append(m.value("value").toString());
        if (m.value("key") == QLatin1String("perimeters")) {
            EXPECT_EQ(m.value("value"), QLatin1String("3"));
            ++perimeterEntries;
        }
    }
    ASSERT_FALSE(names.isEmpty());
    EXPECT_EQ(names.first(), "Vantorquelle_Piece");
    EXPECT_EQ(names.filter(QRegularExpression("^Cond_.+")).size(), summary.partCount - 1);
    EXPECT_EQ(perimeterEntries, summary.partCount - 1);
}

TEST_F(ThreeMfExport, ModelSitsOnThePlateWhereThePlanCountsItsLayers)
{
    const PrintPlan good = s_design->plan(0.2);
    ASSERT_DOUBLE_EQ(good.zMin, 3.0);
    PrintPlan offset = good; // a plan measured from elsewhere moves the model with it
    offset.zMin = 1.0;
    const PrintPlan failed = s_design->plan(-1.0);

    struct Row { const char* what; const PrintPlan* plan; double lowest; };
    const Row rows[] = {{"valid plan", &good, 0.0}, {"plan bottom 1 mm", &offset, 2.0}, {"failed plan", &failed, 0.0}};
    for (const Row& row : rows) {
        ExportOptions options;
        ASSERT_TRUE(exportTo(target(), *row.plan, options).ok) << row.what;
        const PackageEntries package = readPackage(target());
        EXPECT_NEAR(lowestZ(package.data("3D/3dmodel.model")), row.lowest, 1e-6) << row.what;
    }
}

TEST_F(ThreeMfExport, PausesStopTheSlicerAfterThePlansLayer)
{
    const PrintPlan plan = s_design->plan(0.2);
    ASSERT_TRUE(exportTo(target(), plan, ExportOptions()).ok);
    const QList<QXmlStreamAttributes> codes = elements(readPackage(target()).data(kPauses), "code");
    ASSERT_EQ(codes.size(), plan.pauses.size());
    for (int i = 0; i < codes.size(); ++i) {
        const PrintPlanPause& pause = plan.pauses[i];
        // The slicer stops before the layer whose top is print_z: the next layer's top.
        EXPECT_EQ(codes[i].value("print_z").toString(), QString::number((pause.layer + 1) * 0.2, 'f', 3));
        EXPECT_EQ(codes[i].value("gcode"), QLatin1String("M601"));
        EXPECT_EQ(codes[i].value("color"), codes[i].value("extra"));
        EXPECT_TRUE(codes[i].value("extra").startsWith(QLatin1String("Insert ")));
        EXPECT_TRUE(codes[i].value("extra").contains(pause.items.first().ref));
    }
}

TEST(ThreeMfPauseHeights, NextLayerTopWithinThePartAndInOrder)
{
    struct Row { const char* what; PrintPlan plan; QStringList printZ; bool writable; };
    const Row rows[] = {
        {"after layer 5", handPlan(0.2, 10.0, {pauseAt(5, 0.2, {"C1"})}), {"1.200"}, true},
        {"layer before the last is clamped to the top", handPlan(0.2, 9.9, {pauseAt(49, 0.2, {"C1"})}), {"9.900"}, true},
        {"two pauses", handPlan(0.15, 8.0, {pauseAt(3, 0.15, {"A"}), pauseAt(7, 0.15, {"B"})}), {"0.600", "1.200"}, true},
        {"tiny layer height: heights collide once written",
         handPlan(1e-6, 10.0, {pauseAt(1000000, 1e-6, {"A"}), pauseAt(1000100, 1e-6, {"B"})}), {"1.000", "1.000"}, false},
        {"largest layer number does not overflow", handPlan(1e-9, 5.0, {pauseAt(2147483647, 1e-9, {"A"})}), {"2.147"}, true},
        {"out of order", handPlan(0.2, 10.0, {pauseAt(7, 0.2, {"A"}), pauseAt(3, 0.2, {"B"})}), {"1.600", "0.800"}, false},
        {"unusable layer height", handPlan(std::nan(""), 10.0, {pauseAt(3, 0.2, {"A"})}), {"nan"}, false},
    };
    for (const Row& row : rows) {
        QStringList written;
        for (const PrintPlanPause& pause : row.plan.pauses)
            written.append(QString::number(ThreeMfExporter::slicerPauseHeight(row.plan, pause), 'f', 3));
        EXPECT_EQ(written, row.printZ) << row.what;
        EXPECT_EQ(ThreeMfExporter::pauseHeightsWritable(row.plan), row.writable) << row.what;
    }
}

TEST_F(ThreeMfExport, UnwritablePauseHeightsAreRefusedAndTheOldFileKept)
{
    QFile old(target());
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("previous export");
    old.close();
    const PrintPlan tiny = handPlan(1e-6, 10.0, {pauseAt(1000000, 1e-6, {"A"}), pauseAt(1000100, 1e-6, {"B"})});
    const ThreeMfExportSummary summary = exportTo(target(), tiny, ExportOptions());
    EXPECT_FALSE(summary.ok);
    EXPECT_TRUE(summary.error.contains("cannot be written for the slicer")) << summary.error.toStdString();
    EXPECT_EQ(readAll(target()), "previous export");

    ExportOptions partOnly; // no pause document: nothing to refuse
    partOnly.nativePauses = false;
    EXPECT_TRUE(exportTo(target(), tiny, partOnly).ok);
}

TEST(ThreeMfPauseDocument, WrittenExactlyWithAsciiMessages)
{
    const PrintPlan plan = handPlan(0.2, 10.0, {pauseAt(5, 0.2, {"C1", "R12"}), pauseAt(62, 0.2, {"U;1"})});
    EXPECT_EQ(ThreeMfExporter::writeCustomGcodeXml(plan).toStdString(),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<custom_gcodes_per_print_z>\n"
              "    <code print_z=\"1.200\" type=\"1\" extruder=\"1\" color=\"Insert C1, R12\" extra=\"Insert C1, R12\" gcode=\"M601\"/>\n"
              "    <code print_z=\"10.000\" type=\"1\" extruder=\"1\" color=\"Insert U,1\" extra=\"Insert U,1\" gcode=\"M601\"/>\n"
              "    <mode value=\"SingleExtruder\"/>\n"
              "</custom_gcodes_per_print_z>\n");
    EXPECT_EQ(ThreeMfExporter::writeCustomGcodeXml(PrintPlan()).toStdString(),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<custom_gcodes_per_print_z>\n"
              "    <mode value=\"SingleExtruder\"/>\n"
              "</custom_gcodes_per_print_z>\n");
}

namespace {

// Stands in for a catalogue: French-like texts for the exporter's two pause messages.
class PauseTranslator : public QTranslator
{
public:
    QString fallback = QString::fromUtf8("Insérer %n composant(s) (voir le plan)");
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* source, const char*, int n) const override
    {
        if (qstrcmp(context, "ThreeMfExporter") != 0)
            return QString();
        if (qstrcmp(source, "Insert %1") == 0)
            return QString::fromUtf8("Insérer ça : %1");
        if (qstrcmp(source, "Insert %n component(s) (see plan)") == 0)
            return QString(fallback).replace(QLatin1String("%n"), QString::number(n));
        return QString();
    }
};

} // namespace

TEST(ThreeMfPauseMessage, ListOrCountWithinFortyAsciiCharacters)
{
    QStringList fourteen;
    for (int i = 0; i < 14; ++i)
        fourteen.append(QStringLiteral("R%1").arg(10 + i));
    struct Row { const char* what; QStringList refs; QString english; QString translated; };
    const Row rows[] = {
        {"short list", {"C1", "R12"}, "Insert C1, R12", "Inserer ca : C1, R12"},
        {"fourteen references", fourteen, "Insert 14 component(s) (see plan)", "Inserer 14 composant(s) (voir le plan)"},
        {"symbols", {QString::fromUtf8("µ1")}, "Insert ?1", "Inserer ca : ?1"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ThreeMfExporter::pauseMessage(pauseAt(1, 0.2, row.refs)), row.english) << row.what;

    PauseTranslator translator;
    ASSERT_TRUE(QCoreApplication::installTranslator(&translator));
    for (const Row& row : rows)
        EXPECT_EQ(ThreeMfExporter::pauseMessage(pauseAt(1, 0.2, row.refs)), row.translated) << row.what;
    translator.fallback = QString::fromUtf8("Insérez les %n composants indiqués dans le plan d'impression");
    EXPECT_EQ(ThreeMfExporter::pauseMessage(pauseAt(1, 0.2, fourteen)), "Inserez les 14 composants indiques dans ");
    QCoreApplication::removeTranslator(&translator);
}

TEST_F(ThreeMfExport, WriteFailuresExplainAndKeepThePreviousFile)
{
    const PrintPlan plan = s_design->plan(0.2);
    QFile old(target());
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("previous export");
    old.close();

    struct Row { const char* what; QString path; };
    const Row rows[] = {
        {"missing folder", dir.filePath("no/such/folder/board.3mf")},
        {"folder that is a file", target() + QStringLiteral("/board.3mf")},
    };
    for (const Row& row : rows) {
        const ThreeMfExportSummary summary = exportTo(row.path, plan, ExportOptions());
        EXPECT_FALSE(summary.ok) << row.what;
        EXPECT_TRUE(summary.error.startsWith("Unable to create the 3MF file: ")) << summary.error.toStdString();
        EXPECT_GT(summary.error.size(), QString("Unable to create the 3MF file: ").size()) << "a reason is given";
        EXPECT_GT(summary.triangleCount, 0) << "the counts survive the failure";
    }

    // A full disk: the file size limit cuts the write short.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit limited = saved;
    limited.rlim_cur = 4096;
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    const ThreeMfExportSummary full = exportTo(target(), plan, ExportOptions());
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_FALSE(full.ok);
    EXPECT_TRUE(full.error.contains(QRegularExpression("^Unable to write the 3MF file: \\d+/\\d+ bytes written")))
        << full.error.toStdString();
    EXPECT_EQ(readAll(target()), "previous export");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"board.3mf"});
}

TEST(ThreeMfExportInput, NoPartIsRefusedBeforeAnythingIsWritten)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("board.3mf");
    const ThreeMfExportSummary summary = ThreeMfExporter().exportThreeMf(path, AssemblyInput(), PrintPlan(), ExportOptions());
    EXPECT_FALSE(summary.ok);
    EXPECT_EQ(summary.error, "No main shape loaded.");
    EXPECT_FALSE(QFile::exists(path));
}
