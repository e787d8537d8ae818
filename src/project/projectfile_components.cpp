// Footprints and placed-components sections of the project file.
#include "project/projectfile.h"
#include "project/projectjson.h"
#include "project/projectmanager.h"
#include "model/savedcomponent.h"

#include "model/footprintdata.h"
#include "model/placedcomponentdata.h"

#include <QCoreApplication>
#include <QDebug>
#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>
#include <numeric>
#include <vector>

using ProjectJson::arrayOf;
using ProjectJson::forEachObject;
using ProjectJson::number;
using ProjectJson::text;

namespace {

// A point of the footprint frame (track points, zone vertices).
QJsonObject planarPointToJson(const QPointF& point)
{
    return QJsonObject{{QStringLiteral("x"), point.x()}, {QStringLiteral("y"), point.y()}};
}

QPointF planarPointFromJson(const QJsonObject& object)
{
    return QPointF(number(object, "x", 0.0), number(object, "y", 0.0));
}

} // namespace

QJsonObject footprintPadToJson(const FootprintPad& pad)
{
    QJsonObject object;
    object.insert(QStringLiteral("number"), pad.number);
    object.insert(QStringLiteral("posX"), pad.posX);
    object.insert(QStringLiteral("posY"), pad.posY);
    object.insert(QStringLiteral("shape"), pad.shape);
    object.insert(QStringLiteral("width"), pad.width);
    object.insert(QStringLiteral("height"), pad.height);
    object.insert(QStringLiteral("rotation"), pad.rotation);
    object.insert(QStringLiteral("layers"), pad.layers);
    return object;
}

FootprintPad footprintPadFromJson(const QJsonObject& object)
{
    FootprintPad pad;
    pad.number = text(object, "number");
    pad.posX = number(object, "posX", 0.0);
    pad.posY = number(object, "posY", 0.0);
    pad.shape = text(object, "shape");
    pad.width = number(object, "width", 0.0);
    pad.height = number(object, "height", 0.0);
    pad.rotation = number(object, "rotation", 0.0);
    pad.layers = text(object, "layers");
    return pad;
}

QJsonObject footprintTrackToJson(const FootprintTrack& track)
{
    QJsonObject object;
    object.insert(QStringLiteral("points"), arrayOf(track.points, planarPointToJson));
    object.insert(QStringLiteral("width"), track.width);
    object.insert(QStringLiteral("layer"), track.layer);
    return object;
}

FootprintTrack footprintTrackFromJson(const QJsonObject& object)
{
    FootprintTrack track;
    forEachObject(object, "points", [&](const QJsonObject& point) { track.points.append(planarPointFromJson(point)); });
    track.width = number(object, "width", 0.0);
    track.layer = text(object, "layer");
    return track;
}

QJsonObject footprintZoneToJson(const FootprintZone& zone)
{
    QJsonObject object;
    object.insert(QStringLiteral("outline"), arrayOf(zone.outline, planarPointToJson));
    object.insert(QStringLiteral("layer"), zone.layer);
    return object;
}

FootprintZone footprintZoneFromJson(const QJsonObject& object, QList<int>* dropped)
{
    FootprintZone zone;
    const QJsonArray outline = object.value(QStringLiteral("outline")).toArray();
    for (int i = 0; i < outline.size(); ++i) {
        const QJsonObject point = outline.at(i).toObject();
        const auto junk = [&point](const char* axis) {
            const QJsonValue value = point.value(QLatin1String(axis));
            return !value.isUndefined() && !value.isDouble();
        };
        // Read as (0, 0), junk would bend the outline and move the body centred on it.
        if (!outline.at(i).isObject() || junk("x") || junk("y")) {
            if (dropped)
                dropped->append(i + 1);
            continue;
        }
        zone.outline.append(planarPointFromJson(point));
    }
    zone.layer = text(object, "layer");
    return zone;
}

QJsonObject footprintToJson(const FootprintData& footprint)
{
    QJsonObject object;
    object.insert(QStringLiteral("name"), footprint.name);
    object.insert(QStringLiteral("thickness"), footprint.thickness);
    object.insert(QStringLiteral("bodyHeight"), footprint.bodyHeight);
    object.insert(QStringLiteral("bodyMarginX"), footprint.bodyMarginX);
    object.insert(QStringLiteral("bodyMarginY"), footprint.bodyMarginY);
    object.insert(QStringLiteral("bodyOffsetZ"), footprint.bodyOffsetZ);
    object.insert(QStringLiteral("bodyTransparency"), footprint.bodyTransparency);
    object.insert(QStringLiteral("bodyUndercut"), footprint.bodyUndercut);
    object.insert(QStringLiteral("bodyWidthOverride"), footprint.bodyWidthOverride);
    object.insert(QStringLiteral("bodyLengthOverride"), footprint.bodyLengthOverride);
    object.insert(QStringLiteral("isBuiltin"), footprint.isBuiltin);
    object.insert(QStringLiteral("copperPads"), arrayOf(footprint.copperPads, footprintPadToJson));
    object.insert(QStringLiteral("copperTracks"), arrayOf(footprint.copperTracks, footprintTrackToJson));
    // A footprint drawn with zones alone is centred on them: without them it would reopen
    // centred on its origin, its body moved. Older files simply have no such key.
    if (!footprint.zones.isEmpty())
        object.insert(QStringLiteral("zones"), arrayOf(footprint.zones, footprintZoneToJson));
    return object;
}

FootprintData footprintFromJson(const QJsonObject& object, QStringList* notes)
{
    FootprintData footprint;
    footprint.name = text(object, "name");
    footprint.thickness = number(object, "thickness", footprint.thickness);
    footprint.bodyHeight = number(object, "bodyHeight", footprint.bodyHeight);
    footprint.bodyMarginX = number(object, "bodyMarginX", footprint.bodyMarginX);
    footprint.bodyMarginY = number(object, "bodyMarginY", footprint.bodyMarginY);
    footprint.bodyOffsetZ = number(object, "bodyOffsetZ", footprint.bodyOffsetZ);
    footprint.bodyTransparency = number(object, "bodyTransparency", footprint.bodyTransparency);
    footprint.bodyUndercut = number(object, "bodyUndercut", footprint.bodyUndercut);
    footprint.bodyWidthOverride = number(object, "bodyWidthOverride", footprint.bodyWidthOverride);
    footprint.bodyLengthOverride = number(object, "bodyLengthOverride", footprint.bodyLengthOverride);
    footprint.isBuiltin = ProjectJson::flag(object, "isBuiltin", footprint.isBuiltin);
    forEachObject(object, "copperPads", [&](const QJsonObject& entry) {
        footprint.copperPads.append(footprintPadFromJson(entry));
    });
    forEachObject(object, "copperTracks", [&](const QJsonObject& entry) {
        footprint.copperTracks.append(footprintTrackFromJson(entry));
    });
    int number = 0;
    forEachObject(object, "zones", [&](const QJsonObject& entry) {
        ++number;
        const QString where = QCoreApplication::translate("ProjectManager", "footprint “%1”, zone %2")
                                  .arg(footprint.name)
                                  .arg(number);
        QList<int> dropped;
        FootprintZone zone = footprintZoneFromJson(entry, &dropped);
        if (notes) {
            for (int vertex : std::as_const(dropped))
                *notes << QCoreApplication::translate("ProjectManager", "%1: vertex %2 is not a point: dropped")
                              .arg(where)
                              .arg(vertex);
        }
        // Like the footprint reader, which keeps no zone of fewer than three vertices.
        if (zone.outline.size() >= 3) {
            footprint.zones.append(zone);
            return;
        }
        qWarning() << "footprintFromJson: zone of" << zone.outline.size() << "vertices in footprint"
                   << footprint.name << "skipped";
        if (notes)
            *notes << QCoreApplication::translate("ProjectManager", "%1 has fewer than three vertices: dropped")
                          .arg(where);
    });
    return footprint;
}

QJsonObject placedComponentToJson(const PlacedComponentData& component, const QString& footprintName)
{
    QJsonObject object;
    object.insert(QStringLiteral("ref"), component.ref);
    object.insert(QStringLiteral("footprintName"), footprintName);
    object.insert(QStringLiteral("posX"), component.position.X());
    object.insert(QStringLiteral("posY"), component.position.Y());
    object.insert(QStringLiteral("posZ"), component.position.Z());
    object.insert(QStringLiteral("rotation"), component.rotation);
    object.insert(QStringLiteral("footprintThickness"), component.footprintThickness);
    object.insert(QStringLiteral("bodyUndercut"), component.bodyUndercut);
    object.insert(QStringLiteral("padXYScale"), component.padXYScale);
    object.insert(QStringLiteral("bodyOffsetZ"), component.bodyOffsetZ);
    object.insert(QStringLiteral("bodyWidth"), component.bodyWidth);
    object.insert(QStringLiteral("bodyLength"), component.bodyLength);
    object.insert(QStringLiteral("bodyHeight"), component.bodyHeight);
    object.insert(QStringLiteral("bodyMarginX"), component.bodyMarginX);
    object.insert(QStringLiteral("bodyMarginY"), component.bodyMarginY);
    object.insert(QStringLiteral("bodyEnabled"), component.bodyEnabled);
    object.insert(QStringLiteral("hasMissingFootprint"), component.hasMissingFootprint);
    return object;
}

void ProjectManager::writeFootprints(QJsonObject& root, const QList<FootprintData>& footprints)
{
    root.insert(QStringLiteral("footprints"), arrayOf(footprints, footprintToJson));
}

bool ProjectManager::readFootprints(const QJsonObject& root, QList<FootprintData>& out)
{
    out.clear();
    QStringList notes;
    // Standard containers: Qt's write through a null block when an allocation fails.
    std::vector<QJsonObject> entries;
    forEachObject(root, "footprints", [&](const QJsonObject& entry) {
        entries.push_back(entry);
        out.append(footprintFromJson(entry, &notes));
    });
    for (const QString& note : std::as_const(notes))
        addLoadNote(note);
    // The library takes them in order: of several of one name, the last one serves them all.
    std::vector<int> byName(entries.size());
    std::iota(byName.begin(), byName.end(), 0);
    std::stable_sort(byName.begin(), byName.end(), [&out](int a, int b) { return out.at(a).name < out.at(b).name; });
    for (std::size_t first = 0; first < byName.size();) {
        std::size_t end = first + 1;
        while (end < byName.size() && out.at(byName[end]).name == out.at(byName[first]).name)
            ++end;
        const int used = byName[end - 1];
        bool differ = false;
        for (std::size_t i = first; i + 1 < end && !differ; ++i)
            differ = entries[std::size_t(byName[i])] != entries[std::size_t(used)];
        if (differ)
            addLoadNote(tr("footprint “%1” is stored %2 times with different contents: the last one (footprint %3 of "
                           "the file) is used")
                            .arg(out.at(used).name)
                            .arg(end - first)
                            .arg(used + 1));
        first = end;
    }
    return true;
}

void ProjectManager::writePlacedComponents(QJsonObject& root, const QList<SavedComponent>& placed)
{
    const auto savedToJson = [](const SavedComponent& saved) {
        return placedComponentToJson(saved.data, saved.effectiveFootprintName);
    };
    root.insert(QStringLiteral("placedComponents"), arrayOf(placed, savedToJson));
}

bool ProjectManager::readPlacedComponents(const QJsonObject& root, QList<QJsonObject>& out)
{
    forEachObject(root, "placedComponents", [&](const QJsonObject& entry) { out.append(entry); });
    return !out.isEmpty();
}
