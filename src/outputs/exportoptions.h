// Options of one STEP or 3MF export. The STEP export uses the defaults.
#pragma once

struct ExportOptions
{
    // What the assembly builder collects.
    bool includeBodies = true;
    bool includePads = true;
    bool includeRoutes = true;
    double baseFuzzy = 0.01; // mm, first rung of the boolean cuts' fuzzy ladder

    // What the 3MF package carries besides the model, and how finely it is meshed.
    bool embedPlanTxt = true;
    bool embedPlanCsv = true;
    double linearDeflection = 0.05; // mm, upper bound
    double angularDeflection = 0.5; // radians
    int slicerConfigMode = 1;       // 1: slicer volume configuration (and pauses); other: neither
    int conductorPerimeters = 4;
    bool nativePauses = true;
};
