// Section of new tracks and the clearances of the collision test, in millimetres.
// Kept here so that the settings can store them without depending on the routing code.
#pragma once

struct RoutingRules
{
    double trackWidth = 2.0;   // valid when > 0
    double trackHeight = 1.0;  // valid when > 0
    double clearance = 0.5;    // between tracks of different nets, valid when >= 0
    double padClearance = 0.5; // between a track and a pad, valid when >= 0
};
