// The carving chain. Each solid of the part is carved on its own by the volumes that meet it
// (a part's solids may overlap one another: none is cut by another), all of them side by side,
// in one sequence:
//   1. Cut: the solid cut by every volume that meets it, in rounds at one fuzzy value
//      (carving_cut.cpp), and taken as its file will give it back: a copy whose tolerances are
//      worked out again from its geometry. The cut stands when every solid of it is valid with a
//      volume above zero, it lost no more than its volumes took, and none of its edges and
//      vertices is left loose by a fuzzy merge (the file's reader would build another shape);
//      otherwise the solid is cut at a tenth of the fuzzy value, exactly, then in halved batches
//      down to volume by volume.
//   2. Weigh: what each volume holds of that carved solid, by the one rule (carving_weigh.cpp),
//      on exactly the shape that will be written (the first cut is weighed while its validity
//      check runs).
//   3. Cut again what holds more than kHeldVolume: the pieces those volumes meet, all of them
//      together at a tenth of the fuzzy value, then each alone, exactly and at wider values; each
//      cut stands on the same terms as the first, and the solid is weighed again after it.
//   4. Name what still holds: a volume holding more than kHeldVolume of some solid, or whose
//      weighing could not be made, has failed, and the export's summary names it.
// A solid no volume meets, or whose cut took nothing, is returned as it came (a copy of it, for
// the meshers to store their triangles in).
#include "outputs/carving.h"

#include "foundation/jobs.h"
#include "foundation/logging.h"
#include "foundation/occutils.h"
#include "foundation/outofmemory.h"
#include "outputs/carving_p.h"
#include "outputs/stepexporter.h"

#include <BRepBndLib.hxx>
#include <BRepBuilderAPI_Copy.hxx>
#include <Bnd_Box.hxx>
#include <Message_ProgressScope.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS_Iterator.hxx>

#include <algorithm>
#include <map>
#include <mutex>
#include <new>
#include <vector>

namespace Carving {

namespace {

constexpr double kZeroVolume = 1e-7; // mm³: less is no material taken
// mm: the loosest a carved solid's vertex or edge may be once its tolerances are worked out again
// from its geometry (a cut in general position leaves them some thousandths of a micron).
constexpr double kLooseWritten = 1e-4;

const OccUtils::BoolOpLabel kHealLabel{&lcExport, "carving"};

// A part's top-level solids, or the part itself when it is anything else (one solid, shells).
QList<TopoDS_Shape> separateSolids(const TopoDS_Shape& part)
{
    QList<TopoDS_Shape> solids;
    if (part.ShapeType() != TopAbs_COMPOUND)
        return {part};
    for (TopoDS_Iterator it(part); it.More(); it.Next()) {
        const TopoDS_Shape& child = it.Value();
        if (child.ShapeType() == TopAbs_SOLID)
            solids.append(child);
        else if (child.ShapeType() == TopAbs_COMPOUND)
            solids.append(separateSolids(child));
        else
            return {part};
    }
    for (const TopoDS_Shape& solid : std::as_const(solids))
        if (solid.ShapeType() != TopAbs_SOLID)
            return {part};
    return solids;
}

// Copies of the solids that come through as they came, instances of one solid sharing one copy.
class Copies
{
public:
    TopoDS_Shape of(const TopoDS_Shape& solid)
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        auto known = m_copies.find(solid.TShape().get());
        if (known == m_copies.end()) {
            const TopoDS_Shape copy = StepExporter::copyShape(solid.Located(TopLoc_Location()).Oriented(TopAbs_FORWARD));
            StepExporter::storePlanarEdgeCurves(copy);
            known = m_copies.emplace(solid.TShape().get(), copy).first;
        }
        return known->second.Located(solid.Location()).Oriented(solid.Orientation());
    }

private:
    std::mutex m_mutex;
    std::map<const TopoDS_TShape*, TopoDS_Shape> m_copies;
};

// Whether every solid of shape is valid with a volume above zero. The check of a big solid hears
// no break: it runs on a thread of its own, left to end alone on Cancel (broken turns true).
bool soundBeside(const TopoDS_Shape& shape, const Judges& judges, const Message_ProgressRange& range, bool& broken)
{
    if (judges.sound)
        return judges.sound(shape);
    Jobs::Result<bool> checked = Jobs::run<bool>(range, "carving: validity", Jobs::Reads::Owned,
                                                 [shape](const Jobs::Stop&) { return OccUtils::isValidShape(shape); });
    if (checked.outcome == Jobs::Outcome::Cancelled)
        broken = true;
    if (checked.outcome == Jobs::Outcome::OutOfMemory)
        throw std::bad_alloc();
    return checked.done() && *checked.value;
}

// One solid of the part and what its carving did.
struct SolidWork
{
    TopoDS_Shape original;
    QList<int> tools;             // the volumes that meet it, as tools
    TopoDS_Shape carved;          // as written; no solid when the volumes swallowed it whole
    bool asItCame = true;
    bool sound = true;
    bool firstCut = true;
    std::vector<double> removed;  // per tool of it
    std::vector<Weight> weights;  // per tool of it, after the last cut
    bool broken = false;
};

class SolidCarver
{
public:
    // mayVanish: the part has other solids, so the volumes may swallow this one whole.
    SolidCarver(SolidWork& work, const QList<TopoDS_Shape>& allTools, const std::vector<double>& features,
                double baseFuzzy, bool mayVanish, const Judges& judges)
        : m_work(work), m_judges(judges), m_baseFuzzy(baseFuzzy), m_mayVanish(mayVanish)
    {
        for (const int t : std::as_const(work.tools)) {
            m_tools.append(allTools.at(t));
            m_features.push_back(features[size_t(t)]);
        }
        m_work.removed.assign(size_t(m_tools.size()), 0.0);
        m_work.weights.assign(size_t(m_tools.size()), Weight());
    }

    void run(const Message_ProgressRange& range)
    {
        // Shares as the steps take on designs of real size; what runs only when a step fails takes
        // a sliver, so that the bar never leaps over work that did not run.
        Message_ProgressScope scope(range, nullptr, 100.0);
        // The weighing's share beside points into this scope: closed before the scope ends,
        // however the run ends (a Cancel leaves it unused).
        struct CloseBeside
        {
            Message_ProgressRange& range;
            ~CloseBeside() { range.Close(); }
        } closeBeside{m_beside.range};
        m_fuzzy = m_baseFuzzy;
        for (const double feature : m_features)
            m_fuzzy = std::min(m_fuzzy, StepExporter::fuzzyLadder(m_baseFuzzy, feature).first());
        m_fuzzy = detail::fuzzyUnderGaps(m_tools, m_fuzzy, scope.Next(2.0));
        const Message_ProgressRange cutting = scope.Next(76.0);
        m_beside.range = scope.Next(20.0);
        if (!cut(cutting))
            return;
        // The first cut is weighed beside its validity check; any other after it stands.
        if (!m_beside.weighed && !weighAll(m_beside.used ? Message_ProgressRange() : m_beside.range))
            return;
        cutAgain(scope.Next(2.0));
    }

private:
    bool stopped(const Message_ProgressScope& scope)
    {
        if (!scope.More())
            m_work.broken = true;
        return m_work.broken;
    }

    bool sound(const TopoDS_Shape& shape, const Message_ProgressRange& range)
    {
        return soundBeside(shape, m_judges, range, m_work.broken);
    }

    struct Attempt
    {
        detail::Cut cut;
        TopoDS_Shape written;
        bool kept = false;
    };

    // The weighing of the first cut, made while its validity check runs beside on the same
    // solid (both only read it): the weights stand when the check passes.
    struct Beside
    {
        Message_ProgressRange range;
        bool used = false;
        bool weighed = false;
        std::vector<Weight> weights;
    };

    // from cut by tools at fuzzy, taken as written; kept when it stands (see the top). A cut
    // that swallows from whole stands only where mayVanish: other solids make the part.
    Attempt attempt(const TopoDS_Shape& from, const QList<TopoDS_Shape>& tools, double fuzzy,
                    const Message_ProgressRange& range, bool mayVanish, bool fromSound = true, Beside* beside = nullptr)
    {
        // The check of the cut solid takes a fraction of the cut, and reports nothing of its own.
        Message_ProgressScope steps(range, nullptr, 10.0);
        Attempt made{detail::cutInRounds(from, tools, fuzzy, steps.Next(9.5)), TopoDS_Shape(), false};
        if (stopped(steps))
            return made;
        // A boolean turns a failed allocation into no result: a shortage that lasts is told as one,
        // not taken for a cut to make another way.
        if (made.cut.shape.IsNull())
            OutOfMemory::ensureHeadroom();
        if (made.cut.shape.IsNull())
            return made;
        if (!detail::balanced(from, made.cut, tools, fuzzy))
            return made;
        if (StepExporter::solidsOf(made.cut.shape).isEmpty()) {
            // Swallowed whole, but for slivers thinner than the fuzzy value: a solid of a model
            // under a body.
            made.kept = mayVanish;
            made.written = made.cut.shape;
            return made;
        }
        made.written = detail::asWritten(made.cut.shape);
        if (made.written.IsNull())
            return made;
        // A fuzzy value that merged elements far apart leaves them as loose as that once their
        // tolerances are worked out again: the file's reader then builds another shape than the
        // one weighed here.
        const double loose = detail::loosest(made.written);
        if (loose > std::max(kLooseWritten, 2.0 * detail::loosest(from))) {
            qCDebug(lcExport) << "carving: a cut at fuzzy" << fuzzy << "leaves elements" << loose << "mm loose: refused";
            return made;
        }
        if (beside) {
            const TopoDS_Shape written = made.written;
            const std::function<bool(const TopoDS_Shape&)> judge = m_judges.sound;
            Jobs::Job<bool> checking("carving: validity", Jobs::Reads::Owned, [written, judge](const Jobs::Stop&) {
                return judge ? judge(written) : OccUtils::isValidShape(written);
            });
            beside->used = true;
            beside->weights = weighNow(written, beside->range);
            const Jobs::Result<bool> checked = checking.wait(steps.Next(0.5));
            if (checked.outcome == Jobs::Outcome::Cancelled || beside->range.UserBreak())
                m_work.broken = true;
            if (checked.outcome == Jobs::Outcome::OutOfMemory)
                throw std::bad_alloc();
            made.kept = checked.done() && *checked.value;
            beside->weighed = made.kept && !m_work.broken;
        } else {
            made.kept = sound(made.written, steps.Next(0.5)) || !fromSound;
        }
        if (!made.kept && !m_work.broken)
            qCDebug(lcExport) << "carving: a cut at fuzzy" << fuzzy << "is refused";
        return made;
    }

    void take(const Attempt& made, const QList<int>& which)
    {
        m_work.carved = made.written;
        m_work.asItCame = false;
        for (int k = 0; k < which.size(); ++k)
            m_work.removed[size_t(which.at(k))] += made.cut.removed[size_t(k)];
    }

    QList<int> every() const
    {
        QList<int> all;
        for (int k = 0; k < m_tools.size(); ++k)
            all.append(k);
        return all;
    }

    QList<TopoDS_Shape> toolsOf(const QList<int>& which) const
    {
        QList<TopoDS_Shape> shapes;
        for (const int k : which)
            shapes.append(m_tools.at(k));
        return shapes;
    }

    // Step 1. False when broken off.
    bool cut(const Message_ProgressRange& range)
    {
        Message_ProgressScope scope(range, nullptr, 10.0);
        const QList<int> all = every();
        // At the fuzzy value, then finer, then exactly.
        for (const double fuzzy : {m_fuzzy, 0.1 * m_fuzzy, 0.0}) {
            const Attempt made = attempt(m_work.original, m_tools, fuzzy,
                                         fuzzy == m_fuzzy ? scope.Next(9.8) : scope.Next(0.05), m_mayVanish, true,
                                         fuzzy == m_fuzzy ? &m_beside : nullptr);
            if (stopped(scope))
                return false;
            if (made.kept) {
                take(made, all);
                m_work.firstCut = fuzzy == m_fuzzy;
                if (m_beside.weighed) {
                    m_work.weights = m_beside.weights;
                    if (std::any_of(m_work.weights.cbegin(), m_work.weights.cend(), [](const Weight& w) { return !w.known; }))
                        OutOfMemory::ensureHeadroom();
                }
                return settle();
            }
            if (m_fuzzy == 0.0)
                break;
        }
        m_work.firstCut = false;
        Message_ProgressScope again(scope.Next(0.1), nullptr, double(m_tools.size() + 2), true);
        // From the solid healed when the checker rejects it; one healing cannot mend is cut as
        // the first balanced cut gives it, and said to be unsound.
        TopoDS_Shape from = m_work.original;
        if (!sound(from, again.Next())) {
            const TopoDS_Shape healed = OccUtils::healShape(from, kHealLabel, 1.0);
            if (healed.IsNull() || !sound(healed, again.Next())) {
                m_work.sound = false;
                const Attempt made = attempt(from, m_tools, m_fuzzy, again.Next(), m_mayVanish, false);
                if (made.kept)
                    take(made, all);
                return !stopped(again) && settle();
            }
            from = healed;
        }
        m_work.carved = from;
        m_work.asItCame = from.IsSame(m_work.original);
        // In batches, a refused batch halved, down to single volumes that take the ladder: one
        // volume that refuses the common cut costs a few cuts of the solid, not one per volume.
        std::vector<std::pair<int, int>> pending{{0, int(m_tools.size())}};
        while (!pending.empty()) {
            const auto [from, to] = pending.back();
            pending.pop_back();
            QList<int> which;
            for (int k = from; k < to; ++k)
                which.append(k);
            if (to - from > 1) {
                qCDebug(lcExport) << "carving: one cut of" << (to - from) << "volume(s)";
                const Attempt made =
                    attempt(current(), toolsOf(which), 0.0, again.Next(double(to - from)), m_mayVanish);
                if (stopped(again))
                    return false;
                if (made.kept) {
                    take(made, which);
                } else {
                    const int middle = from + (to - from) / 2;
                    pending.push_back({middle, to});
                    pending.push_back({from, middle});
                }
                continue;
            }
            if (!cutAlone(from, again.Next()))
                return false;
        }
        return settle();
    }

    // One volume cut alone along its ladder until a cut stands; false when broken off.
    bool cutAlone(int k, const Message_ProgressRange& range)
    {
        const QList<double> ladder = ladderOf(k);
        Message_ProgressScope rungs(range, nullptr, double(ladder.size()));
        for (const double fuzzy : ladder) {
            const Attempt made = attempt(current(), {m_tools.at(k)}, fuzzy, rungs.Next(), m_mayVanish);
            if (stopped(rungs))
                return false;
            if (made.kept) {
                take(made, {k});
                break;
            }
        }
        return true;
    }

    // The fuzzy values a volume is cut at alone: exact first, then wider.
    QList<double> ladderOf(int k) const
    {
        QList<double> ladder{0.0};
        for (const double rung : StepExporter::fuzzyLadder(m_baseFuzzy, m_features[size_t(k)]))
            if (rung > 0.0)
                ladder.append(rung);
        return ladder;
    }

    // A cut that took nothing leaves the solid as it came.
    bool settle()
    {
        double taken = 0.0;
        for (const double removed : m_work.removed)
            taken += removed;
        if (!m_work.asItCame && taken <= kZeroVolume && StepExporter::solidsOf(m_work.carved).size() == 1
            && std::abs(StepExporter::volumeOf(m_work.carved) - StepExporter::volumeOf(m_work.original))
                   <= kZeroVolume + 1e-9 * StepExporter::volumeOf(m_work.original)) {
            m_work.carved = TopoDS_Shape();
            m_work.asItCame = true;
            m_beside.weighed = false; // the weights were of the cut, not of the solid as it came
        }
        return true;
    }

    const TopoDS_Shape& current() const { return m_work.asItCame ? m_work.original : m_work.carved; }

    // What the tools hold of solid, by the rule or its stand-in.
    std::vector<Weight> weighNow(const TopoDS_Shape& solid, const Message_ProgressRange& range)
    {
        if (StepExporter::solidsOf(solid).isEmpty())
            return std::vector<Weight>(size_t(m_tools.size()));
        return m_judges.weigh ? m_judges.weigh(solid, m_tools) : weigh(solid, m_tools, range);
    }

    // Step 2, on the solid as it stands. False when broken off.
    bool weighAll(const Message_ProgressRange& range)
    {
        m_work.weights = weighNow(current(), range);
        if (range.UserBreak())
            m_work.broken = true;
        else if (std::any_of(m_work.weights.cbegin(), m_work.weights.cend(), [](const Weight& w) { return !w.known; }))
            OutOfMemory::ensureHeadroom();
        return !m_work.broken;
    }

    QList<int> holding() const
    {
        QList<int> which;
        for (int k = 0; k < m_tools.size(); ++k)
            if (m_work.weights[size_t(k)].known && m_work.weights[size_t(k)].held > kHeldVolume)
                which.append(k);
        return which;
    }

    // Step 3: the pieces of the solid as it stands that the volumes which still hold meet, cut
    // again piece by piece (a piece the cut left wholly inside a volume goes on its own), all of
    // them together at a tenth of the fuzzy value, then each alone along its ladder.
    void cutAgain(const Message_ProgressRange& range)
    {
        QList<int> which = holding();
        Message_ProgressScope scope(range, nullptr, 4.0);
        if (which.isEmpty())
            return;
        qCDebug(lcExport) << "carving:" << which.size() << "volume(s) still holding material — cut again";
        if (!recutPieces(which, true, scope.Next()) || !weighAll(scope.Next()))
            return;
        which = holding();
        if (which.isEmpty())
            return;
        qCDebug(lcExport) << "carving:" << which.size() << "volume(s) still holding material — cut alone";
        if (recutPieces(which, false, scope.Next()))
            weighAll(scope.Next());
    }

    // Cuts the pieces of the solid as it stands that the tools of which meet, each piece on its
    // own: all of them together at a tenth of the fuzzy value, or each tool alone along its ladder.
    // A piece may go whole; a cut that would leave nothing of a part of one solid is refused, as
    // a volume that swallows the whole part is. False when broken off.
    bool recutPieces(const QList<int>& which, bool together, const Message_ProgressRange& range)
    {
        QList<TopoDS_Shape> pieces = StepExporter::solidsOf(current());
        const auto piecesCut = [&](const QList<int>& tools, const QList<double>& ladder,
                                   const Message_ProgressRange& step, QList<TopoDS_Shape>& into) {
            Message_ProgressScope scope(step, nullptr, double(std::max<qsizetype>(pieces.size(), 1)));
            std::vector<double> removed(m_work.removed.size(), 0.0);
            for (const TopoDS_Shape& piece : std::as_const(pieces)) {
                const Message_ProgressRange one = scope.Next();
                const Bnd_Box box = detail::looseBox(piece, 2.0 * m_fuzzy + 1e-3);
                QList<int> meeting;
                for (const int k : tools)
                    if (!detail::looseBox(m_tools.at(k), 0.0).IsOut(box))
                        meeting.append(k);
                TopoDS_Shape now = piece;
                Message_ProgressScope rungs(one, nullptr, double(std::max<qsizetype>(ladder.size(), 1)));
                for (const double fuzzy : ladder) {
                    if (meeting.isEmpty())
                        break;
                    const Attempt made = attempt(now, toolsOf(meeting), fuzzy, rungs.Next(), true);
                    if (stopped(rungs))
                        return false;
                    if (made.kept) {
                        now = made.written;
                        for (int j = 0; j < meeting.size(); ++j)
                            removed[size_t(meeting.at(j))] += made.cut.removed[size_t(j)];
                        break;
                    }
                }
                into.append(StepExporter::solidsOf(now));
            }
            if (into.isEmpty() && !m_mayVanish) {
                into = pieces; // nothing of the part would be left
                return true;
            }
            for (size_t k = 0; k < removed.size(); ++k)
                m_work.removed[k] += removed[k];
            return true;
        };
        Message_ProgressScope scope(range, nullptr, double(together ? 1 : which.size()));
        if (together) {
            QList<TopoDS_Shape> into;
            if (!piecesCut(which, {0.1 * m_fuzzy}, scope.Next(), into))
                return false;
            pieces = into;
        } else {
            for (const int k : which) {
                QList<TopoDS_Shape> into;
                if (!piecesCut({k}, ladderOf(k), scope.Next(), into))
                    return false;
                pieces = into;
            }
        }
        if (!StepExporter::solidsOf(current()).isEmpty() || !pieces.isEmpty()) {
            const TopoDS_Shape carved = pieces.size() == 1 ? pieces.first() : OccUtils::compoundOf(pieces);
            if (!carved.IsSame(current())) {
                m_work.carved = carved;
                m_work.asItCame = false;
            }
        }
        return true;
    }

    SolidWork& m_work;
    const Judges& m_judges;
    double m_baseFuzzy = 0.0;
    bool m_mayVanish = false;
    Beside m_beside;
    double m_fuzzy = 0.0;
    QList<TopoDS_Shape> m_tools;
    std::vector<double> m_features;
};

} // namespace

Result carve(const TopoDS_Shape& part, QList<AssemblyVolume>& volumes, double baseFuzzy,
             const Message_ProgressRange& progress, const Judges& judges)
{
    Result result;
    result.part = part;
    if (part.IsNull())
        return result;
    Message_ProgressScope scope(progress, nullptr, 100.0);

    // The volumes that are no repeat of another are the tools.
    QList<TopoDS_Shape> tools;
    std::vector<double> features;
    std::vector<int> toolOf(size_t(volumes.size()), -1);
    for (int v = 0; v < volumes.size(); ++v) {
        if (volumes.at(v).repeatOf >= 0)
            continue;
        toolOf[size_t(v)] = int(tools.size());
        tools.append(volumes.at(v).shape);
        features.push_back(volumes.at(v).feature);
    }
    const QList<TopoDS_Shape> solids = separateSolids(part);
    const bool solidless = StepExporter::solidsOf(part).isEmpty();
    std::vector<SolidWork> works(size_t(solids.size()));
    std::vector<Bnd_Box> toolBoxes(size_t(tools.size()));
    const double gap = 2.0 * baseFuzzy + 1e-3;
    for (int t = 0; t < tools.size(); ++t)
        toolBoxes[size_t(t)] = detail::looseBox(tools.at(t), gap);
    double total = 0.0;
    std::vector<double> shares(works.size(), 1.0);
    for (int s = 0; s < solids.size(); ++s) {
        SolidWork& work = works[size_t(s)];
        work.original = solids.at(s);
        const Bnd_Box box = detail::looseBox(work.original, gap);
        for (int t = 0; t < tools.size(); ++t)
            if (box.IsVoid() || toolBoxes[size_t(t)].IsVoid() || !box.IsOut(toolBoxes[size_t(t)]))
                work.tools.append(t);
        // A solid's carving costs about as its volumes do; one left as it came, a copy and a check.
        shares[size_t(s)] = 1.0 + 20.0 * double(work.tools.size());
        total += shares[size_t(s)];
    }

    // Side by side, solid by solid: each reports on a share of its own.
    Message_ProgressScope carving(scope.Next(99.0), nullptr, total);
    std::vector<Message_ProgressRange> ranges;
    for (const double share : shares)
        ranges.push_back(carving.Next(share));
    Copies copies;
    const Jobs::Outcome outcome = Jobs::forEach(
        scope.Next(1.0), "carving", works.size(),
        [&](size_t s, const Jobs::Stop& stop) {
            SolidWork& work = works[s];
            const bool survived = OutOfMemory::survive([&] {
                if (stop.requested() || ranges[s].UserBreak()) {
                    work.broken = true;
                    return;
                }
                if (work.tools.isEmpty() || solidless) {
                    if (!solidless) {
                        work.carved = copies.of(work.original);
                        work.asItCame = false;
                        work.sound = soundBeside(work.carved, judges, ranges[s], work.broken);
                    }
                    return;
                }
                SolidCarver(work, tools, features, baseFuzzy, solids.size() > 1, judges).run(ranges[s]);
                if (!work.broken && work.asItCame) {
                    work.carved = copies.of(work.original);
                    work.asItCame = false;
                }
            });
            if (!survived)
                throw std::bad_alloc();
        },
        [&shares](size_t s) { return shares[s]; });
    ranges.clear();
    if (outcome == Jobs::Outcome::OutOfMemory)
        throw std::bad_alloc();
    const bool broken = std::any_of(works.cbegin(), works.cend(), [](const SolidWork& w) { return w.broken; });
    if (outcome == Jobs::Outcome::Cancelled || broken || !scope.More()) {
        result.part.Nullify();
        result.cancelled = true;
        return result;
    }

    // Step 4: what each volume took, and what it still holds, over every solid.
    std::vector<double> removed(size_t(tools.size()), 0.0), held(size_t(tools.size()), 0.0);
    std::vector<bool> known(size_t(tools.size()), true);
    QList<TopoDS_Shape> pieces;
    bool changed = false;
    for (const SolidWork& work : works) {
        result.invalid = result.invalid || !work.sound;
        result.inOneCut = result.inOneCut && work.firstCut;
        for (int k = 0; k < work.tools.size(); ++k) {
            const size_t t = size_t(work.tools.at(k));
            if (k < int(work.removed.size()))
                removed[t] += work.removed[size_t(k)];
            if (k < int(work.weights.size())) {
                held[t] += work.weights[size_t(k)].held;
                known[t] = known[t] && work.weights[size_t(k)].known;
            }
        }
        if (solidless)
            continue;
        const TopoDS_Shape& solid = work.asItCame ? work.original : work.carved;
        pieces.append(StepExporter::solidsOf(solid));
        changed = changed || !work.asItCame;
    }
    for (int v = 0; v < volumes.size(); ++v) {
        AssemblyVolume& volume = volumes[v];
        const int t = volume.repeatOf >= 0 ? toolOf[size_t(volume.repeatOf)] : toolOf[size_t(v)];
        if (t < 0)
            continue;
        if (!known[size_t(t)] || held[size_t(t)] > kHeldVolume) {
            volume.cut = CavityCut::Failed;
            result.unchecked += known[size_t(t)] ? 0 : 1;
            qWarning() << "  ✗ cavity not cut:" << volume.name << (known[size_t(t)] ? "" : "(could not be weighed)");
        } else {
            volume.cut = removed[size_t(t)] > kZeroVolume ? CavityCut::Removed : CavityCut::NothingRemoved;
        }
    }
    if (solidless)
        return result;
    // Never an empty part: volumes that swallow all of it leave it as it came, every one named.
    if (pieces.isEmpty()) {
        for (AssemblyVolume& volume : volumes)
            volume.cut = CavityCut::Failed;
        return result;
    }
    if (changed)
        result.part = pieces.size() == 1 && part.ShapeType() != TopAbs_COMPOUND ? pieces.first()
                                                                             : OccUtils::compoundOf(pieces);
    return result;
}

} // namespace Carving
