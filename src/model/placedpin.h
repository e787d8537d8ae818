// A placed component's pin. A footprint may give one number to several copper pads (mounting
// pads, shields, an exposed pad in pieces); KiCad makes them one pin, and so do we: a pin holds
// all of them, in footprint order, and whoever needs one of them asks for the nearest.
#pragma once

#include "model/padid.h"

#include <AIS_Shape.hxx>
#include <Bnd_Box.hxx>
#include <TopoDS_Shape.hxx>
#include <gp_Pnt.hxx>

#include <QHash>
#include <QList>
#include <QString>

struct PlacedComponentData;
struct PlacedPadData;

// One copper pad of a pin.
struct PinPad
{
    int index = -1;                       // in the component's pad list
    gp_Pnt position;                      // centre of the pad's top face
    gp_Pnt basePoint;                     // where tracks attach: the pads' underside
    TopoDS_Shape solid;                   // whether a track reaches the pad is decided on it
    Bnd_Box box;                          // of the solid, to rule out what is far; void without one
    opencascade::handle<AIS_Shape> shown; // its displayed object, null when not displayed
};

class PlacedPin
{
public:
    PlacedPin() = default;
    explicit PlacedPin(QList<PinPad> pads) : m_pads(std::move(pads)) {}

    // Every pin of the component; a pad without a number is no pin.
    static QHash<QString, PlacedPin> allOf(const PlacedComponentData& component);
    // The pin of that number; without a pad when the component has none.
    static PlacedPin of(const PlacedComponentData& component, const QString& number);

    bool isPlaced() const { return !m_pads.isEmpty(); }
    // A temporary pin hands its pads over, so a loop over `table.value(id).pads()` stays valid.
    const QList<PinPad>& pads() const & { return m_pads; }
    QList<PinPad> pads() && { return std::move(m_pads); }

    // The pad nearest to the point, the first of equals; null when the pin is not placed. The
    // pads of one component lie at one height, so this is the nearest in plan as well.
    const PinPad* nearestTo(const gp_Pnt& point) const &;
    const PinPad* nearestTo(const gp_Pnt& point) && = delete; // would point into the temporary

private:
    QList<PinPad> m_pads;
};

// Every placed pin of the design; a pin in the table has at least one pad.
using PinTable = QHash<PadId, PlacedPin>;

// Where tracks attach to a pad: its top lowered through the undercut and the footprint.
gp_Pnt padBasePoint(const PlacedComponentData& component, const PlacedPadData& pad);
