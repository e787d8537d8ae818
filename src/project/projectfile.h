// Converters between the project's records and their JSON objects in the project file.
#pragma once

#include <Message_ProgressRange.hxx>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

class TopoDS_Shape;
class gp_Pnt;
struct NetlistPin;
struct NetlistComponent;
struct NetlistNet;
struct FootprintData;
struct FootprintPad;
struct FootprintTrack;
struct FootprintZone;
struct PlacedComponentData;
struct RoutingRules;

QJsonObject netlistPinToJson(const NetlistPin& pin);
NetlistPin netlistPinFromJson(const QJsonObject& object);
QJsonObject netlistComponentToJson(const NetlistComponent& component);
NetlistComponent netlistComponentFromJson(const QJsonObject& object);
QJsonObject netlistNetToJson(const NetlistNet& net);
NetlistNet netlistNetFromJson(const QJsonObject& object);

QJsonObject footprintToJson(const FootprintData& footprint);
// notes, when given, receives a load-report line for each zone vertex or zone dropped.
FootprintData footprintFromJson(const QJsonObject& object, QStringList* notes = nullptr);
QJsonObject footprintPadToJson(const FootprintPad& pad);
FootprintPad footprintPadFromJson(const QJsonObject& object);
QJsonObject footprintTrackToJson(const FootprintTrack& track);
FootprintTrack footprintTrackFromJson(const QJsonObject& object);
QJsonObject footprintZoneToJson(const FootprintZone& zone);
// A vertex that is not a point (not an object, or a coordinate that is not a number) is dropped;
// dropped, when given, receives its 1-based place in the outline.
FootprintZone footprintZoneFromJson(const QJsonObject& object, QList<int>* dropped = nullptr);

QJsonObject placedComponentToJson(const PlacedComponentData& component, const QString& footprintName);

QJsonObject routingRulesToJson(const RoutingRules& rules);
RoutingRules routingRulesFromJson(const QJsonObject& object);

QJsonObject pointToJson(const gp_Pnt& point);
gp_Pnt pointFromJson(const QJsonObject& object);

// BRep text (format version 3, with triangulations) in Base64; empty on failure.
QString encodeShapeToBase64(const TopoDS_Shape& shape);
// Null for "" and on failure.
// Broken off through progress, it gives a null shape.
TopoDS_Shape decodeShapeFromBase64(const QString& text, const Message_ProgressRange& progress = Message_ProgressRange());
