// Designs of real size that the export and print plan benchmarks share.
#pragma once

#include "threemfdesign.h"

#include <benchmark/benchmark.h>

// 160 components of a real netlist (their KiCad footprints, a track per pair) on a one-solid
// frame part of 862 x 862 x 292 mm in B-splines: the first row of 18 sunk in the frame's
// material, the other 142 standing in its opening, within the part's box.
bool buildFrameDesign(ThreeMfDesign& design, QString* why);

// 160 components of a real netlist sunk in a box part of 190 mm by as deep as their rows need.
bool buildBoxDesign(ThreeMfDesign& design, QString* why);

// 24 components on a part of 7 x 17 separate blocks 1 mm apart, all in B-splines; with
// cylinders, every other block is a cylinder.
bool buildManySolidDesign(ThreeMfDesign& design, bool withCylinders, QString* why);
constexpr int kManySolidBlocks = 7 * 17;

// The design build makes; false, with the benchmark skipped for the reason, when it fails.
template <typename Build>
bool designOrSkip(benchmark::State& state, ThreeMfDesign& design, Build build)
{
    QString why;
    if (build(design, &why))
        return true;
    state.SkipWithError(why.toUtf8().constData());
    return false;
}
