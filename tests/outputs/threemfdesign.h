// A real design for the 3MF export tests and benchmarks: components of a real KiCad netlist
// with their KiCad footprints, sunk at several depths into a box part, and tracks between
// pads of neighbouring components. Unlike DesignFixture::realDesign, the components sit at
// several depths, so that the print plan pauses more than once.
#pragma once

#include "model/netlist.h"
#include "model/placedcomponentdata.h"
#include "model/routerecords.h"
#include "outputs/assemblyrecords.h"
#include "outputs/printplan.h"

#include <QMap>
#include <QString>

#include <AIS_InteractiveContext.hxx>
#include <TopoDS_Shape.hxx>

struct ThreeMfDesign
{
    TopoDS_Shape part;
    QMap<QString, PlacedComponentData> components;
    Netlist netlist;
    QList<Route> routes;
    opencascade::handle<AIS_InteractiveContext> context; // holds the displayed pads and bodies

    AssemblyInput input() const;
    PrintPlan plan(double layerHeight) const;
};

struct ThreeMfDesignSpec
{
    int components = 6;   // taken from the netlist in order, then repeated under new references
    double partBottom = 3.0; // world Z of the part's bottom (not 0, so the plate shift shows)
    double partX = 100.0, partY = 80.0, partZ = 15.0;
};

// False (with the reason) when the KiCad library or the netlist cannot be read.
bool buildThreeMfDesign(const ThreeMfDesignSpec& spec, ThreeMfDesign& design, QString* why);
