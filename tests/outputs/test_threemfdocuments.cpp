// The 3MF model and slicer configuration documents, and the ASCII labels of the pauses.
#include "logcapture.h"

#include "outputs/threemfexporter.h"

#include <QRegularExpression>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

namespace {

// Every element as "name attr=value ..." in document order.
QStringList elementsOf(const QByteArray& xml)
{
    QStringList out;
    QXmlStreamReader reader(xml);
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        QString line = reader.name().toString();
        for (const QXmlStreamAttribute& a : reader.attributes())
            line += QStringLiteral(" %1=%2").arg(a.qualifiedName().toString(), a.value().toString());
        out.append(line);
    }
    EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString();
    return out;
}

} // namespace

TEST(ThreeMfModelXml, SmallMeshIsWrittenExactly)
{
    ThreeMfMesh mesh;
    mesh.vertices = {{1.0 / 3.0, -2.5, 12.6}, {0, 0, 0}, {-0.0000004, 1e3, 7}};
    mesh.triangles = {{0, 1, 2}};
    mesh.parts = {{"Vantorquelle_Piece", false, 0, 0}};
    const QByteArray expected =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<model unit=\"millimeter\" xmlns=\"http://schemas.microsoft.com/3dmanufacturing/core/2015/02\">\n"
        "    <metadata name=\"Application\">Vantorquelle</metadata>\n"
        "    <resources>\n"
        "        <object id=\"1\" type=\"model\">\n"
        "            <mesh>\n"
        "                <vertices>\n"
        "                    <vertex x=\"0.333333\" y=\"-2.500000\" z=\"12.600000\"/>\n"
        "                    <vertex x=\"0.000000\" y=\"0.000000\" z=\"0.000000\"/>\n"
        "                    <vertex x=\"-0.000000\" y=\"1000.000000\" z=\"7.000000\"/>\n"
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
        "</model>\n";
    EXPECT_EQ(ThreeMfExporter::writeModelXml(mesh).toStdString(), expected.toStdString());
}

TEST(ThreeMfModelXml, ManyPartsStillMakeOneObject)
{
    ThreeMfMesh mesh;
    mesh.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    mesh.triangles = {{0, 1, 2}, {0, 2, 1}};
    mesh.parts = {{"Vantorquelle_Piece", false, 0, 0}, {"Cond_1", true, 1, 1}};
    const QStringList elements = elementsOf(ThreeMfExporter::writeModelXml(mesh));
    EXPECT_EQ(elements.filter(QRegularExpression("^object ")).size(), 1);
    EXPECT_EQ(elements.filter(QRegularExpression("^triangle ")).size(), 2);
    EXPECT_EQ(elements.filter(QRegularExpression("^item ")), QStringList{"item objectid=1"});
}

TEST(ThreeMfSlicerConfig, OnlyConductorVolumesCarryPerimetersAndInfill)
{
    const QList<MeshPart> parts = {{"Vantorquelle_Piece", false, 0, 99}, {"Cond_GND", true, 100, 139}};
    for (const int perimeters : {1, 4, 20}) {
        const QString p = QString::number(perimeters);
        const QStringList expected = {
            "config",
            "object id=1 instances_count=1",
            "metadata type=object key=name value=Vantorquelle",
            "volume firstid=0 lastid=99",
            "metadata type=volume key=name value=Vantorquelle_Piece",
            "metadata type=volume key=volume_type value=ModelPart",
            "mesh edges_fixed=0 degenerate_facets=0",
            "volume firstid=100 lastid=139",
            "metadata type=volume key=name value=Cond_GND",
            "metadata type=volume key=volume_type value=ModelPart",
            "metadata type=volume key=perimeters value=" + p,
            "metadata type=volume key=fill_density value=90%",
            "mesh edges_fixed=0 degenerate_facets=0",
        };
        const QByteArray xml = ThreeMfExporter::writeSlicerConfig(parts, perimeters);
        EXPECT_TRUE(xml.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<config>\n    <object"));
        EXPECT_EQ(elementsOf(xml), expected) << "perimeters " << perimeters;
    }
}

TEST(ThreeMfAsciiLabel, KeepsPrintableAsciiAndReplacesTheRest)
{
    struct Row { QString in; QString out; };
    const Row rows[] = {
        {"Insert C1, R12", "Insert C1, R12"},
        {QString::fromUtf8("Insérer C1 ça"), "Inserer C1 ca"},
        {"R1;R2", "R1,R2"},
        {QString::fromUtf8("10µF"), "10?F"},
        {QString::fromUtf8("電容"), "??"},
        {QString::fromUtf8("U😀1"), "U??1"}, // outside the BMP: two code units
        {"tab\there~", "tab?here~"},
        {QString::fromUtf8("Å\u0301"), "A"}, // already decomposed marks are dropped too
        {QString(), QString()},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ThreeMfExporter::toAsciiLabel(row.in), row.out) << row.in.toStdString();
}
