// Designs for the output tests: a real KiCad netlist laid out on a box part with KiCad's own
// footprints and routed pad to pad, and the STEP reader's view of an exported file.
#pragma once

#include "model/netlist.h"
#include "model/placedcomponentdata.h"
#include "model/routerecords.h"
#include "outputs/assemblyrecords.h"

#include <Bnd_Box.hxx>
#include <Message_ProgressScope.hxx>
#include <QMap>
#include <QString>
#include <QStringList>
#include <Standard_Handle.hxx>
#include <TopoDS_Shape.hxx>

#include <string>
#include <utility>
#include <vector>

class AIS_InteractiveContext;

namespace DesignFixture {

// The stage a report comes from: the innermost named scope around it.
inline std::string stageOf(const Message_ProgressScope& scope)
{
    for (const Message_ProgressScope* s = &scope; s; s = s->Parent())
        if (s->Name())
            return s->Name();
    return {};
}

TopoDS_Shape box(double x0, double y0, double z0, double x1, double y1, double z1);
// Every edge rounded (fillets are B-spline-rich); the shape itself when the fillet fails.
TopoDS_Shape roundedEdges(const TopoDS_Shape& shape, double radius);
// Every face a B-spline, as STEP parts of many bodies come.
TopoDS_Shape nurbs(const TopoDS_Shape& shape);
// The part written by OpenCASCADE's STEP writer and read back by the program's importer, as a
// user's part comes; null when either fails.
TopoDS_Shape throughStep(const TopoDS_Shape& part);

// One footprint of KiCad's library ("Library:Name") placed at position; hasMissingFootprint
// when the library is not installed.
PlacedComponentData kicadComponent(const QString& ref, const QString& footprint, const gp_Pnt& position);

// Two 1 x 1.5 pads from 1 mm below z to 0.4 mm above it, and a 4 x 4 x 3 body lift mm above z.
PlacedComponentData twoPadComponent(const QString& ref, const gp_Pnt& at, double lift = 0.0);

// A route of horizontal segments through the given points (XY), bottom at z.
Route route(const QString& net, const QList<QPointF>& points, double z, double width = 2.0, double height = 1.0);

struct Design
{
    TopoDS_Shape part;
    Netlist netlist;
    QMap<QString, PlacedComponentData> components;
    QList<Route> routes;

    AssemblyInput input() const;
};

// count components of KiCad's library (R0805, C0603, SOIC-8, DIP-8, LQFP-48 in turn) in a grid
// on a box part, their pads flush with its top, and tracks tracks lying on the top from a pad of
// one component to a pad of the next, trackWidth wide and trackHeight high, half sunk in.
// Empty (no part) with a reason when the library is not installed.
Design footprintGrid(int count, int tracks, double trackWidth, double trackHeight, QString* skipReason);

// An interactive context without any view, shared by every placement of the process.
opencascade::handle<AIS_InteractiveContext> headlessContext();

// The netlist's components laid out in rows inside a part, their placement surface at
// surfaceZ below the part's top, one route per net between the net's first two pads.
// maxComponents < 0 keeps all. Empty (no part) with a reason when data are missing.
Design realDesign(const QString& netlistFile, double partHeight, double surfaceZ, int maxComponents,
                  QString* skipReason);

// count components of KiCad's library scattered at random (seed) over the board of a part of
// many solids (the largest solid's box gives the board; the others stand on it, as a KiCad
// assembly comes): pads sunk 0.05 to 1.2 mm under the board's top, a fifth of the components
// near its edges with their bodies across them, and one in four a pair of test points whose
// pads, round or square, overlap by 0.01 mm. The same seed gives the same design. Empty (no
// part) with a reason when the library is not installed.
Design scatteredDesign(const TopoDS_Shape& part, unsigned seed, int count, QString* skipReason);

// The box of the largest solid of part: the board of a KiCad assembly, its models standing on it.
Bnd_Box boardBox(const TopoDS_Shape& part);

// The solids of a shape, each with its box.
using BoxedSolids = std::vector<std::pair<TopoDS_Shape, Bnd_Box>>;
BoxedSolids boxedSolids(const TopoDS_Shape& shape);
// What of volume the solids hold, each solid's common made on its own (a part's solids may
// overlap one another: models standing in a board).
double heldBy(const BoxedSolids& solids, const TopoDS_Shape& volume);

// part cut at once by tools, without a fuzzy value; null when the boolean is not done.
TopoDS_Shape cutOf(const TopoDS_Shape& part, const QList<TopoDS_Shape>& tools);

// The free shapes of a STEP file and their names, as OpenCASCADE's XCAF reader gives them.
struct ReadBack
{
    QStringList names;
    QList<TopoDS_Shape> shapes;
};
ReadBack readStep(const QString& path);

} // namespace DesignFixture
