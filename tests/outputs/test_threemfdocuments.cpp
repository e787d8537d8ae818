// What the 3MF package is made of: the ZIP checksum and framing, the model, slicer
// configuration and pause documents, the pause heights and the printer's messages.
#include "outputs/printplan.h"
#include "outputs/threemfexporter.h"
#include "outputs/zipwriter.h"

#include <QTranslator>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <cmath>

namespace {

// Every element as "name attr=value ..." in document order.
QStringList elementsOf(const QByteArray& xml)
{
    QStringList out;
    QXmlStreamReader reader(xml);
    while (reader.readNext() != QXmlStreamReader::Invalid && !reader.atEnd()) {
        if (!reader.isStartElement())
            continue;
        QString line = reader.name().toString();
        for (const QXmlStreamAttribute& a : reader.attributes())
            line += QStringLiteral(" %1=%2").arg(a.qualifiedName(), a.value());
        out.append(line);
    }
    EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString();
    return out;
}

PrintPlanPause pauseAt(int layer, double h, const QStringList& refs)
{
    PrintPlanPause pause{layer, layer * h, {}};
    for (const QString& ref : refs)
        pause.items.append(PrintPlanItem{ref, {}, {}, 0, 0, 0, 0});
    return pause;
}

// The pause with every item's cavity top at that height above the part's bottom.
PrintPlanPause withTops(PrintPlanPause pause, double top)
{
    for (PrintPlanItem& item : pause.items)
        item.cavityTopRel = top;
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

} // namespace

TEST(ZipWriter, StandardChecksumAndAnEmptyArchive)
{
    EXPECT_EQ(ZipWriter::crc32("", 0), 0u);
    EXPECT_EQ(ZipWriter::crc32("123456789", 9), 0xCBF43926u); // the published check value
    EXPECT_EQ(ZipWriter::crc32("\0", 1), 0xD202EF8Du);
    const QByteArray empty = ZipWriter().finish();
    EXPECT_EQ(empty, QByteArray("PK\x05\x06", 4) + QByteArray(18, '\0'));
}

TEST(ThreeMfModelXml, SmallMeshIsWrittenExactly)
{
    ThreeMfMesh mesh;
    mesh.vertices = {{1.0 / 3.0, -2.5, 12.6}, {-0.0000004, 1e3, 7}, {0, 0, 0}};
    mesh.triangles = {{0, 1, 2}};
    EXPECT_EQ(ThreeMfExporter::writeModelXml(mesh).toStdString(),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<model unit=\"millimeter\" xmlns=\"http://schemas.microsoft.com/3dmanufacturing/core/2015/02\">\n"
              "    <metadata name=\"Application\">Vantorquelle</metadata>\n"
              "    <resources>\n"
              "        <object id=\"1\" type=\"model\">\n"
              "            <mesh>\n"
              "                <vertices>\n"
              "                    <vertex x=\"0.333333\" y=\"-2.500000\" z=\"12.600000\"/>\n"
              "                    <vertex x=\"-0.000000\" y=\"1000.000000\" z=\"7.000000\"/>\n"
              "                    <vertex x=\"0.000000\" y=\"0.000000\" z=\"0.000000\"/>\n"
              "                </vertices>\n"
              "                <triangles>\n"
              "                    <triangle v1=\"0\" v2=\"1\" v3=\"2\"/>\n"
              "                </triangles>\n"
              "            </mesh>\n"
              "        </object>\n"
              "    </resources>\n"
              "    <build>\n"
              "        <item objectid=\"1\"/>\n"
              "    </build>\n"
              "</model>\n");
}

TEST(ThreeMfSlicerConfig, OnlyConductorVolumesCarryPerimetersAndInfill)
{
    const QList<MeshPart> parts = {{"Vantorquelle_Piece", false, 0, 99}, {"Cond_GND", true, 100, 139}};
    EXPECT_EQ(elementsOf(ThreeMfExporter::writeSlicerConfig(parts, 1)),
              QStringList({"config", "object id=1 instances_count=1", "metadata type=object key=name value=Vantorquelle",
                           "volume firstid=0 lastid=99", "metadata type=volume key=name value=Vantorquelle_Piece",
                           "metadata type=volume key=volume_type value=ModelPart",
                           "mesh edges_fixed=0 degenerate_facets=0", "volume firstid=100 lastid=139",
                           "metadata type=volume key=name value=Cond_GND",
                           "metadata type=volume key=volume_type value=ModelPart",
                           "metadata type=volume key=perimeters value=1",
                           "metadata type=volume key=fill_density value=90%",
                           "mesh edges_fixed=0 degenerate_facets=0"}));
}

TEST(ThreeMfPauses, DocumentPausesAfterThePlansLayerWithAsciiMessages)
{
    const PrintPlan plan = handPlan(0.2, 10.0, {pauseAt(5, 0.2, {"C1", "R12"}), pauseAt(62, 0.2, {"U;1"})});
    EXPECT_EQ(ThreeMfExporter::writeCustomGcodeXml(plan).toStdString(),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<custom_gcodes_per_print_z>\n"
              "    <code print_z=\"1.200\" type=\"1\" extruder=\"1\" color=\"Insert C1, R12\" extra=\"Insert C1, R12\" gcode=\"M601\"/>\n"
              "    <code print_z=\"10.000\" type=\"1\" extruder=\"1\" color=\"Insert U,1\" extra=\"Insert U,1\" gcode=\"M601\"/>\n"
              "    <mode value=\"SingleExtruder\"/>\n"
              "</custom_gcodes_per_print_z>\n");
    EXPECT_EQ(elementsOf(ThreeMfExporter::writeCustomGcodeXml(PrintPlan())),
              QStringList({"custom_gcodes_per_print_z", "mode value=SingleExtruder"}));
}

TEST(ThreeMfPauses, HeightsAreTheNextLayersTopWithinThePartAndInOrder)
{
    PrintPlanPause twoTops = pauseAt(5, 0.2, {"C1", "C2"});
    twoTops.items[0].cavityTopRel = 1.05; // open up to the layer ending at 1.40 once raised
    twoTops.items[1].cavityTopRel = 0.95; // roofed by that layer: the pause comes before it
    // offset: how far the slicer raises the part's bottom (a conductor lies lower).
    struct Row { const char* what; PrintPlan plan; QStringList printZ; bool writable; double offset = 0.0; };
    const Row rows[] = {
        {"after layer 5", handPlan(0.2, 10.0, {pauseAt(5, 0.2, {"C1"})}), {"1.200"}, true},
        {"before the last layer: the part's top", handPlan(0.2, 9.9, {pauseAt(49, 0.2, {"C1"})}), {"9.900"}, true},
        {"tiny layer height: heights collide once written",
         handPlan(1e-6, 10.0, {pauseAt(1000000, 1e-6, {"A"}), pauseAt(1000100, 1e-6, {"B"})}), {"1.000", "1.000"}, false},
        {"largest layer number", handPlan(1e-9, 5.0, {pauseAt(2147483647, 1e-9, {"A"})}), {"2.147"}, true},
        {"out of order", handPlan(0.2, 10.0, {pauseAt(7, 0.2, {"A"}), pauseAt(3, 0.2, {"B"})}), {"1.600", "0.800"}, false},
        {"unusable layer height", handPlan(std::nan(""), 10.0, {pauseAt(3, 0.2, {"A"})}), {"nan"}, false},
        {"part raised half a layer: the top on the next layer's middle stays open",
         handPlan(0.2, 10.0, {withTops(pauseAt(5, 0.2, {"C1"}), 1.0)}), {"1.400"}, true, 0.1},
        {"part raised less: the next layer's middle lies above the top",
         handPlan(0.2, 10.0, {withTops(pauseAt(5, 0.2, {"C1"}), 1.0)}), {"1.200"}, true, 0.09},
        {"part raised a whole layer", handPlan(0.2, 10.0, {withTops(pauseAt(5, 0.2, {"C1"}), 1.0)}), {"1.400"}, true,
         0.2},
        {"the lowest cavity top of the pause decides", handPlan(0.2, 10.0, {twoTops}), {"1.200"}, true, 0.1},
        {"raised pauses that would swap places are refused",
         handPlan(0.2, 10.0, {withTops(pauseAt(5, 0.2, {"C1"}), 1.05), withTops(pauseAt(6, 0.2, {"C2"}), 0.95)}),
         {"1.400", "1.200"}, false, 0.1},
        {"raised by rounding noise only", handPlan(0.2, 10.0, {withTops(pauseAt(5, 0.2, {"C1"}), 1.0)}), {"1.200"},
         true, 1e-9},
        {"raised part: the last pause at its raised top",
         handPlan(0.2, 9.9, {withTops(pauseAt(48, 0.2, {"A"}), 9.6), withTops(pauseAt(49, 0.2, {"B"}), 9.8)}),
         {"10.000", "10.000"}, false, 0.1},
    };
    for (const Row& row : rows) {
        QStringList written;
        for (const PrintPlanPause& pause : row.plan.pauses)
            written.append(QString::number(ThreeMfExporter::slicerPauseHeight(row.plan, pause, row.offset), 'f', 3));
        EXPECT_EQ(written, row.printZ) << row.what;
        EXPECT_EQ(ThreeMfExporter::pauseHeightsWritable(row.plan, row.offset), row.writable) << row.what;
    }
}

namespace {

// Stands in for a French catalogue of the exporter's two pause messages.
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
        return QString(fallback).replace(QLatin1String("%n"), QString::number(n));
    }
};

} // namespace

TEST(ThreeMfPauses, MessagesListOrCountWithinFortyAsciiCharacters)
{
    QStringList fourteen;
    for (int i = 0; i < 14; ++i)
        fourteen.append(QStringLiteral("R%1").arg(10 + i));
    struct Row { QStringList refs; QString english; QString french; };
    const Row rows[] = {
        {{"C1", "R12"}, "Insert C1, R12", "Inserer ca : C1, R12"},
        {fourteen, "Insert 14 component(s) (see plan)", "Inserer 14 composant(s) (voir le plan)"},
        {{QString::fromUtf8("µ1;電"), QString::fromUtf8("U😀")}, "Insert ?1,?, U??", "Inserer ca : ?1,?, U??"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ThreeMfExporter::pauseMessage(pauseAt(1, 0.2, row.refs)), row.english);

    PauseTranslator translator;
    QCoreApplication::installTranslator(&translator);
    for (const Row& row : rows)
        EXPECT_EQ(ThreeMfExporter::pauseMessage(pauseAt(1, 0.2, row.refs)), row.french);
    translator.fallback = QString::fromUtf8("Insérez les %n composants indiqués dans le plan d'impression");
    EXPECT_EQ(ThreeMfExporter::pauseMessage(pauseAt(1, 0.2, fourteen)), "Inserez les 14 composants indiques dans ");
    QCoreApplication::removeTranslator(&translator);
}
