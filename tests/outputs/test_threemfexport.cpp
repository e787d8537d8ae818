// The 3MF package export on a real design: entries under each option, volumes, the plate
// shift, refused pause heights, and failures that leave the previous file untouched.
#include "packagereader.h"
#include "threemfdesign.h"

#include "outputs/exportoptions.h"
#include "outputs/printplangenerator.h"
#include "outputs/threemfexporter.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <sys/resource.h>
#include <tuple>

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

QList<QXmlStreamAttributes> elements(const QByteArray& xml, const QString& name)
{
    QList<QXmlStreamAttributes> out;
    QXmlStreamReader reader(xml);
    while (!reader.atEnd())
        if (reader.readNext() == QXmlStreamReader::StartElement && reader.name() == name)
            out.append(reader.attributes());
    return out;
}

class ThreeMfExport : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        ThreeMfDesignSpec spec;
        spec.components = 4;
        spec.partX = 50.0;
        spec.partY = 40.0;
        spec.partZ = 12.0;
        s_ready = buildThreeMfDesign(spec, s_design, &s_why);
    }
    static void TearDownTestSuite() { s_design = ThreeMfDesign(); }
    void SetUp() override
    {
        if (!s_ready)
            GTEST_SKIP() << s_why.toStdString();
        if (!pythonAvailable())
            GTEST_SKIP() << "python3 not installed";
        QFile old(target());
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("previous export");
    }
    ThreeMfExportSummary exportTo(const QString& path, const PrintPlan& plan, const ExportOptions& options = {})
    {
        return ThreeMfExporter().exportThreeMf(path, s_design.input(), plan, options);
    }
    PackageEntries package()
    {
        PackageEntries entries;
        QString error;
        EXPECT_TRUE(readPackage(target(), entries, &error)) << error.toStdString();
        return entries;
    }
    QString target() const { return dir.filePath(QStringLiteral("board.3mf")); }

    inline static ThreeMfDesign s_design;
    inline static bool s_ready = false;
    inline static QString s_why;
    QTemporaryDir dir;
};

} // namespace

TEST_F(ThreeMfExport, EntriesFollowTheOptionsAndThePlan)
{
    const PrintPlan good = s_design.plan(0.2);
    ASSERT_TRUE(good.ok) << good.error.toStdString();
    ASSERT_GE(good.pauses.size(), 2) << "the design sinks components at several depths";
    const PrintPlan failed = s_design.plan(std::nan(""));
    PrintPlan noPauses = good;
    noPauses.pauses.clear();

    struct Row { const char* what; bool txt, csv; int mode; bool native; const PrintPlan* plan; QStringList metadata; };
    const Row rows[] = {
        {"bare part", false, false, 0, true, &good, {}},
        {"everything", true, true, 1, true, &good, {kTxt, kCsv, kConfig, kPauses}},
        {"failed plan", true, true, 1, true, &failed, {kTxt, kCsv, kConfig}},
        {"plan without pauses", true, false, 1, true, &noPauses, {kTxt, kConfig}},
        {"part export", false, true, 1, false, &good, {kCsv, kConfig}},
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
        EXPECT_EQ(summary.nativePauseCount, row.metadata.contains(kPauses) ? good.pauses.size() : 0);

        const PackageEntries entries = package();
        QStringList expected = {"[Content_Types].xml", "_rels/.rels", "3D/3dmodel.model"};
        if (!row.metadata.isEmpty())
            expected << kRels << row.metadata;
        EXPECT_EQ(entryNames(entries), expected);
        const QList<QXmlStreamAttributes> rels = elements(entryData(entries, kRels), "Relationship");
        for (int i = 0; i < rels.size(); ++i) {
            EXPECT_EQ(rels[i].value("Id"), QStringLiteral("rel%1").arg(i + 1));
            EXPECT_EQ(rels[i].value("Target"), "/" + row.metadata.value(i));
        }
        if (row.txt && !row.plan->ok) {
            EXPECT_TRUE(QString::fromUtf8(entryData(entries, kTxt)).contains(row.plan->error));
        }
    }
}

TEST_F(ThreeMfExport, VolumesCoverTheModelPartFirstThenEveryConductor)
{
    ExportOptions options;
    options.conductorPerimeters = 3;
    const ThreeMfExportSummary summary = exportTo(target(), s_design.plan(0.2), options);
    ASSERT_TRUE(summary.ok) << summary.error.toStdString();
    EXPECT_EQ(summary.cavitiesFailed + summary.droppedConductors + summary.openShells + summary.unmeshedFaces, 0);
    EXPECT_GE(summary.conductorGroups, 2);
    EXPECT_EQ(summary.partCount, 1 + summary.conductorGroups);

    const PackageEntries entries = package();
    EXPECT_EQ(elements(entryData(entries, "3D/3dmodel.model"), "triangle").size(), summary.triangleCount);
    int next = 0;
    for (const QXmlStreamAttributes& volume : elements(entryData(entries, kConfig), "volume")) {
        EXPECT_EQ(volume.value("firstid").toInt(), next);
        next = volume.value("lastid").toInt() + 1;
    }
    EXPECT_EQ(next, summary.triangleCount);
    QStringList names, perimeters;
    for (const QXmlStreamAttributes& m : elements(entryData(entries, kConfig), "metadata")) {
        if (m.value("type") == QLatin1String("volume") && m.value("key") == QLatin1String("name"))
            names.append(m.value("value").toString());
        if (m.value("key") == QLatin1String("perimeters"))
            perimeters.append(m.value("value").toString());
    }
    ASSERT_EQ(names.size(), summary.partCount);
    EXPECT_EQ(names.first(), "Vantorquelle_Piece");
    EXPECT_EQ(names.filter(QRegularExpression("^Cond_.+")).size(), summary.partCount - 1);
    EXPECT_EQ(perimeters, QStringList(summary.partCount - 1, "3"));
}

TEST_F(ThreeMfExport, ModelSitsOnThePlateWhereThePlanCountsItsLayers)
{
    const PrintPlan good = s_design.plan(0.2);
    ASSERT_DOUBLE_EQ(good.zMin, 3.0);
    PrintPlan otherBottom = good;
    otherBottom.zMin = 1.0;
    struct Row { const char* what; PrintPlan plan; double lowest; };
    const Row rows[] = {{"valid plan", good, 0.0}, {"plan bottom at 1 mm", otherBottom, 2.0},
                        {"failed plan: lowest vertex", s_design.plan(-1.0), 0.0}};
    for (const Row& row : rows) {
        ASSERT_TRUE(exportTo(target(), row.plan).ok) << row.what;
        double lowest = HUGE_VAL;
        for (const QXmlStreamAttributes& v : elements(entryData(package(), "3D/3dmodel.model"), "vertex"))
            lowest = std::min(lowest, v.value("z").toDouble());
        EXPECT_NEAR(lowest, row.lowest, 1e-6) << row.what;
    }
}

TEST_F(ThreeMfExport, FailuresExplainAndKeepThePreviousFile)
{
    const PrintPlan plan = s_design.plan(0.2);
    // Pause heights that would collide once written: refused, not half-written.
    PrintPlan tiny = plan;
    tiny.layerHeight = 1e-6;
    tiny.pauses = {{1000000, 1.0, plan.pauses[0].items}, {1000100, 1.0001, plan.pauses[1].items}};
    ThreeMfExportSummary summary = exportTo(target(), tiny);
    EXPECT_TRUE(summary.error.contains("cannot be written for the slicer")) << summary.error.toStdString();
    ExportOptions noPauses;
    noPauses.nativePauses = false;
    EXPECT_TRUE(exportTo(dir.filePath("part.3mf"), tiny, noPauses).ok) << "no pause document, nothing to refuse";

    for (const QString& path : {dir.filePath("no/such/folder/board.3mf"), target() + "/board.3mf"}) {
        summary = exportTo(path, plan);
        EXPECT_TRUE(summary.error.contains(QRegularExpression("^Unable to create the 3MF file: .+"))) << path.toStdString();
        EXPECT_GT(summary.triangleCount, 0) << "the counts survive the failure";
    }

    // A full disk: the file size limit cuts the write short.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit limited = saved;
    limited.rlim_cur = 4096;
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    summary = exportTo(target(), plan);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_TRUE(summary.error.contains(QRegularExpression("^Unable to write the 3MF file: \\d+/\\d+ bytes written")))
        << summary.error.toStdString();

    EXPECT_FALSE(summary.ok);
    EXPECT_EQ(readAll(target()), "previous export");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"board.3mf", "part.3mf"}));

    summary = ThreeMfExporter().exportThreeMf(target(), AssemblyInput(), plan, ExportOptions());
    EXPECT_EQ(summary.error, "No main shape loaded.");
    EXPECT_EQ(readAll(target()), "previous export");
}

TEST_F(ThreeMfExport, PartWithoutComponentsIsOneVolumeWithoutPauses)
{
    const QMap<QString, PlacedComponentData> none;
    AssemblyInput input = s_design.input();
    input.components = &none;
    input.routes = nullptr;
    const PrintPlan plan = PrintPlanGenerator::generate(none, {}, s_design.part, 0.2);
    const ThreeMfExportSummary summary = ThreeMfExporter().exportThreeMf(target(), input, plan, ExportOptions());
    ASSERT_TRUE(summary.ok) << summary.error.toStdString();
    EXPECT_EQ(std::tuple(summary.partCount, summary.triangleCount, summary.nativePauseCount), std::tuple(1, 12, 0));
    EXPECT_FALSE(entryNames(package()).contains(kPauses));
}
