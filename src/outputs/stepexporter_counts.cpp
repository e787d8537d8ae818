// What the carving did, for the export's summary: the cavities that removed material, the
// components and tracks that stand outside the part, and the pieces the cavities cut apart.
#include "outputs/stepexporter.h"

#include "outputs/partpresence.h"

#include <BRepBndLib.hxx>
#include <BRepClass3d_SolidClassifier.hxx>
#include <BRep_Tool.hxx>
#include <Bnd_Box.hxx>
#include <Message_ProgressScope.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>

#include <algorithm>
#include <memory>
#include <vector>

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
        struct Source
        {
            Bnd_Box box;
            std::unique_ptr<BRepClass3d_SolidClassifier> classifier;
        };
        std::vector<Source> boxed(size_t(sources.size()));
        for (int s = 0; s < sources.size(); ++s) {
            BRepBndLib::Add(sources.at(s), boxed[size_t(s)].box, false);
            boxed[size_t(s)].box.Enlarge(2.0 * kMargin);
        }
        std::vector<int> perSource(boxed.size(), 0);
        Message_ProgressScope scope(progress, nullptr, double(pieces.size()));
        for (const TopoDS_Shape& solid : pieces) {
            if (!scope.More())
                return 0;
            scope.Next();
            std::vector<gp_Pnt> vertices;
            Bnd_Box own;
            for (TopExp_Explorer it(solid, TopAbs_VERTEX); it.More(); it.Next()) {
                vertices.push_back(BRep_Tool::Pnt(TopoDS::Vertex(it.Current())));
                own.Add(vertices.back());
            }
            if (vertices.empty())
                continue;
            std::vector<size_t> candidates;
            for (size_t s = 0; s < boxed.size(); ++s)
                if (!boxed[s].box.IsOut(own.CornerMin()) && !boxed[s].box.IsOut(own.CornerMax()))
                    candidates.push_back(s);
            if (candidates.size() == 1) {
                ++perSource[candidates.front()];
                continue;
            }
            for (const size_t s : candidates) {
                if (!boxed[s].classifier)
                    boxed[s].classifier = std::make_unique<BRepClass3d_SolidClassifier>(sources.at(int(s)));
                BRepClass3d_SolidClassifier& classifier = *boxed[s].classifier;
                const bool within = std::none_of(vertices.cbegin(), vertices.cend(), [&](const gp_Pnt& p) {
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
