// A run reduced to the straight legs its outline follows. Points clicked along a line, corners
// dragged almost into it and steps far shorter than the track is wide bend the outline by
// nanometres; traced as they are, they give edges shorter than the modelling tolerance and
// sides that cross at angles too small to place the crossing.
#include "routing/trackoutline.h"

#include "foundation/geometryutils.h"
#include "model/routerecords.h"

#include <gp_Vec.hxx>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// Past the last point that could end a leg, this many more are looked at before giving up:
// the work stays in proportion to the run's length.
constexpr int kLookAhead = 1024;
// The cosine of the smallest turn that gets a round (1e-6 rad), a little nearer 1.
const double kInLine = std::cos(1e-6) + 1e-15;

gp_XY plan(const gp_Pnt& p)
{
    return gp_XY(p.X(), p.Y());
}

// How far each point ahead of the anchor may stray from the leg that replaces the way to it.
class Cone
{
public:
    explicit Cone(const gp_XY& anchor, double tolerance) : m_anchor(anchor), m_tolerance(tolerance) {}

    // Whether the leg may end at p, the points before it all lying within the tolerance of it;
    // p then narrows the directions of later ends. False once no later end can be taken.
    bool take(const gp_XY& p, bool& canEnd)
    {
        canEnd = false;
        const gp_XY v = p - m_anchor;
        const double distance = v.Modulus();
        if (distance <= m_tolerance) {
            m_farthest = std::max(m_farthest, distance);
            return true;
        }
        if (!m_aimed) {
            m_aim = v / distance;
            m_aimed = true;
        }
        const double angle = std::atan2(m_aim.Crossed(v), m_aim.Dot(v));
        canEnd = angle >= m_low && angle <= m_high && distance >= m_farthest - m_tolerance;
        // For narrow cones the sine stands for the angle: a little narrower, never wider.
        const double sine = m_tolerance / distance;
        const double half = sine < 0.1 ? sine : std::asin(std::min(1.0, sine));
        m_low = std::max(m_low, angle - half);
        m_high = std::min(m_high, angle + half);
        m_farthest = std::max(m_farthest, distance);
        return m_low <= m_high;
    }

private:
    gp_XY m_anchor;
    double m_tolerance;
    gp_XY m_aim;
    bool m_aimed = false;
    double m_low = -M_PI, m_high = M_PI, m_farthest = 0.0;
};

} // namespace

namespace TrackOutline {

double legTolerance(double width)
{
    // A ten-thousandth of the half width moves the volume by far less than the tolerance of its
    // check; below half a micrometre the outline's own vertices would merge.
    return std::max(5e-7, 0.5e-4 * width);
}

Legs legsOf(const QList<RouteSegment>& segments, int first, int last, bool exactEnds, bool keepRounds)
{
    const double r = segments.at(first).width * 0.5;
    const double tolerance = legTolerance(segments.at(first).width);
    // Two rounds this close are one: their circles would meet and touch the sides where they
    // nearly cross, far too flat to tell inside from outside. Moving a round by a thousandth of
    // its radius changes the volume by less than that against a single round's.
    const double snap = std::max(tolerance, 1e-3 * r);
    const int n = last - first + 1;
    std::vector<gp_XY> p(size_t(n) + 1);
    std::vector<bool> bend(size_t(n) + 1, false); // at each point where two segments meet
    p[0] = plan(segments.at(first).start);
    for (int k = 0; k < n; ++k) {
        const RouteSegment& s = segments.at(first + k);
        p[size_t(k) + 1] = plan(s.end);
        if (k + 1 < n) {
            // Steps in line, most of a long run, are told from bends without the arc cosine.
            const RouteSegment& next = segments.at(first + k + 1);
            const gp_Vec u(s.start, s.end), v(next.start, next.end);
            const bool inLine = u.Dot(v) > kInLine * u.Magnitude() * v.Magnitude();
            bend[size_t(k) + 1] = !inLine && GeometryUtils::bendAngle(s.start, s.end, next.start, next.end).has_value();
        }
    }

    Legs legs;
    // Rounds inside a leg near its ends: a round at such an end covers them there.
    struct Near
    {
        int end;
        bool start, finish; // within a radius of the leg's start, of its end
        gp_XY centre;
        bool kept = false; // stays whatever the ends have
    };
    std::vector<Near> near;
    // Rounds within a snap of a leg's end, to be moved onto it.
    struct Fold
    {
        Near round;
        size_t at;
        double cost; // at most what the move changes of the area
    };
    std::vector<Fold> folds;
    legs.points.push_back(p[0]);
    legs.round.push_back(false);
    // The bends passed over on the leg from point `from` to point `to`: their discs reach past
    // the leg only near its ends, where they round it off.
    const auto passOver = [&](int from, int to, int endIndex) {
        const gp_XY a = legs.points[size_t(endIndex) - 1];
        const gp_XY b = legs.points[size_t(endIndex)];
        const double length = (b - a).Modulus();
        const gp_XY u = (b - a) / length;
        for (int k = from + 1; k < to; ++k) {
            if (!bend[size_t(k)])
                continue;
            const double t = std::clamp((p[size_t(k)] - a).Dot(u), 0.0, length);
            if (t <= snap || t >= length - snap) {
                // A round at the end it moves to and the leg cover all but a sliver as wide as
                // the bend is off the leg, if the leg reaches past the round's far side.
                const size_t at = size_t(endIndex) - (t <= snap ? 1 : 0);
                const double off = std::abs(u.Crossed(p[size_t(k)] - a));
                const bool covered = legs.round[at] && length >= r + std::min(t, length - t);
                folds.push_back({{endIndex, t < r, t > length - r, p[size_t(k)]}, at,
                                 2.0 * r * (covered ? off : (p[size_t(k)] - legs.points[at]).Modulus())});
            }
            else if (t < r || t > length - r)
                near.push_back({endIndex, t < r, t > length - r, a + u * t});
        }
    };

    int anchor = 0;
    while (anchor < n) {
        Cone cone(p[size_t(anchor)], tolerance);
        int end = -1;
        for (int j = anchor + 1; j <= n && (end < 0 || j - end <= kLookAhead); ++j) {
            bool canEnd = false;
            const bool open = cone.take(p[size_t(j)], canEnd);
            if (canEnd)
                end = j;
            if (!open)
                break;
        }
        if (end < 0) { // what is left lies within the tolerance of the anchor: its bends round it
            for (int k = anchor; k < n; ++k)
                if (bend[size_t(k)])
                    legs.round.back() = true;
            if (legs.points.size() == 1 && !legs.round.back()) { // a straight run shorter than that
                int farthest = 0;
                for (int k = 1; k <= n; ++k)
                    if ((p[size_t(k)] - p[0]).Modulus() > (p[size_t(farthest)] - p[0]).Modulus())
                        farthest = k;
                legs.points.push_back(p[size_t(farthest)]);
                legs.round.push_back(false);
            }
            break;
        }
        legs.points.push_back(p[size_t(end)]);
        legs.round.push_back(bend[size_t(end)]);
        passOver(anchor, end, int(legs.points.size()) - 1);
        anchor = end;
    }
    // Every change below that the outline can do without is paid from one allowance, half a
    // thousandth of the track's area, so that together they stay well within the thousandth
    // the volume is held to.
    double area = M_PI * r * r;
    for (size_t i = 0; i + 1 < legs.points.size(); ++i)
        area += 2.0 * r * (legs.points[i + 1] - legs.points[i]).Modulus();
    double spare = 5e-4 * area;
    const auto afford = [&spare](double cost) {
        if (cost > spare)
            return false;
        spare -= cost;
        return true;
    };
    // Rounds moved onto legs' ends, the cheapest first. Unless keepRounds is off, one that costs
    // more stays where its bend is beside a round already there, or the run's bare end goes to
    // it instead, its leg's corners barely leaving the round; elsewhere it moves all the same.
    std::stable_sort(folds.begin(), folds.end(), [](const Fold& x, const Fold& y) { return x.cost < y.cost; });
    const size_t runEnd = legs.points.size() - 1;
    for (Fold& f : folds) {
        if (afford(f.cost) || !keepRounds || (!legs.round[f.at] && f.at != 0 && f.at != runEnd)) {
            legs.round[f.at] = true;
            continue;
        }
        legs.keptArea += f.cost;
        if (!legs.round[f.at]) {
            legs.points[f.at] = f.round.centre;
            legs.round[f.at] = true;
        } else {
            f.round.kept = true;
            near.push_back(f.round);
        }
    }
    // Legs this short between two rounds are gone: the next leg starts where the short one did.
    // So are legs whose rounds meet each other within a hundredth of a nanometre of the leg's
    // sides, too flat to tell apart.
    const double flat = std::sqrt(8.0 * r * 1e-8);
    for (size_t i = 0; i + 1 < legs.points.size();) {
        const double length = (legs.points[i + 1] - legs.points[i]).Modulus();
        if (legs.points.size() > 2 && legs.round[i] && legs.round[i + 1]
            && (length <= snap || (length <= flat && afford(2.0 * r * length)))) {
            legs.points.erase(legs.points.begin() + std::ptrdiff_t(i) + 1);
            legs.round.erase(legs.round.begin() + std::ptrdiff_t(i) + 1);
            for (Near& n : near) // rounds on the short leg lie within the two at its ends
                n.end = n.end == int(i) + 1 ? -1 : n.end > int(i) + 1 ? n.end - 1 : n.end;
            continue;
        }
        ++i;
    }
    // A leg that ends the run next to a round, so short that its far corners stray out of the
    // round by less than a micrometre, is the round's: those corners would lie too close to
    // its circle to tell which side they are on. A round at the run's end keeps its leg, and
    // the rounds of bends the leg passed over stay, each reaching past the other round, unless
    // the outline is to be traced without them. A run of that one leg is the round alone.
    const double endLeg = std::max(snap, std::sqrt(2.0 * r * 1e-6));
    const auto dropLeg = [&](int endIndex) {
        for (Near& n : near)
            if (n.end == endIndex) {
                if (exactEnds)
                    legs.rounds.push_back(n.centre);
                legs.endsKept = legs.endsKept || exactEnds;
                n.end = -1;
            }
    };
    const auto endRound = [&](size_t k) {
        legs.endsKept = legs.endsKept || (exactEnds && legs.round[k]);
        return exactEnds && legs.round[k];
    };
    // What goes with the leg from the round kept to the run's end: its corners past the round
    // and, where the outline is traced without them, the rounds on it.
    const auto dropCost = [&](size_t kept, size_t end) {
        const double length = (legs.points[end] - legs.points[kept]).Modulus();
        double cost = length * length * length / (3.0 * r);
        if (!exactEnds) {
            cost += legs.round[end] ? 2.0 * r * length : 0.0;
            for (const Near& n : near)
                if (n.end == int(std::max(kept, end)))
                    cost += 2.0 * r * (n.centre - legs.points[kept]).Modulus();
        }
        return cost;
    };
    if (legs.points.size() >= 2 && legs.round[1] && (legs.points[1] - legs.points[0]).Modulus() <= endLeg
        && !endRound(0) && afford(dropCost(1, 0))) {
        dropLeg(1);
        legs.points.erase(legs.points.begin());
        legs.round.erase(legs.round.begin());
        for (Near& n : near)
            n.end = n.end < 1 ? -1 : n.end - 1;
    }
    const size_t lastPoint = legs.points.size() - 1;
    if (lastPoint >= 1 && legs.round[lastPoint - 1]
        && (legs.points[lastPoint] - legs.points[lastPoint - 1]).Modulus() <= endLeg && !endRound(lastPoint)
        && afford(dropCost(lastPoint - 1, lastPoint))) {
        dropLeg(int(lastPoint));
        legs.points.pop_back();
        legs.round.pop_back();
    }
    for (const Near& n : near)
        if (n.end > 0
            && (n.kept || (n.start && !legs.round[size_t(n.end) - 1]) || (n.finish && !legs.round[size_t(n.end)])))
            legs.rounds.push_back(n.centre);
    return legs;
}

} // namespace TrackOutline
