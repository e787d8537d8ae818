// What the carving did, for the export's summary: the cavities that removed material, the
// components and tracks that stand outside the part, and the pieces the cavities cut apart.
#include "outputs/stepexporter.h"

#include "outputs/partpresence.h"
#include "outputs/stepexporter_probes_p.h"

#include <Message_ProgressScope.hxx>

#include <algorithm>
#include <vector>

using namespace CarvingProbes;

bool StepExporter::countCavities(const QList<AssemblyVolume>& volumes, const TopoDS_Shape& part,
                                 const QList<VolumeSource>& sources, const PartPresence* presence,
                                 AssemblyResult& result,
                                 const Message_ProgressRange& progress)
{
    // A part without solids (open shells) has no material to measure: every cut counts.
    const bool measured = !solidsOf(part).isEmpty();
    for (const AssemblyVolume& volume : volumes) {
        result.cavitiesOk +=
            volume.cut == CavityCut::Removed || (!measured && volume.cut == CavityCut::NothingRemoved) ? 1 : 0;
        if (volume.cut == CavityCut::Failed) {
            ++result.cavitiesFailed;
            result.cavitiesNotCut.append(volume.name);
            if (volume.kind == BodyVolume)
                result.bodiesNotCut.append(volume.name);
        }
    }
    PartPresence own;
    const bool known = presence && presence->isKnown(part, sources);
    if (!known && !own.update(part, sources, progress))
        return false;
    const PartPresence& rule = known ? *presence : own;
    result.componentsOutside = int(rule.componentsOutside(sources).size());
    result.tracksOutside = rule.tracksOutside(sources);
    return true;
}

int StepExporter::piecesCutApart(const TopoDS_Shape& part, const TopoDS_Shape& carved,
                                 const Message_ProgressRange& progress)
{
    return OccUtils::guardedCall(0, "piecesCutApart", [&] {
        const QList<TopoDS_Shape> sources = solidsOf(part);
        const QList<TopoDS_Shape> pieces = solidsOf(carved);
        if (pieces.size() < 2)
            return 0;
        if (sources.size() < 2)
            return int(pieces.size());
        // Each piece lies within the solid it was cut from: the solids whose box holds its
        // vertices are the candidates; the only one, or else the first of them that none of its
        // vertices lies outside, is its source. A piece matching none stands alone.
        constexpr double kMargin = 1e-3; // beyond the fuzzy values the cuts run with
        std::vector<ToolProbe> sourceProbes;
        sourceProbes.reserve(size_t(sources.size()));
        for (const TopoDS_Shape& source : sources)
            sourceProbes.emplace_back(source, kMargin);
        std::vector<int> perSource(sourceProbes.size(), 0);
        Message_ProgressScope scope(progress, nullptr, double(pieces.size()));
        for (const TopoDS_Shape& solid : pieces) {
            if (!scope.More())
                return 0;
            scope.Next();
            const PieceProbe piece(solid);
            if (piece.vertices.empty())
                continue;
            std::vector<size_t> candidates;
            for (size_t s = 0; s < sourceProbes.size(); ++s)
                if (!sourceProbes[s].box.IsOut(gp_Pnt(piece.low)) && !sourceProbes[s].box.IsOut(gp_Pnt(piece.high)))
                    candidates.push_back(s);
            if (candidates.size() == 1) {
                ++perSource[candidates.front()];
                continue;
            }
            for (const size_t s : candidates) {
                BRepClass3d_SolidClassifier& classifier = sourceProbes[s].classify();
                const bool within = std::none_of(piece.vertices.cbegin(), piece.vertices.cend(), [&](const gp_Pnt& p) {
                    classifier.Perform(p, kMargin);
                    return classifier.State() == TopAbs_OUT;
                });
                if (within) {
                    ++perSource[s];
                    break;
                }
            }
        }
        int split = 0;
        for (const int count : perSource)
            if (count >= 2)
                split += count;
        return split;
    });
}
