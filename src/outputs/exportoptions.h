// Options of one STEP or 3MF export. The STEP export uses the defaults; the 3MF export
// fills the record from its dialog.
#pragma once

struct ExportOptions
{
    bool includeBodies = true;  // carve the component bodies
    bool includePads = true;    // carve the pads and ship them as conductor
    bool includeRoutes = true;  // carve the tracks and ship them as conductor
    double baseFuzzy = 0.01;    // mm: first rung of every cavity cut's fuzzy ladder
    bool embedPlanTxt = true;
    bool embedPlanCsv = true;
    double linearDeflection = 0.05; // mm, upper bound for the mesher
    double angularDeflection = 0.5; // radians
    int slicerConfigMode = 1;       // 1: slicer configuration (and pauses) in the package
    int conductorPerimeters = 4;
    bool nativePauses = true;
};
