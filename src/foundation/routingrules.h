// Section of new tracks and the clearances of the collision test, in millimetres.
// Kept here so that the settings can store them without depending on the routing code.
#pragma once

#include <cmath>

struct RoutingRules
{
    double trackWidth = 2.0;   // valid when > 0
    double trackHeight = 1.0;  // valid when > 0
    double clearance = 0.5;    // between tracks of different nets, valid when >= 0
    double padClearance = 0.5; // between a track and a pad, valid when >= 0
};

// The valid fields of candidate, those of fallback for the others (NaN and infinities are
// never valid).
inline RoutingRules validRoutingRules(const RoutingRules& candidate, const RoutingRules& fallback)
{
    const auto pick = [](double value, double otherwise, bool zeroAllowed) {
        const bool valid = std::isfinite(value) && (zeroAllowed ? value >= 0.0 : value > 0.0);
        return valid ? value : otherwise;
    };
    RoutingRules rules;
    rules.trackWidth = pick(candidate.trackWidth, fallback.trackWidth, false);
    rules.trackHeight = pick(candidate.trackHeight, fallback.trackHeight, false);
    rules.clearance = pick(candidate.clearance, fallback.clearance, true);
    rules.padClearance = pick(candidate.padClearance, fallback.padClearance, true);
    return rules;
}
