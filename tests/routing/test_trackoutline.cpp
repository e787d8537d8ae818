#include "routing/trackoutline.h"
#include "routing/trackoutline_traced_p.h"
#include "foundation/occutils.h"
#include "testsupport.h"
#include "trackruns.h"

#include <BRep_Tool.hxx>
#include <Geom2d_Curve.hxx>
#include <Geom_Curve.hxx>
#include <Geom_Surface.hxx>
#include <Precision.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <TopTools_IndexedDataMapOfShapeListOfShape.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopoDS_Vertex.hxx>

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>

using TrackRuns::polyline;

namespace {

// A run as the fuzz target prints it: its points, x and y in turn.
Route printed(const std::vector<double>& xy, double width, double height)
{
    std::vector<gp_Pnt> points;
    for (size_t i = 0; i + 1 < xy.size(); i += 2)
        points.emplace_back(xy[i], xy[i + 1], 1);
    return polyline(points, width, height);
}

// Spans of shortest to longest mm, each bent from the last by a random angle between lo and hi
// radians, either way.
Route nearlyStraight(int spans, double width, double lo, double hi, unsigned seed, double shortest = 1.0,
                     double longest = 3.0)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> length(shortest, longest), exponent(std::log10(lo), std::log10(hi));
    std::vector<gp_Pnt> points = {gp_Pnt(3, -2, 1)};
    double heading = 0.4;
    for (int i = 0; i < spans; ++i) {
        const double l = length(random);
        points.push_back(points.back().Translated(gp_Vec(l * std::cos(heading), l * std::sin(heading), 0)));
        heading += (random() % 2 ? 1.0 : -1.0) * std::pow(10.0, exponent(random));
    }
    return polyline(points, width, 0.8);
}

// Spans of about 1.1e-7 mm, each turned from the last, with ordinary legs before and after
// where legs is set.
Route tinySpans(int spans, bool legs)
{
    std::vector<gp_Pnt> points = {gp_Pnt(10, 10, 1)};
    if (legs)
        points.push_back(gp_Pnt(15, 12, 1));
    for (int i = 0; i < spans; ++i) {
        const double heading = 2.3 * i, length = 1.1e-7 * (1.0 + 0.05 * (i % 3));
        points.push_back(points.back().Translated(gp_Vec(length * std::cos(heading), length * std::sin(heading), 0)));
    }
    if (legs)
        points.push_back(points.back().Translated(gp_Vec(0, 6, 0)));
    return polyline(points, 2.0, 0.8);
}

double shortestEdge(const TopoDS_Shape& shape)
{
    double shortest = HUGE_VAL;
    for (TopExp_Explorer it(shape, TopAbs_EDGE); it.More(); it.Next()) {
        TopoDS_Vertex a, b;
        TopExp::Vertices(TopoDS::Edge(it.Current()), a, b);
        shortest = std::min(shortest, BRep_Tool::Pnt(a).Distance(BRep_Tool::Pnt(b)));
    }
    return shortest;
}

// Faces meeting along their edges, in groups that share none: a track in two groups is two
// pieces of copper, an open circuit, however its shell is filed.
int piecesOf(const TopoDS_Shape& solid)
{
    TopTools_IndexedDataMapOfShapeListOfShape facesOfEdge;
    TopExp::MapShapesAndAncestors(solid, TopAbs_EDGE, TopAbs_FACE, facesOfEdge);
    TopTools_IndexedMapOfShape faces;
    TopExp::MapShapes(solid, TopAbs_FACE, faces);
    std::vector<int> group(size_t(faces.Extent()) + 1, 0);
    int groups = 0;
    for (int seed = 1; seed <= faces.Extent(); ++seed) {
        if (group[size_t(seed)])
            continue;
        ++groups;
        std::vector<int> todo = {seed};
        group[size_t(seed)] = groups;
        while (!todo.empty()) {
            const TopoDS_Shape face = faces(todo.back());
            todo.pop_back();
            for (TopExp_Explorer e(face, TopAbs_EDGE); e.More(); e.Next())
                for (const TopoDS_Shape& other : facesOfEdge.FindFromKey(e.Current())) {
                    const int k = faces.FindIndex(other);
                    if (!group[size_t(k)]) {
                        group[size_t(k)] = groups;
                        todo.push_back(k);
                    }
                }
        }
    }
    return groups;
}

// How the faces around each edge run it: a shell with an edge not run as often each way is
// open, whatever it says of itself; one with an edge run more than once each way pinches
// there, or holds a face inside it.
struct EdgeRuns
{
    int uneven = 0, shared = 0;
};
EdgeRuns edgeRuns(const TopoDS_Shape& solid)
{
    TopTools_IndexedMapOfShape edges; // the same edge: the same shape at the same place
    std::vector<std::array<int, 2>> runs;
    for (TopExp_Explorer f(solid, TopAbs_FACE); f.More(); f.Next())
        for (TopExp_Explorer e(f.Current(), TopAbs_EDGE); e.More(); e.Next()) {
            const size_t k = size_t(edges.Add(e.Current()));
            runs.resize(std::max(runs.size(), k));
            ++runs[k - 1][e.Current().Orientation() == TopAbs_FORWARD ? 0 : 1];
        }
    EdgeRuns result;
    for (const std::array<int, 2>& count : runs) {
        result.uneven += count[0] == count[1] ? 0 : 1;
        result.shared += count[0] > 1 || count[1] > 1 ? 1 : 0;
    }
    return result;
}

// A run of n legs of the given length, turning left and right in turn: +x, +y, +x...
Route staircase(int n, double step, double width)
{
    std::vector<gp_Pnt> points = {gp_Pnt(5, 5, 1)};
    for (int i = 1; i <= n; ++i)
        points.push_back(points.back().Translated(i % 2 ? gp_Vec(step, 0, 0) : gp_Vec(0, step, 0)));
    return polyline(points, width, 0.05);
}

// The edges of a solid's faces whose curve on the face is not stored with them, or strays from
// the edge's own: the display's meshing and the booleans read it, and project the edge again
// for each face where it is missing.
int curvesAstray(const TopoDS_Shape& solid)
{
    int astray = 0;
    for (TopExp_Explorer f(solid, TopAbs_FACE); f.More(); f.Next()) {
        const TopoDS_Face& face = TopoDS::Face(f.Current());
        const Handle(Geom_Surface) surface = BRep_Tool::Surface(face);
        for (TopExp_Explorer e(face, TopAbs_EDGE); e.More(); e.Next()) {
            const TopoDS_Edge& edge = TopoDS::Edge(e.Current());
            double first = 0.0, last = 0.0;
            bool stored = false;
            const Handle(Geom2d_Curve) onFace = BRep_Tool::CurveOnSurface(edge, face, first, last, &stored);
            const Handle(Geom_Curve) curve = BRep_Tool::Curve(edge, first, last);
            const auto strays = [&](double t) {
                const gp_Pnt2d uv = onFace->Value(t);
                return surface->Value(uv.X(), uv.Y()).Distance(curve->Value(t)) > Precision::Confusion();
            };
            astray += !stored || strays(first) || strays(0.5 * (first + last)) || strays(last) ? 1 : 0;
        }
    }
    return astray;
}

} // namespace

// A long run came as one face of thousands of edges, on which every later step (the check, the
// cut, the STEP writer) walks the wire in the square of its length: a staircase of 1,000 steps
// exported in minutes. Its top and bottom come in strips of a bounded number of edges, and the
// solid keeps the area counted by hand: legs of step x width, less the square where two legs
// overlap at each bend, plus the quarter disc of the bend's round outside both (faceted). The
// traced outline is tried alone: the run is simple, and the swept one would take it.
TEST(TrackOutline, LongRunsComeInFacesOfBoundedEdges)
{
    const int steps = 1000;
    const double step = 0.1, r = 0.025;
    const TopoDS_Shape solid = TrackOutline::tracedRunSolid(staircase(steps, step, 2.0 * r).segments, 0, steps - 1);
    const double area = steps * step * 2.0 * r - (steps - 1) * r * r * (1.0 - M_PI / 4.0);
    EXPECT_EQ(TrackRuns::solidCount(solid), 1);
    EXPECT_TRUE(OccUtils::isValidShape(solid));
    // Each round is a polygon of the circle's area: the quarter outside the legs gives and
    // takes a little, a hundred-thousandth of the whole here.
    EXPECT_NEAR(TrackRuns::volumeOf(solid), area * 0.05, 3e-5 * area * 0.05);
    EXPECT_LE(TestSupport::mostEdgesOnAFace(solid), TrackOutline::kMostEdgesPerFace + 20);
    // A run that crosses itself leaves holes, several in a strip beside several pieces of the
    // outline: a zig-zag of 82 legs turning by 0.3 to 2.8 rad, left and right in turn.
    std::mt19937 random(7);
    const auto uniform = [&random](double lo, double hi) { return lo + (hi - lo) * double(random()) / double(random.max()); };
    std::vector<gp_Pnt> chain = {gp_Pnt(0, 0, 1)};
    double heading = 0.0;
    for (int i = 0; i < 82; ++i) {
        const double length = uniform(1.0, 3.0);
        chain.push_back(chain.back().Translated(gp_Vec(length * std::cos(heading), length * std::sin(heading), 0)));
        heading += (i % 2 ? 1.0 : -1.0) * uniform(0.3, 2.8);
    }
    const Route crossing = polyline(chain, 0.48, 0.05);
    EXPECT_EQ(TrackRuns::check(crossing), "");
    EXPECT_LE(TestSupport::mostEdgesOnAFace(RoutingManager::createRouteShape(crossing)),
              TrackOutline::kMostEdgesPerFace + 20);
}

// A thin track climbing in steps longer than its width has a simple outline, however long:
// drawn with true arcs and cut across its legs into faces of bounded edges, it keeps three faces
// a step (two sides and a round), where tracing it faceted its bends into about eight. One
// valid piece of the area counted by hand: legs of step x width, less the square where two
// legs overlap at each bend, plus the quarter disc of the bend's round outside both, each edge
// carrying its curve on the faces it bounds.
TEST(TrackOutline, ThinStaircasesKeepThreeFacesAStep)
{
    struct Row
    {
        int steps;
        double step, width;
    };
    for (const Row& row : {Row{67, 0.1, 0.05}, Row{1000, 0.1, 0.05}, Row{300, 0.12, 0.1}, Row{150, 5.0, 2.0}}) {
        const std::string name = std::to_string(row.steps) + " steps of " + std::to_string(row.step);
        const double r = 0.5 * row.width;
        const TopoDS_Shape solid = RoutingManager::createRouteShape(staircase(row.steps, row.step, row.width));
        const double area = row.steps * row.step * row.width - (row.steps - 1) * r * r * (1.0 - M_PI / 4.0);
        EXPECT_NEAR(TrackRuns::volumeOf(solid), area * 0.05, 1e-7 * area * 0.05) << name;
        EXPECT_EQ(TrackRuns::solidCount(solid), 1) << name;
        EXPECT_TRUE(OccUtils::isValidShape(solid)) << name;
        EXPECT_EQ(piecesOf(solid), 1) << name;
        EXPECT_EQ(edgeRuns(solid).uneven, 0) << name;
        EXPECT_EQ(edgeRuns(solid).shared, 0) << name;
        EXPECT_LE(TestSupport::mostEdgesOnAFace(solid), TrackOutline::kMostEdgesPerFace) << name;
        EXPECT_LE(TestSupport::countOf(solid, TopAbs_FACE), 3.1 * row.steps + 10) << name;
        EXPECT_EQ(curvesAstray(solid), 0) << name;
    }
}

// Bends are faceted, and a staircase's rounds overlap in a chain whose side runs as far out as
// their facets reach across it: staircases from a thirtieth of the width to half of it, thin
// and wide, keep the volume of the fuse of their pieces to a few ten-thousandths.
TEST(TrackOutline, StaircasesKeepTheVolumeOfTheirPiecesFuse)
{
    for (const double width : {0.05, 2.0})
        for (const double step : {0.035, 0.1, 0.5}) {
            const Route route = staircase(12, step * width, width);
            const double fused = TrackRuns::volumeOf(RoutingManager::fusedRouteShape(route));
            EXPECT_NEAR(TrackRuns::volumeOf(RoutingManager::createRouteShape(route)), fused, 3e-4 * fused)
                << width << " mm wide, steps of " << step << " of it";
        }
}

// Runs that split into several solids, some invalid, lost material or took the slow fallback
// for seconds: each is one valid solid of the volume of the union of its pieces, built fast.
// One case per rule of the outline, each with the runs that broke it, most of them the fuzz
// target's findings. Each road is judged alone too, so that a rule broken shows where the
// fuse would have taken the run; rules that refuse a run have rows that they refuse.
TEST(TrackOutline, EveryRunIsOneSolidOfItsPiecesVolume)
{
    struct Run
    {
        Route route;
        bool fuse = true; // the fuse of the pieces as reference; it takes minutes on many tiny ones
        bool taken = true; // by one of the outline's roads; else it may be left to the fuse
        double within = 0.0; // where set, the road's volume to this fraction of the fuse's
        bool strips = true; // a long outline's faces in strips of bounded edges
    };
    struct Case
    {
        std::string rule;
        std::vector<Run> runs;
    };
    const std::vector<Case> cases = {
        {"nearly straight: bends too slight for a round merge into one leg",
         {
             // 22 spans of 0.3 to 0.9 mm bent by 1e-7 to 1e-6 rad, 1 mm wide
             {nearlyStraight(22, 1.0, 1e-7, 1e-6, 1, 0.3, 0.9)},
             // 22 spans of 0.01 to 0.03 mm bent by 1e-6 to 1e-5 rad, 0.2 mm wide
             {nearlyStraight(22, 0.2, 1e-6, 1e-5, 2, 0.01, 0.03), false},
             // nearly straight, rounds near the ends (fuzz)
             {printed({55.190356298161305, 17.485313191424439, 55.378504362885685, 18.007094614868389,
                       55.52013011062806, 18.399857107832052, 55.600403457410003, 18.622474549351086,
                       55.8008323938678, 19.17846332815596, 55.847010167668778, 19.306559673071582,
                       56.067988484989982, 19.919570997721234, 56.306517297271569, 20.581264822558424},
                      1.0131248859856286, 0.083918455223129684)},
             // nearly straight, 1.3 micrometres wide (fuzz)
             {printed({-88.665598535133896, 32.994583047226655, -88.666598875847257, 32.994607122453438,
                       -88.666968499915541, 32.994616015602482, -88.668501713828618, 32.994652904769353,
                       -88.669811209375069, 32.994684411668892, -88.670412974811242, 32.994698916153915,
                       -88.671446097202406, 32.994723817878082},
                      0.0012627415837181642, 0.01203033481183695)},
         }},
        {"spans of nanometres, alone, between legs, at corners and at ends",
         {
             // 15 spans of 1.1e-7 mm
             {tinySpans(15, false), false},
             // two in line, the run shorter than its legs' tolerance: one leg to its farthest point
             {polyline({gp_Pnt(1, 1, 1), gp_Pnt(1 + 5e-6, 1, 1), gp_Pnt(1 + 1e-5, 1, 1)}, 1.0, 0.5)},
             // 15 spans of 1.1e-7 mm between legs
             {tinySpans(15, true), false},
             // tiny spans at corners (fuzz)
             {printed({-2.8946364538033151, 23.84222171358816, 1.4200692197328895, 23.338161201229415,
                       1.4200574657498013, 23.338128800341302, 3.790869822794277, 22.344351634880496,
                       4.8904142096776999, 21.207140999291173, 4.8903998843407459, 21.20709940142995,
                       4.8904003372587832, 21.207099944616225, 4.8904678665322745, 21.207080480439203},
                      0.20985325208011782, 0.0010002811210779504)},
             // tiny span at the end, turned (fuzz)
             {printed({24.034485389486534, 81.292439154650197, 24.028544724007016, 81.305621071660752,
                       24.028544583003839, 81.305612509441744},
                      0.0065081211647389416, 0.0071321992656830906)},
             // tiny spans at both ends (fuzz)
             {printed({-22.102693217364759, -65.334554055085079, -22.102700172942445, -65.334530528416408,
                       -22.102701149001167, -65.334529802329044, -22.102700633952924, -65.33452887390105,
                       -22.102699549356842, -65.334529068479085, -22.092156336434677, -65.350725494989206,
                       -22.092154859403333, -65.350726391990477},
                      0.020664458519652963, 0.0011313309931137224)},
             // clusters of spans of nanometres on micrometre tracks, a few nanometres across:
             // wider than the legs' tolerance, their pieces reach past a round of them
             {printed({-89.159990844586858, 46.437781338216212, -89.159989750987165, 46.437780302382436,
                       -89.15998972622171, 46.437780537792904, -89.159990226132535, 46.437779613495493,
                       -89.159990209034675, 46.437779476946588, -89.159990094805678, 46.437779247764162,
                       -89.159990061044155, 46.437778225215837},
                      0.0010930680717570432, 5.3376709415328056)},
             {printed({15.095750362401759, 17.592126344701313, 15.095750115430191, 17.592126720109693,
                       15.095748902462093, 17.59212474176358, 15.095748687451795, 17.592124584792291},
                      0.0014069513710958832, 0.0068995211725819787)},
         }},
        {"a loop closing on itself",
         {
             // loop whose hole touches the outline at a corner
             {polyline({gp_Pnt(0, 0, 1), gp_Pnt(10, 0, 1), gp_Pnt(10, 10, 1), gp_Pnt(-1, 10, 1), gp_Pnt(-1, 1, 1)}, 2.0, 0.5)},
             // loop 10 micrometres wide whose edges lie along the rows of the count (fuzz)
             {printed({-99.597161821927216, 32.661936369878674, -99.597324805890494, 32.661936369878674,
                       -99.597513525863405, 32.661705814979648, -99.597458545524333, 32.66162096017397,
                       -99.597094876819568, 32.661548353025132, -99.596985853324469, 32.661683976943657,
                       -99.59710144225599, 32.662095060996428, -99.597404017340907, 32.662179360852797,
                       -99.5975211583646, 32.662013427657385, -99.597460254605295, 32.661768841873297,
                       -99.597338199458818, 32.661753786062256},
                      0.01032773881105911, 0.001), false},
         }},
        {"spans shorter than the width: rounds that overlap the next ones",
         {
             // bend of two spans shorter than the width (fuzz)
             {printed({-17.576867322804617, -97.854581521324477, -17.57734160778411, -97.854476662075655,
                       -17.577763826851221, -97.853752828901449},
                      0.0075220810496632448, 0.0034323508038991953)},
             // zig-zag of spans shorter than the width (fuzz)
             {printed({78.789959563591992, 13.786526283665211, 78.78964683199186, 13.786597046616725,
                       78.789797608042093, 13.786126769176516, 78.789578895428406, 13.786472917508219,
                       78.789813464203519, 13.785998764757059, 78.789566469010907, 13.786386726665679,
                       78.78955083976021, 13.78622397343619},
                      0.0095787596738351518, 2.3247934575525626)},
             // micrometre track with rounds a micrometre apart (fuzz)
             {printed({-56.945143816281373, -2.0950637064164255, -56.94371662380027, -2.1005022738490795,
                       -56.943692340997849, -2.100511140199901, -56.943693189188508, -2.1005110919656098,
                       -56.943690620994822, -2.1005111891482091, -56.947748600148024, -2.0990047632800195,
                       -56.947753182223913, -2.0990013526388331},
                      0.0016554087557610795, 4.2544120629300322)},
             // micrometre track whose rounds meet nanometres inside its sides (fuzz)
             {printed({-36.406500343327998, 1.4877546349278958, -36.406512747469066, 1.487702141393199,
                       -36.406511811993134, 1.4877061241467755, -36.406512535827062, 1.487706104120412,
                       -36.406556295113766, 1.4876309196579049, -36.406819905006763, 1.4872460867561166,
                       -36.406813131575333, 1.4872506716525056, -36.406806429738026, 1.4873348399367594,
                       -36.406806446424817, 1.4873428420796928, -36.406955351072959, 1.4878883760203205,
                       -36.40695444505743, 1.48788298365591},
                      0.0012614913370572517, 0.0033546157857438988), false},
             // micrometre track whose last bend lies half a micrometre from its end (fuzz)
             {printed({-81.268024719615468, -58.318455786984053, -81.268027724787075, -58.31845412333962,
                       -81.268026190330957, -58.318454101197069, -81.268026656701238, -58.318454226681929},
                      0.0010303339379625254, 0.0015133325948411681)},
             // micrometre track whose last bends lie a few tenths of a micrometre from a round (fuzz)
             {printed({-55.831235217822538, 66.152437628748004, -55.831240359104676, 66.152445294002717,
                       -55.831240467331071, 66.152445523236324, -55.831240705049659, 66.152445643253216},
                      0.0010799732182713909, 0.0015503601371410279)},
             // micrometre track whose first bends lie a few tenths of a micrometre from its start (fuzz)
             {printed({-46.681925688563361, 88.894483863584327, -46.68192605187329, 88.89448326570178,
                       -46.681926387666422, 88.894482601740705, -46.681928621032618, 88.894477163243906},
                      0.001729728321957578, 0.92857871142771031)},
             // track 10 micrometres wide with legs of a micrometre at two bends (fuzz)
             {printed({24.034485389486534, -80.511177233539328, 24.034485537528418, -80.511178774853022,
                       24.017486606681477, -80.540103911199793, 24.017484414028811, -80.540104865972637,
                       24.017483264121669, -80.540105354735374, 24.074730770659038, -80.515772565551885,
                       24.06763383808137, -80.518789084081803},
                      0.010015409994708856, 0.0049784386122104828)},
         }},
        {"short end legs: a leg shorter than the radius at an end, rounds reaching past it",
         {
             // micrometre track ending in a short leg between two rounds (fuzz)
             {printed({8.1773098344396118, 6.4774547951476364, 8.1771769496818418, 6.4774579107365957,
                       8.1771661825444006, 6.4774534059519544, 8.1771660566399067, 6.4774534330419842},
                      0.0010233830888000583, 0.16454374453776169)},
             // micrometre track starting with a short leg bent once (fuzz)
             {printed({-24.800488288700691, -11.067368581673918, -24.800506030047437, -11.067364750146726,
                       -24.800519524584619, -11.067360930541188, -24.801390596139743, -11.067077555954219},
                      0.0024009186503444837, 0.95330631777470654)},
             // micrometre track ending in a short leg whose rounds meet its sides too flat (fuzz)
             {printed({30.885786221103217, -92.489509422446019, 30.885786147990036, -92.489509288281425,
                       30.885773636754493, -92.489519924841119, 30.885801234492671, -92.489496811141521,
                       30.900030439206713, -92.476461336361481, 30.908017809202757, -92.482097105961714,
                       30.908021919393693, -92.482083045054736, 30.934284535370104, -92.46987347928922,
                       30.934285304513359, -92.469867360465514},
                      0.0020054997273866457, 0.0017273062506785503), false},
             // micrometre track whose short start leg and nearby bend each take a little of its volume (fuzz)
             {printed({-88.860914015411609, 32.970168612191941, -88.860914256606307, 32.970174538711674,
                       -88.860914914777112, 32.970174535114808, -88.860926233565849, 32.970181966305745},
                      0.0011325648305489761, 0.32086686020468563)},
             // micrometre track starting with a leg shorter than its radius into a slight bend (fuzz)
             {printed({-78.371862363622483, -17.973601892118722, -78.372259629658245, -17.97350227937519,
                       -78.372259836307848, -17.973502224271602, -78.372963274588628, -17.973314759200758},
                      0.0010284644552718185, 0.22514011716808605)},
             // micrometre track that is one round and a leg a few micrometres long (fuzz)
             {printed({60.732433051041426, 82.156099794003211, 60.732447560541857, 82.156107462212063,
                       60.732447657980465, 82.156107567438895, 60.73244978849177, 82.156109893388575},
                      0.0010789039314692227, 0.003080739076211203)},
             // micrometre track that is one round and a leg a dozen micrometres long (fuzz)
             {printed({6.1173418783856022, 92.77943083848325, 6.117340708777534, 92.779429391480178,
                       6.1173401985904974, 92.77942928173222, 6.1173395663999433, 92.779441431007186},
                      0.0017391780760892357, 0.019070145618607617)},
         }},
        {"fold back",
         {
             // micrometre track starting with a leg shorter than its radius, then folding back (fuzz)
             {printed({-6.4072632944228332, -14.836346990157935, -6.4072158166120348, -14.836309930013327,
                       -6.404818511581138, -14.834471896229649, -6.408775648168044, -14.831134727883466},
                      0.0011376247106457615, 0.031130553803452619)},
             // micrometre track folding back, whose corner three pieces place hundredths of a micrometre apart (fuzz)
             {printed({-82.044020242507102, -21.074311377641621, -82.04294622860975, -21.073018129000097,
                       -82.042571442540464, -21.074484806757962, -82.042307852272543, -21.074669346507186},
                      0.0017361647362688099, 0.0010454328156522818)},
             // micrometre track with a sharp bend and a short last leg, its corners found a little apart (fuzz)
             {printed({15.306324864576169, 17.778286411841009, 15.306301470341921, 17.778375786499964,
                       15.306292634172365, 17.778456113888353, 15.306385989791512, 17.778446295030317},
                      0.0025095363870784198, 1.5583882659829129)},
         }},
        {"retraced in line: a spur of a few vertices where the lines nearly meet",
         {
             // track 6.5 micrometres wide retraced, with a cluster of tiny spans (fuzz)
             {printed({-34.004730296787983, 24.034485389486534, -34.004722674133099, 24.034483330250165,
                       -34.004729203175508, 24.034488871286289, -34.016798050953412, 24.043381763541401,
                       -34.016799295860416, 24.043381213985981, -34.016799340743439, 24.043379738823251,
                       -34.01679786813196, 24.04337911164593, -34.016796721374355, 24.043380414847153,
                       -34.020107002482604, 24.039618536670421, -34.016796721374355, 24.043380414847153,
                       -34.020107002482604, 24.039618536670421},
                      0.0065081211647389416, 0.07132449861307058), false},
             // micrometre track retraced, with tiny spans, its corners found a little apart (fuzz)
             {printed({62.6031891355764, -62.853437094682228, 62.603181535516512, -62.853421829870541,
                       62.603181676352527, -62.853422152310081, 62.603490511805227, -62.853855451254788,
                       62.603492990522383, -62.853868430271326, 62.603492952198856, -62.853868031071137,
                       62.603492900975468, -62.85386813149259, 62.603492816145796, -62.853867661947199,
                       62.60363287043662, -62.854642884156974, 62.603595445073829, -62.854435728972533,
                       62.60363287043662, -62.854642884156974, 62.603595445073829, -62.854435728972533},
                      0.0013923931587825592, 0.78833658333149648), false},
             // track 6.5 micrometres wide retraced on lines a few hundredths of a micrometre apart (fuzz)
             {printed({-63.024338139925227, -4.9851224536507317, -63.017230013731762, -4.9834307574426182,
                       -63.017230053435703, -4.9834306644466739, -63.014865365133545, -4.9909329533173983,
                       -63.02992911643431, -4.9431411941954515, -63.014883694430573, -4.9909387267672383,
                       -63.02992911643431, -4.9431411941954515, -63.014883694430573, -4.9909387267672383,
                       -63.02992911643431, -4.9431411941954515, -63.014883694430573, -4.9909387267672383,
                       -63.02992911643431, -4.9431411941954515, -63.029928187542346, -4.9431441451757507,
                       -63.031432729742718, -4.9383643919185722},
                      0.0065081211647389416, 0.07132449861307058)},
             // track 6.5 micrometres wide retraced after a cluster of spans of nanometres (fuzz)
             {printed({85.998321507591356, -55.965514610513466, 85.998321470795531, -55.965514516237548,
                       85.99832199599858, -55.965514652004977, 85.998322135175371, -55.965514817511938,
                       85.998323489343662, -55.965510553337722, 85.998321821691889, -55.965513990774411,
                       85.998327303970058, -55.965502690463126, 85.997929297254629, -55.966323079293467,
                       85.998327303970058, -55.965502690463126, 85.997929297254629, -55.966323079293467,
                       85.998327303970058, -55.965502690463126},
                      0.0065081211647389416, 0.07132449861307058), false},
             // micrometre track retraced after a leg of nanometres whose rounds stand off it (fuzz)
             {printed({50.701152056153205, -92.043945983062486, 50.700811334387453, -92.043866014072933,
                       50.70081186736877, -92.043873274994993, 50.700820950722481, -92.043868839445821,
                       50.700873591958356, -92.043827369843328, 50.700873932187626, -92.043826889874651,
                       50.700874093640607, -92.043826272581171, 50.700865109487879, -92.043860622265441,
                       50.700874093640607, -92.043826272581171, 50.700865109487879, -92.043860622265441,
                       50.700874093640607, -92.043826272581171},
                      0.0022323228341251744, 0.001), false},
         }},
        {"micrometre track sliver: pieces that meet hundredths of a micrometre apart",
         {
             // micrometre track whose outline came out larger than all its pieces (fuzz)
             {printed({20.991836423285264, -52.382696269169152, 20.991867407383204, -52.38272751653863,
                       20.997932856816817, -52.373496187487831, 20.997952681949361, -52.373444286711347},
                      0.0010144672860000587, 1.695259887115635)},
             // micrometre track whose round and side meet at points hundredths of a micrometre apart (fuzz)
             {printed({-8.3691949403869472, -21.842996124825788, -8.3692846009407038, -21.842894910151632,
                       -8.3692905442085781, -21.842855065108271, -8.369530627185167, -21.843000449474488},
                      0.0013192894380507215, 0.19972248730690534)},
         }},
        {"the outline pinched where straightening makes it touch itself",
         {
             // zig-zag 2.6 micrometres wide (fuzz)
             {printed({-60, -59.392690928511485, -60.000109090378444, -59.393026674173292, -59.999883772989719,
                       -59.392754906010282, -59.999774392450746, -59.39309055725456, -59.999762054208453,
                       -59.392861405371022, -59.999422605899937, -59.393203917199038, -59.99958614224699,
                       -59.392954494414752, -59.999479581456647, -59.392990792434468, -59.999798618231424,
                       -59.392809845813055, -59.999681931235308, -59.392794200969398, -59.999888686346097,
                       -59.392484729154653},
                      0.002558905784846157, 0.031642226348704214),
              false},
         }},
        {"micrometre track: its vertices no nearer than OpenCASCADE tells apart",
         {
             // two spans 1 micrometre wide, where a grid of a 256th of the tolerance puts
             // vertices a tenth of a nanometre apart
             {printed({45.879301136797125, -41.524376287479967, 45.879309208956315, -41.524412711375852,
                       45.879309954126057, -41.524399143033904},
                      0.0010084556093379121, 0.0051942883484699387)},
         }},
        {"loops crossing themselves many times: strips that do not meet along a cut",
         {
             // polygons 15 and 35 mm wide, round and on past the start
             {printed({10.896467536430919, 96.3500419623102, -203.58585613763401, 244.01905088912656,
                       -480.82291980710465, 159.71363550507692, -304.70723484186351, -163.30894917819938,
                       -102.52335771724947, -122.74921697558997, 36.338365735342052, 177.52734468318843,
                       -57.884984375724457, 390.81171154730464, -287.44789018231728, 437.21701170025358,
                       -510.697899172088, 219.64473322307117, -269.60713103635425, -48.210129141006462,
                       -29.611247623716196, 126.22408459609809, -90.077319115141933, 217.497487480838,
                       -417.61375705474279, 224.34390317631002},
                      15.329014306476896, 0.0086745456806375312),
              false},
             {printed({-33.672083619440002, -24.568551155870907, -314.95894195643706, -409.29738876893487,
                       -192.23494144053734, -713.88614636198758, 130.74658987044279, -497.50702758816453,
                       132.78620136168254, -283.65489465808366, -71.361053157697143, -176.20573156940145,
                       -242.30322504633807, -383.13049518980881, -147.28007002554162, -428.71552388575265,
                       87.106646205692641, -113.87676146997666, 44.086052062529426, -50.273175545303872,
                       -462.87517547818447, -153.38539354288429},
                      35.30974258952633, 0.54757688348878331),
              false},
             // a walk 19.6 mm wide whose strips' loops do not meet along a cut: one face instead
             {printed({-25.676356145571063, 38.887617303730821, -27.271008002702704, 32.611576837691445,
                       -63.110085905951237, 37.367245623035437, -66.242004739331335, 48.463665396802668,
                       -66.13403870245088, 30.078416648652855, -77.321552749963388, 40.155098900709795,
                       -94.234553841135906, 9.108673949448125, -110.0679565021574, -21.349032537964579,
                       -102.55717631711663, -38.822618536378833, -117.13883876387317, -50.765189515437399,
                       -140.06661382071314, -71.279461429306025},
                      19.630138124258863, 0.4211431043082034),
              true, true, 0.0, false},
         }},
        {"a round at the run's end: left to the traced outline",
         {
             // a leg of 0.09 micrometres, then spans that turn back within its tolerance (fuzz)
             {printed({76.720836194399936, 66.436255436026556, 76.720921549292569, 66.436288079870479,
                       76.720897560061161, 66.436260328177482, 76.720899056782855, 66.436261998167012},
                      1.6907586340375402, 0.0013446307430307917)},
         }},
        {"a union in two pieces, not one face: left to the fuse",
         {
             // nearly straight, 0.34 mm wide, spans of 0.7 to 6 mm
             {printed({-73.162432288090329, 2.6138704509040878, -69.144508091218398, 2.7578118385397374,
                       -66.091919029063746, 2.8671683349128236, -64.779712855748059, 2.9141770623117655,
                       -63.932979146854677, 2.9444669167141506, -62.938631080774101, 2.9800740967889028,
                       -57.475195520694456, 3.1757178214929582, -53.061371356829675, 3.3337844768971618,
                       -46.926049580248751, 3.553495995917352, -45.532328731285922, 3.6033957812282673,
                       -42.796972649824156, 3.7013304882704459, -42.148278058112517, 3.7245558728786254},
                      0.34130988882157609, 0.084795762777848102),
              true, false},
             // nearly straight, 0.72 mm wide, spans of 1 to 9 mm
             {printed({-40.688181887541006, 53.643091477836293, -45.571123150183176, 52.669852531102705,
                       -52.57435936169189, 51.274009245221187, -61.301090494510994, 49.534643851934192,
                       -65.103306915522566, 48.776782531195011, -67.304068078063466, 48.338152841792116,
                       -74.063245472737208, 46.990993405255146, -76.865035859089033, 46.432751973861969,
                       -82.953613374162742, 45.21963420230675, -86.816520371482156, 44.449969239507823,
                       -93.068277849477269, 43.204337661746614, -93.995852797884979, 43.019522977195614},
                      0.72378011723770763, 0.032031492316852248),
              true, false},
         }},
        {"straightening that moves the area by more than a ten-thousandth is not taken",
         {
             // micrometre track retraced ten times along one line
             {printed({-32.356755931944761, 84.942397192339968, -32.357488762936036, 84.942783053391182,
                       -32.356774522037554, 84.942406980671564, -32.358204910510707, 84.943160130042244,
                       -32.357923890274655, 84.94301216309627, -32.359646536456616, 84.94391919633388,
                       -32.35723019381205, 84.942646907737981, -32.358232295147396, 84.943174549007637,
                       -32.355632160835434, 84.941805487694936, -32.358161152292283, 84.943137089815565,
                       -32.355954269943247, 84.941975089363567},
                      0.0012443227244823207, 0.067151272340298857),
              true, true, 1e-4},
             // the same, on another line
             {printed({24.843213550011441, -21.635767147325851, 24.848455192326739, -21.641194592924855,
                       24.840773089556066, -21.633240178570386, 24.84892576603043, -21.641681847304966,
                       24.845140262014077, -21.637762156513855, 24.846601473604874, -21.639275164449277,
                       24.841807264570214, -21.634311012536443, 24.844524581809676, -21.637124651965706,
                       24.834675665734089, -21.626926616122358, 24.840200118186157, -21.632646896779509,
                       24.836078845078259, -21.628379534711236},
                      0.0011410105165241488, 0.17568075661610483),
              true, true, 1e-4},
         }},
        {"a bay open across a cut: the outline leaves a strip and comes back into it nested",
         {
             // polygon 42 mm wide, 1.9 m across, with spans of a tenth of a micrometre (fuzz)
             {printed({24.034485389486534, 59.670405127031358, 24.034485305650637, 59.670405005069725,
                       24.034485202883623, 59.670404924518529, 666.5332840196935, 20.506170532920898,
                       -17.686017975230925, -429.88272312895799, -17.686020138663395, -429.88276204457566,
                       144.38630370503574, -204.67089507435514, -1234.3881358976139, -174.46056442367814,
                       -1234.3881361026674, -174.46056444600066},
                      42.111455352842768, 10),
              false},
         }},
    };
    for (const Case& c : cases)
        for (size_t k = 0; k < c.runs.size(); ++k) {
            const Route& route = c.runs[k].route;
            const std::string name = c.rule + ", run " + std::to_string(k + 1);
            // The fallback, uniting the pieces, took 5 to 16 s on the tiny spans: the outline is
            // traced or swept instead.
            const int last = int(route.segments.size()) - 1;
            // Each road judged alone, the traced one also where the swept one takes the run:
            // the fuse that takes what they refuse would hide a rule broken, and a solid whose
            // shell says it is closed is not taken at its word.
            const TopoDS_Shape roads[] = {TrackOutline::runSolid(route.segments, 0, last),
                                          TrackOutline::tracedRunSolid(route.segments, 0, last)};
            EXPECT_TRUE(!roads[0].IsNull() || !roads[1].IsNull() || !c.runs[k].taken) << name;
            for (const TopoDS_Shape& road : roads) {
                if (road.IsNull())
                    continue;
                const std::string which = name + (&road == roads ? ", swept" : ", traced");
                EXPECT_EQ(TrackRuns::checkSolid(route, road, c.runs[k].fuse), "") << which;
                EXPECT_EQ(piecesOf(road), 1) << which;
                EXPECT_EQ(edgeRuns(road).uneven, 0) << which;
                EXPECT_EQ(curvesAstray(road), 0) << which;
                if (c.runs[k].strips)
                    EXPECT_LE(TestSupport::mostEdgesOnAFace(road), TrackOutline::kMostEdgesPerFace + 20) << which;
                if (c.runs[k].within > 0.0) {
                    const double fused = TrackRuns::volumeOf(RoutingManager::fusedRouteShape(route));
                    EXPECT_NEAR(TrackRuns::volumeOf(road), fused, c.runs[k].within * fused) << which;
                }
            }
            const TopoDS_Shape solid = RoutingManager::createRouteShape(route);
            EXPECT_EQ(TrackRuns::solidCount(solid), 1) << name;
            // Vertices nearer than this are one to OpenCASCADE's cut, check and meshing.
            EXPECT_GE(shortestEdge(solid), Precision::Confusion()) << name;
            EXPECT_EQ(TrackRuns::check(route, c.runs[k].fuse), "") << name;
        }
}

// The traced outline's planar steps on polygons drawn for them: a run of a track is one chain of
// overlapping pieces, so no run reaches what these refuse.
namespace {

ClipperLib::Path square(ClipperLib::cInt x0, ClipperLib::cInt y0, ClipperLib::cInt x1, ClipperLib::cInt y1, bool clockwise = false)
{
    ClipperLib::Path p = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
    if (clockwise)
        std::reverse(p.begin(), p.end());
    return p;
}

double areaOf(const ClipperLib::Paths& loops)
{
    double area = 0.0;
    for (const ClipperLib::Path& loop : loops)
        area += ClipperLib::Area(loop);
    return area;
}

} // namespace

// One face or nothing: material lost in a hole, or a second piece dropped, would be copper the
// track does not have, or has where it should not.
TEST(TracedOutline, UnionIsOneFaceWithItsHolesOrNothing)
{
    // A frame 100 across with a hole 60 across, as four overlapping bars.
    const ClipperLib::Paths frame = {square(0, 0, 100, 25), square(75, 0, 100, 100), square(0, 75, 100, 100),
                                     square(0, 0, 25, 100)};
    const struct
    {
        const char* name;
        ClipperLib::Paths pieces;
        size_t loops; // 0: refused
        double area;
    } rows[] = {
        {"a frame", frame, 2, 100.0 * 100 - 50 * 50},
        {"a frame round an island", [&] { auto p = frame; p.push_back(square(40, 40, 60, 60)); return p; }(), 0, 0},
        {"two squares on one corner", {square(0, 0, 10, 10), square(10, 10, 20, 20)}, 0, 0},
        // cleaned to fewer than three vertices, a hole one unit across could bound no face
        {"a frame round a hole one unit across",
         {square(0, 0, 11, 5), square(6, 0, 11, 11), square(0, 6, 11, 11), square(0, 0, 5, 11)}, 0, 0},
    };
    for (const auto& row : rows) {
        const ClipperLib::Paths loops = TrackOutline::Traced::unionOf(row.pieces);
        EXPECT_EQ(loops.size(), row.loops) << row.name;
        EXPECT_DOUBLE_EQ(areaOf(loops), row.area) << row.name;
        for (size_t k = 0; k < loops.size(); ++k)
            EXPECT_EQ(ClipperLib::Orientation(loops[k]), k == 0) << row.name << ", loop " << k;
    }
}

// A strip of an outline keeps what lies between its lines, as faces one face can carry. A frame
// across the cut leaves the strip twice, its outer loop round its hole: the strip is a bay open
// across the line, one face without a hole however the loops' runs beyond it are closed.
TEST(TracedOutline, StripKeepsWhatLiesBetweenItsLines)
{
    // A frame 100 across with a hole 60 across, each edge that crosses x = 0 cut there.
    const ClipperLib::Paths frame = {
        {{50, -50}, {50, 50}, {0, 50}, {-50, 50}, {-50, -50}, {0, -50}},
        {{30, -30}, {0, -30}, {-30, -30}, {-30, 30}, {0, 30}, {30, 30}},
    };
    ClipperLib::Paths islanded = frame;
    islanded.push_back(square(-10, -10, 10, 10));
    const struct
    {
        const char* name;
        ClipperLib::Paths loops;
        ClipperLib::cInt from; // to x = 100
        bool taken;
        std::vector<size_t> loopsOfFaces;
        double area;
    } rows[] = {
        {"a frame across the cut", frame, 0, true, {1}, 50.0 * 100 - 30 * 60},
        {"the whole frame", frame, -100, true, {2}, 100.0 * 100 - 60 * 60},
        {"the whole frame round an island", islanded, -100, false, {}, 0},
    };
    for (const auto& row : rows) {
        std::vector<ClipperLib::Paths> faces;
        EXPECT_EQ(TrackOutline::Traced::stripOf(row.loops, row.from, 100, faces), row.taken) << row.name;
        if (!row.taken)
            continue;
        std::vector<size_t> loopsOfFaces;
        double area = 0.0;
        for (const ClipperLib::Paths& face : faces) {
            loopsOfFaces.push_back(face.size());
            area += areaOf(face);
        }
        EXPECT_EQ(loopsOfFaces, row.loopsOfFaces) << row.name;
        EXPECT_DOUBLE_EQ(area, row.area) << row.name;
    }
}

// Each edge crossing a cut line gets a vertex on it, in its order along the edge, where the
// strips' tops and bottoms meet the sides; two crossings on one point of the grid would pinch
// the strips there.
TEST(TracedOutline, SplitPutsAVertexWhereAnEdgeCrossesACut)
{
    const struct
    {
        const char* name;
        ClipperLib::Paths loops;
        std::vector<ClipperLib::cInt> cuts;
        ClipperLib::Paths split; // empty: refused
    } rows[] = {
        {"a square across two lines", {square(-10, -10, 10, 10)}, {-5, 5},
         {{{-10, -10}, {-5, -10}, {5, -10}, {10, -10}, {10, 10}, {5, 10}, {-5, 10}, {-10, 10}}}},
        {"a line along an edge", {square(-10, -10, 10, 10)}, {10}, {square(-10, -10, 10, 10)}},
        {"two edges crossing a line at one point", {square(-10, -10, 10, 0), {{-10, 2}, {10, -2}, {10, 6}}}, {0}, {}},
    };
    for (const auto& row : rows)
        EXPECT_EQ(TrackOutline::Traced::splitAt(row.loops, row.cuts), row.split) << row.name;
}

#ifdef VTQ_ASAN
constexpr bool kUnderSanitizers = true;
#else
constexpr bool kUnderSanitizers = false;
#endif

// A thin track that goes 400 mm out at 45 degrees and comes back half way over itself used to
// fill a square of grid cells, gigabytes at a hundredth of a millimetre: its outline is traced
// within a memory that a leg along an axis needs as well.
TEST(TrackOutline, DiagonalLegTracesInLinearMemory)
{
    if (kUnderSanitizers)
        GTEST_SKIP() << "the sanitizers reserve address space of their own";
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (const bool diagonal : {false, true}) {
        const auto traced = [diagonal] {
            const gp_Vec along = diagonal ? gp_Vec(1, 1, 0).Normalized() : gp_Vec(1, 0, 0);
            const gp_Pnt a(0, 0, 1), b = a.Translated(along * 400.0), c = a.Translated(along * 200.0);
            const Route route = polyline({a, b, c, c.Translated(gp_Vec(-along.Y(), along.X(), 0))}, 0.01, 0.5);
            if (TrackOutline::tracedRunSolid(route.segments, 0, 2).IsNull())
                return 1;
            return TrackRuns::check(route).empty() ? 0 : 2;
        };
        EXPECT_EXIT(TestSupport::exitUnderAddressSpaceLimit(256ull << 20, traced), ::testing::ExitedWithCode(0), "")
            << (diagonal ? "diagonal" : "along X");
    }
}

// The fuzzer, built by clang, prints the run it drew; the same bytes replayed by a test built
// by another compiler must draw that run, or its findings cannot be replayed.
TEST(TrackOutline, FuzzBytesDrawTheRunTheFuzzerPrinted)
{
    const std::vector<uint8_t> bytes = {
        0x04, 0x08, 0x2c, 0x51, 0x76, 0x9b, 0xc0, 0xe5, 0x0a, 0x2f, 0x54, 0x79, 0x9e, 0xc3, 0xe8, 0x0d,
        0x32, 0x57, 0x7c, 0xa1, 0xc6, 0xeb, 0x10, 0x35, 0x5a, 0x7f, 0xa4, 0xc9, 0xee, 0x13, 0x38, 0xa7,
        0x5d, 0x82, 0xcc, 0xf1, 0x16, 0x3b, 0x60, 0x85, 0xaa, 0xcf, 0xf4, 0x19, 0x3e, 0x63, 0x88, 0xad,
        0xd2, 0xf7, 0x1c, 0x41, 0x66, 0x8b, 0xb0, 0xd5, 0xfa, 0x1f, 0x44, 0x69, 0x8e, 0xb3};
    const Route route = TrackRuns::runFrom(bytes.data(), bytes.size());
    ASSERT_EQ(route.segments.size(), 10);
    EXPECT_DOUBLE_EQ(route.segments.first().width, 0.0065081211647389416);
    EXPECT_DOUBLE_EQ(route.segments.first().start.X(), -34.004730296787983);
    EXPECT_DOUBLE_EQ(route.segments.first().start.Y(), 24.034485389486534);
    EXPECT_DOUBLE_EQ(route.segments.last().end.X(), -34.020107002482604);
    EXPECT_DOUBLE_EQ(route.segments.last().end.Y(), 24.039618536670421);
}

