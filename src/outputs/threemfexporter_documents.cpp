#include "outputs/threemfexporter.h"

#include "outputs/printplan.h"

#include <QStringList>
#include <QXmlStreamWriter>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr char kCoreNamespace[] = "http://schemas.microsoft.com/3dmanufacturing/core/2015/02";
constexpr int kConductorInfillPercent = 90;
constexpr int kMaxMessageLength = 40; // the printer's display line

QString printZText(double height)
{
    return QString::number(height, 'f', 3);
}

// One formatted UTF-8 document; the writer's default indentation.
class XmlDocument
{
public:
    XmlDocument()
        : m_writer(&m_bytes)
    {
        m_writer.setAutoFormatting(true);
        m_writer.writeStartDocument(QStringLiteral("1.0"));
    }
    QXmlStreamWriter& writer() { return m_writer; }
    QByteArray finish()
    {
        m_writer.writeEndDocument();
        return m_bytes;
    }

private:
    QByteArray m_bytes;
    QXmlStreamWriter m_writer;
};

void writeMetadata(QXmlStreamWriter& xml, const QString& type, const QString& key, const QString& value)
{
    xml.writeEmptyElement(QStringLiteral("metadata"));
    xml.writeAttribute(QStringLiteral("type"), type);
    xml.writeAttribute(QStringLiteral("key"), key);
    xml.writeAttribute(QStringLiteral("value"), value);
}

} // namespace

QByteArray ThreeMfExporter::writeModelXml(const ThreeMfMesh& mesh)
{
    XmlDocument document;
    QXmlStreamWriter& xml = document.writer();
    xml.writeStartElement(QStringLiteral("model"));
    xml.writeAttribute(QStringLiteral("unit"), QStringLiteral("millimeter"));
    xml.writeAttribute(QStringLiteral("xmlns"), QLatin1String(kCoreNamespace));

    xml.writeStartElement(QStringLiteral("metadata"));
    xml.writeAttribute(QStringLiteral("name"), QStringLiteral("Application"));
    xml.writeCharacters(QStringLiteral("Vantorquelle"));
    xml.writeEndElement();
    xml.writeStartElement(QStringLiteral("resources"));
    xml.writeStartElement(QStringLiteral("object"));
    xml.writeAttribute(QStringLiteral("id"), QStringLiteral("1"));
    xml.writeAttribute(QStringLiteral("type"), QStringLiteral("model"));
    xml.writeStartElement(QStringLiteral("mesh"));

    xml.writeStartElement(QStringLiteral("vertices"));
    for (const MeshVertex& v : mesh.vertices) {
        xml.writeEmptyElement(QStringLiteral("vertex"));
        xml.writeAttribute(QStringLiteral("x"), QString::number(v.x, 'f', 6));
        xml.writeAttribute(QStringLiteral("y"), QString::number(v.y, 'f', 6));
        xml.writeAttribute(QStringLiteral("z"), QString::number(v.z, 'f', 6));
    }
    xml.writeEndElement(); // vertices

    xml.writeStartElement(QStringLiteral("triangles"));
    for (const MeshTriangle& t : mesh.triangles) {
        xml.writeEmptyElement(QStringLiteral("triangle"));
        xml.writeAttribute(QStringLiteral("v1"), QString::number(t.v1));
        xml.writeAttribute(QStringLiteral("v2"), QString::number(t.v2));
        xml.writeAttribute(QStringLiteral("v3"), QString::number(t.v3));
    }
    xml.writeEndElement(); // triangles

    xml.writeEndElement(); // mesh
    xml.writeEndElement(); // object
    xml.writeEndElement(); // resources

    xml.writeStartElement(QStringLiteral("build"));
    xml.writeEmptyElement(QStringLiteral("item"));
    xml.writeAttribute(QStringLiteral("objectid"), QStringLiteral("1"));
    xml.writeEndElement(); // build
    xml.writeEndElement(); // model
    return document.finish();
}

QByteArray ThreeMfExporter::writeSlicerConfig(const QList<MeshPart>& parts, int conductorPerimeters)
{
    XmlDocument document;
    QXmlStreamWriter& xml = document.writer();
    const QString volumeType = QStringLiteral("volume");
    xml.writeStartElement(QStringLiteral("config"));
    xml.writeStartElement(QStringLiteral("object"));
    xml.writeAttribute(QStringLiteral("id"), QStringLiteral("1"));
    xml.writeAttribute(QStringLiteral("instances_count"), QStringLiteral("1"));
    writeMetadata(xml, QStringLiteral("object"), QStringLiteral("name"), QStringLiteral("Vantorquelle"));

    for (const MeshPart& part : parts) {
        xml.writeStartElement(QStringLiteral("volume"));
        xml.writeAttribute(QStringLiteral("firstid"), QString::number(part.firstTriangle));
        xml.writeAttribute(QStringLiteral("lastid"), QString::number(part.lastTriangle));
        writeMetadata(xml, volumeType, QStringLiteral("name"), part.name);
        writeMetadata(xml, volumeType, QStringLiteral("volume_type"), QStringLiteral("ModelPart"));
        if (part.conductor) {
            writeMetadata(xml, volumeType, QStringLiteral("perimeters"), QString::number(conductorPerimeters));
            writeMetadata(xml, volumeType, QStringLiteral("fill_density"),
                          QStringLiteral("%1%").arg(kConductorInfillPercent));
        }
        xml.writeEmptyElement(QStringLiteral("mesh"));
        xml.writeAttribute(QStringLiteral("edges_fixed"), QStringLiteral("0"));
        xml.writeAttribute(QStringLiteral("degenerate_facets"), QStringLiteral("0"));
        xml.writeEndElement(); // volume
    }
    xml.writeEndElement(); // object
    xml.writeEndElement(); // config
    return document.finish();
}

QByteArray ThreeMfExporter::writeCustomGcodeXml(const PrintPlan& plan, double slicerOffset)
{
    XmlDocument document;
    QXmlStreamWriter& xml = document.writer();
    xml.writeStartElement(QStringLiteral("custom_gcodes_per_print_z"));
    for (const PrintPlanPause& pause : plan.pauses) {
        const QString message = pauseMessage(pause);
        xml.writeEmptyElement(QStringLiteral("code"));
        xml.writeAttribute(QStringLiteral("print_z"), printZText(slicerPauseHeight(plan, pause, slicerOffset)));
        xml.writeAttribute(QStringLiteral("type"), QStringLiteral("1"));
        xml.writeAttribute(QStringLiteral("extruder"), QStringLiteral("1"));
        xml.writeAttribute(QStringLiteral("color"), message);
        xml.writeAttribute(QStringLiteral("extra"), message);
        xml.writeAttribute(QStringLiteral("gcode"), QStringLiteral("M601"));
    }
    xml.writeEmptyElement(QStringLiteral("mode"));
    xml.writeAttribute(QStringLiteral("value"), QStringLiteral("SingleExtruder"));
    xml.writeEndElement(); // custom_gcodes_per_print_z
    return document.finish();
}

double ThreeMfExporter::slicerPauseHeight(const PrintPlan& plan, const PrintPlanPause& pause, double slicerOffset)
{
    const double h = plan.layerHeight;
    if (!(h > 0.0) || !std::isfinite(h) || !std::isfinite(slicerOffset))
        return std::numeric_limits<double>::quiet_NaN();
    // In double: the layer number plus one must not overflow for any stored plan.
    double lastOpen = double(pause.layer);
    if (slicerOffset != 0.0 && !pause.items.isEmpty()) {
        // The cavities lie slicerOffset higher on the slicer's scale. The slicer cuts each
        // layer at its middle: the last layer leaving every cavity of the pause open is the
        // one whose middle lies at or below the lowest cavity top.
        double lowestTop = pause.items.first().cavityTopRel;
        for (const PrintPlanItem& item : pause.items)
            lowestTop = std::min(lowestTop, item.cavityTopRel);
        const double tolerance = std::min(1e-6, 1e-3 * h);
        lastOpen = std::max(1.0, std::floor((lowestTop + slicerOffset + tolerance) / h + 0.5));
    }
    double height = (lastOpen + 1.0) * h;
    const double top = plan.partHeight + slicerOffset;
    if (plan.partHeight > 0.0 && height > top)
        height = top;
    return height;
}

bool ThreeMfExporter::pauseHeightsWritable(const PrintPlan& plan, double slicerOffset)
{
    double previous = 0.0;
    const double top = printZText(plan.partHeight + slicerOffset).toDouble();
    for (const PrintPlanPause& pause : plan.pauses) {
        const double written = printZText(slicerPauseHeight(plan, pause, slicerOffset)).toDouble();
        if (!std::isfinite(written) || !(written > previous) || written > top)
            return false;
        previous = written;
    }
    return true;
}

QString ThreeMfExporter::pauseMessage(const PrintPlanPause& pause)
{
    QStringList refs;
    refs.reserve(pause.items.size());
    for (const PrintPlanItem& item : pause.items)
        refs.append(item.ref);
    const QString listed = toAsciiLabel(tr("Insert %1").arg(refs.join(QStringLiteral(", "))));
    if (listed.size() <= kMaxMessageLength)
        return listed;
    const QString counted = toAsciiLabel(tr("Insert %n component(s) (see plan)", nullptr, int(pause.items.size())));
    return counted.left(kMaxMessageLength);
}

QString ThreeMfExporter::toAsciiLabel(const QString& text)
{
    const QString decomposed = text.normalized(QString::NormalizationForm_D);
    QString out;
    out.reserve(decomposed.size());
    for (const QChar unit : decomposed) {
        if (unit.category() == QChar::Mark_NonSpacing)
            continue;
        const char16_t code = unit.unicode();
        if (code == u';')
            out.append(QLatin1Char(','));
        else if (code >= 0x20 && code <= 0x7E)
            out.append(unit);
        else
            out.append(QLatin1Char('?'));
    }
    return out;
}
