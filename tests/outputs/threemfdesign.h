// A real design for the 3MF export tests and benchmark: components of a real KiCad netlist
// with their KiCad footprints, sunk at several depths into a box part (so that the print plan
// pauses more than once, unlike DesignFixture::realDesign), and a track per pair of neighbours.
#pragma once

#include "designfixture.h"

#include "outputs/printplan.h"

#include <AIS_InteractiveContext.hxx>

#include <array>

struct ThreeMfDesign : DesignFixture::Design
{
    opencascade::handle<AIS_InteractiveContext> context; // holds the displayed pads and bodies

    PrintPlan plan(double layerHeight) const;
};

struct ThreeMfDesignSpec
{
    int components = 6;      // the netlist's small ones in order, then again under new references
    double partBottom = 3.0; // world Z of the part's bottom: not 0, so that the plate shift shows
    double partX = 100.0, partY = 80.0, partZ = 15.0;
    std::array<double, 3> depths{{9.0, 7.0, 5.0}}; // below the part's top, a pair each in turn
    bool oneAtTop = false; // one more component, whose body reaches the part's top
};

// False, with the reason, when the KiCad library or the netlist is missing.
bool buildThreeMfDesign(const ThreeMfDesignSpec& spec, ThreeMfDesign& design, QString* why);
