// Limits no real design reaches. Beyond them an input is damaged or hostile, and building it
// would take more memory than a desktop has: it is refused with a message naming the limit.
#pragma once

namespace DesignLimits {

// KiCad's own library peaks at 1,924 pads (a Xilinx BGA); a placed pad costs 40 to 70 KB.
constexpr int kMaxPadsPerFootprint = 10000;
// Real netlists of printed circuits hold tens of components; a placed one costs about 120 KB.
constexpr int kMaxComponents = 2000;
// Every measure of a footprint (pad position and size, track point, body margin, height and
// offset) stays far below a metre, and so does every point, width and height of a routed track.
constexpr double kMaxFootprintLength = 1000.0; // mm
// A track's width and height stay above a micrometre: a leg thinner than that is lost or
// splits the track in the solid's tolerances.
constexpr double kMinTrackSection = 0.001; // mm

} // namespace DesignLimits
