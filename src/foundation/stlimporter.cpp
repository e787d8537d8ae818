#include "foundation/stlimporter.h"
#include "foundation/jobs.h"
#include "foundation/occutils.h"
#include "foundation/sewnsolids.h"
#include "foundation/stlmesh.h"
#include "foundation/stlshellbuilder.h"

#include <BRepTools.hxx>
#include <Message_ProgressIndicator.hxx>
#include <Message_ProgressScope.hxx>
#include <Bnd_Box.hxx>
#include <Precision.hxx>
#include <ShapeFix_Shape.hxx>
#include <Standard_OutOfMemory.hxx>
#include <TopExp_Explorer.hxx>

#include <QDebug>

#include <new>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <functional>
#include <memory>

double StlImporter::automaticSewingTolerance(const Bnd_Box& box)
{
    return sewingToleranceFor(box);
}

static double resolveTolerance(double requested, const StlMesh& mesh)
{
    if (requested > 0.0)
        return requested;
    // The box of the faces built on the triangles: their nodes, widened by the faces' tolerance.
    Bnd_Box box;
    for (const auto& triangle : mesh.triangles)
        for (const int n : triangle)
            box.Add(gp_Pnt(mesh.nodes[std::size_t(n)]));
    box.Enlarge(Precision::Confusion());
    return StlImporter::automaticSewingTolerance(box);
}

namespace {

// The work's own progress: its breaks ask whether it was left, and it keeps how far it came.
class AloneProgress : public Message_ProgressIndicator
{
public:
    AloneProgress(Jobs::Stop stop, std::shared_ptr<std::atomic<double>> reached)
        : m_stop(std::move(stop)), m_reached(std::move(reached))
    {
    }
    Standard_Boolean UserBreak() override { return m_stop.requested(); }
    void Show(const Message_ProgressScope&, const Standard_Boolean) override { m_reached->store(GetPosition()); }

private:
    Jobs::Stop m_stop;
    std::shared_ptr<std::atomic<double>> m_reached;
};

// The waiter's side: every report of the wait moves the caller's bar to where the work came.
class Following : public Message_ProgressIndicator
{
public:
    Following(const Message_ProgressRange& range, std::shared_ptr<std::atomic<double>> reached)
        : m_scope(range, nullptr, 1.0), m_reached(std::move(reached))
    {
    }
    Standard_Boolean UserBreak() override { return m_scope.UserBreak(); }
    void Show(const Message_ProgressScope&, const Standard_Boolean) override
    {
        const double reached = std::min(1.0, m_reached->load());
        if (reached > m_shown) {
            m_scope.Next(reached - m_shown);
            m_shown = reached;
        } else {
            m_scope.Show();
        }
    }

private:
    Message_ProgressScope m_scope;
    std::shared_ptr<std::atomic<double>> m_reached;
    double m_shown = 0.0;
};

} // namespace

bool runAlone(const Message_ProgressRange& progress, const char* context,
              const std::function<bool(const Message_ProgressRange&)>& work)
{
    auto reached = std::make_shared<std::atomic<double>>(0.0);
    const Handle(Following) following = new Following(progress, reached);
    return Jobs::succeeded(following->Start(), context, Jobs::Reads::Owned, [reached, work](const Jobs::Stop& stop) {
        const Handle(AloneProgress) own = new AloneProgress(stop, reached);
        return work(own->Start());
    });
}

// Healing is a repair attempt: a shape it cannot improve is kept as it was. Parts of it never ask
// whether to stop (seconds each on 90,000 triangles): on Cancel it is left to end alone, at its
// next question; the caller asks the progress.
static TopoDS_Shape healStl(const TopoDS_Shape& shape, double tolerance, const Message_ProgressRange& progress)
{
    Message_ProgressScope stage(progress, StlStage::kHealing, 1.0);
    stage.Show();
    auto healed = std::make_shared<TopoDS_Shape>(shape);
    const bool finished = runAlone(stage.Next(), "StlImporter: ShapeFix", [healed, tolerance](const Message_ProgressRange& own) {
        ShapeFix_Shape fix(*healed);
        fix.SetPrecision(tolerance);
        fix.SetMinTolerance(1e-7);
        fix.SetMaxTolerance(std::max(1.0, 100.0 * tolerance));
        Message_ProgressScope scope(own, nullptr, 1.0);
        fix.Perform(scope.Next());
        if (scope.UserBreak())
            return false;
        const TopoDS_Shape fixed = fix.Shape();
        if (!fixed.IsNull())
            *healed = fixed;
        return true;
    });
    return finished ? *healed : shape;
}

static void addNote(QString& text, const QString& note)
{
    if (!text.isEmpty())
        text += QStringLiteral("\n\n");
    text += note;
}

static void finish(StlImportResult& result)
{
    result.faceCount = 0;
    for (TopExp_Explorer ex(result.shape, TopAbs_FACE); ex.More(); ex.Next())
        ++result.faceCount;
    if (result.throughItself) {
        result.warning = StlImporter::tr(
            "The surface of the STL mesh passes through itself: its faces enclose other than what a slicer "
            "prints, and no solid can be made of them as they are. The part holds no solid: the exports write "
            "it as an open part.");
    } else if (result.shellsUncombined && result.unitedFacePairs > 0) {
        result.warning = StlImporter::tr(
            "The closed shells of the STL mesh cross one another in too many places (%n pairs of faces) to be "
            "united into one solid. The part holds no solid: the exports write it as an open part.",
            nullptr, int(std::min<long>(result.unitedFacePairs, INT_MAX)));
    } else if (result.shellsUncombined) {
        result.warning = StlImporter::tr(
            "The closed shells of the STL mesh touch or cross one another and could not be combined into one "
            "solid (bodies united, shells facing inward cut out, as a slicer reads them). The part holds no "
            "solid: the exports write it as an open part.");
    } else if (!result.closed || !result.solidBuilt) {
        result.warning = StlImporter::tr(
            "The STL mesh could not be turned into a watertight closed solid (open shell, holes, or "
            "non-manifold). Orientation is still possible, but burial analysis and STEP export may be "
            "imprecise or fail.");
    } else if (!result.valid) {
        result.warning = StlImporter::tr(
            "Solid rebuilt but reported invalid by OCC (possible self-intersections). Check before exporting.");
    }
    if (result.voidOutside)
        addNote(result.warning,
                StlImporter::tr("Part of a void (a closed shell facing inward) lies outside the body around it: that "
                                "part is material, as a slicer prints the file. Where a hole was meant, turn the "
                                "shell outward and cut it from the body in the modeller."));
    if (result.crossingUnchecked)
        addNote(result.warning,
                StlImporter::tr("The triangles crowd so densely about some points that the check for a surface "
                                "passing through itself was not finished: the solid holds what its faces enclose."));
    if (result.copiedShellCount > 0)
        addNote(result.warning, StlImporter::tr("%n closed shell(s) repeating another one were taken once.", nullptr,
                                                result.copiedShellCount));
    if (result.flatShellCount > 0)
        addNote(result.warning, StlImporter::tr("%n closed shell(s) enclosing no volume (triangles lying on one "
                                                "another) were left out.",
                                                nullptr, result.flatShellCount));
    if (result.flatTriangleCount > 0)
        addNote(result.warning, StlImporter::tr("%n triangle(s) with their corners in a line (no area) were left out.",
                                                nullptr, result.flatTriangleCount));
    result.ok = !result.shape.IsNull();
}

bool checkStlShape(const TopoDS_Shape& shape, const Message_ProgressRange& progress)
{
    Message_ProgressScope stage(progress, StlStage::kCheck, 1.0);
    stage.Show();
    // The analyzer asks nobody whether to stop (16 s on 90,000 sewn triangles): on Cancel it
    // is left to end alone, on its own copy of the shape.
    auto valid = std::make_shared<std::atomic<bool>>(false);
    const bool finished = runAlone(stage.Next(), "StlImporter: check", [shape, valid](const Message_ProgressRange&) {
        *valid = OccUtils::isValidShape(shape);
        return true;
    });
    return finished && *valid;
}

// Heals, then checks; false when cancelled.
static bool healAndCheck(StlImportResult& result, double tolerance, const Message_ProgressRange& progress)
{
    Message_ProgressScope scope(progress, nullptr, 2.0);
    result.shape = healStl(result.shape, tolerance, scope.Next());
    if (scope.UserBreak())
        return false;
    result.valid = checkStlShape(result.shape, scope.Next());
    return !scope.UserBreak();
}

static StlImportResult importThroughSewing(const StlMesh& mesh, double tolerance, StlImportResult result,
                                          const Message_ProgressRange& progress)
{
    Message_ProgressScope scope(progress, nullptr, 2.0);
    if (!sewStlMesh(mesh, tolerance, result, scope.Next()) || scope.UserBreak())
        return result;
    if (healAndCheck(result, tolerance, scope.Next()))
        finish(result);
    return result;
}

static StlImportResult importBySewing(const QString& path, double sewingTolerance, const Message_ProgressRange&)
{
    StlImportResult result;
    StlMesh mesh;
    if (!readStlMesh(path, result, mesh))
        return result;
    return importThroughSewing(mesh, resolveTolerance(sewingTolerance, mesh), result, {});
}

static StlImportResult importDirect(const QString& path, double sewingTolerance, const Message_ProgressRange& progress)
{
    Message_ProgressScope scope(progress, nullptr, 10.0);
    StlImportResult result;
    StlMesh mesh;
    if (!readStlMesh(path, result, mesh, scope.Next(2.0)) || scope.UserBreak())
        return result;
    const double tolerance = resolveTolerance(sewingTolerance, mesh);
    // What sewing would merge is merged first, so that a mesh closed but for nodes a hair
    // apart is built directly too.
    {
        Message_ProgressScope weld(scope.Next(), StlStage::kWeld, 1.0);
        weld.Show();
        weldStlMesh(mesh, tolerance, weld.Next());
    }
    if (scope.UserBreak())
        return result;
    if (mesh.triangles.empty()) {
        result.error = StlImporter::tr("No non-degenerate triangle in the STL.");
        return result;
    }

    StlShells direct;
    try {
        direct = StlShellBuilder::build(mesh, tolerance, scope.Next(3.0));
    } catch (const std::bad_alloc&) {
        throw; // sewing would need more still
    } catch (const Standard_OutOfMemory&) {
        throw;
    } catch (...) {
        qWarning() << "StlImporter: direct shell construction failed:" << OccUtils::currentExceptionMessage();
        direct = StlShells();
    }
    if (scope.UserBreak())
        return result;
    if (direct.shape.IsNull())
        return importThroughSewing(mesh, tolerance, result, scope.Next(4.0));
    mesh = StlMesh(); // the shape holds all of it now
    result.freeEdgeCount = 0;
    result.closed = true;
    result.shape = direct.shape;
    result.throughItself = direct.throughItself;
    result.shellsUncombined = direct.notUnited;
    result.unitedFacePairs = direct.facePairs;
    result.crossingUnchecked = direct.crossingUnknown;
    result.voidOutside = direct.voidOutside;
    result.copiedShellCount = direct.copies;
    if (!direct.solid) { // shells that no solid can hold as the mesh means them, as sewing would end
        finish(result);
        return result;
    }

    // A closed mesh: every edge already joins two faces, so there is nothing to sew, and
    // healing runs only when the check finds something to repair.
    result.solidBuilt = true;
    result.valid = direct.valid;
    if (!direct.valid) {
        // Healing may rebuild faces: their one-triangle meshes would no longer fit them.
        OccUtils::guardedCall(false, "StlImporter: clean", [&result] {
            BRepTools::Clean(result.shape);
            return true;
        });
        if (!healAndCheck(result, tolerance, scope.Next(4.0)))
            return result;
    }
    finish(result);
    return result;
}

// Nothing may escape to the caller, not even a failed allocation on a huge file.
static StlImportResult guarded(StlImportResult (*import)(const QString&, double, const Message_ProgressRange&),
                               const QString& path, double sewingTolerance, const Message_ProgressRange& progress)
{
    try {
        return import(path, sewingTolerance, progress);
    } catch (...) {
        StlImportResult failed;
        try {
            failed.error = StlImporter::tr("STL import failed: %1").arg(OccUtils::currentExceptionMessage());
        } catch (...) {
            failed.error = OccUtils::currentExceptionMessage(); // out of memory even for the text
        }
        return failed;
    }
}

StlImportResult StlImporter::importStlBySewing(const QString& path, double sewingTolerance)
{
    return guarded(importBySewing, path, sewingTolerance, {});
}

StlImportResult StlImporter::importStl(const QString& path, double sewingTolerance, const Message_ProgressRange& progress)
{
    // The work reports through one share, the wait through the other.
    Message_ProgressScope scope(progress, nullptr, 2.0);
    const Message_ProgressRange work = scope.Next();
    StlImportResult result;
    Jobs::succeeded(
        scope.Next(), "StlImporter", Jobs::Reads::Shared,
        [&](const Jobs::Stop&) {
            result = guarded(importDirect, path, sewingTolerance, work);
            return true;
        },
        true);
    if (scope.UserBreak()) {
        result = StlImportResult();
        result.cancelled = true;
        result.error = tr("The import was cancelled.");
    }
    return result;
}
