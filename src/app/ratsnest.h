// The ratsnest computation: per net, the shortest straight links joining its placed pins
// (a minimum spanning forest), and which of them the tracks do not make.
#pragma once

#include "model/padid.h"
#include "model/placedpin.h"

#include <AIS_Shape.hxx>
#include <Standard_Handle.hxx>
#include <gp_Pnt.hxx>

#include <QHash>
#include <QList>
#include <QMap>
#include <QString>

#include <functional>

class NetConnectivity;
class QColor;
struct NetlistNet;

struct RatsnestLink
{
    QString netName;
    PadId padA;
    PadId padB;
    opencascade::handle<AIS_Shape> line;
    double lengthMm = 0.0;
    // The pads of the two pins the link joins: of a pin with several, the nearest.
    gp_Pnt pointA;
    gp_Pnt pointB;
};

struct NetRatsnestStats
{
    int totalLinks = 0;
    int unroutedLinks = 0;
    double unroutedLengthMm = 0.0;
    int missingPins = 0; // distinct pins with no pad on the board (no footprint, not placed)
};

struct RatsnestStats
{
    int unrouted = 0;
    int total = 0;
    double unroutedLengthMm = 0.0;
    int detachedTracks = 0;
};

struct RatsnestResult
{
    QList<RatsnestLink> links; // unrouted links, in the order found
    int totalLinks = 0;
    QMap<QString, NetRatsnestStats> perNet;
};

// A net's colour: grey for ground, light red for power, else a hue from the name that is
// the same in every run.
QColor ratsnestNetColor(const QString& netName);

// onMissing is told of every pin that is not placed (it is left out of its net). Two pins are
// linked by the shortest link between their pads.
RatsnestResult computeRatsnest(const QList<NetlistNet>& nets, const PinTable& pins,
                               const NetConnectivity& connectivity,
                               const std::function<void(const PadId&)>& onMissing = {});
