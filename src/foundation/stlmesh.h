// The usable triangles of an STL file as an indexed mesh, shared by the two ways of
// turning it into a solid.
#pragma once

#include <QtGlobal>

#include <Message_ProgressScope.hxx>
#include <gp_XYZ.hxx>

#include <algorithm>
#include <array>
#include <functional>
#include <vector>

class QString;
class TopoDS_Shape;
struct StlImportResult;

struct StlMesh
{
    std::vector<gp_XYZ> nodes;                   // merged nodes of the file
    std::vector<std::array<int, 3>> triangles;   // non-degenerate triangles, file order, 0-based
};

// The import's stages, as named progress scopes: whatever shows the progress can tell them apart.
namespace StlStage {
inline constexpr char kRead[] = "STL read";
inline constexpr char kWeld[] = "STL weld";
inline constexpr char kShells[] = "STL shell build";
inline constexpr char kShellCheck[] = "STL shell check";
inline constexpr char kSewing[] = "STL sewing";
inline constexpr char kHealing[] = "STL healing";
inline constexpr char kCheck[] = "STL check";
} // namespace StlStage

// Runs work on a thread of its own that Cancel leaves to end alone: OpenCASCADE's sewing, healing
// and checks sit seconds in calls that never ask whether to stop, so the work must own all it
// reads. It reports through the range it is given, whose breaks ask only whether it was left;
// the caller's bar follows how far it has come. True when it ran to its end and returned true.
bool runAlone(const Message_ProgressRange& progress, const char* context,
              const std::function<bool(const Message_ProgressRange&)>& work);

// Reports a loop's progress every so many rounds and tells when the user cancelled.
class StlLoopProgress
{
public:
    StlLoopProgress(const Message_ProgressRange& range, std::size_t rounds, std::size_t every = 1024)
        : m_scope(range, nullptr, double(std::max<std::size_t>(1, rounds / every))), m_every(every)
    {
    }
    // False once cancelled; cheap between reports.
    bool next()
    {
        if (++m_round % m_every != 0)
            return true;
        m_scope.Next();
        return !m_scope.UserBreak();
    }
    bool cancelled() const { return m_scope.UserBreak(); }

private:
    Message_ProgressScope m_scope;
    std::size_t m_every;
    std::size_t m_round = 0;
};

struct StlWeld
{
    int mergedNodes = 0;       // nodes moved onto a node within the tolerance
    int droppedTriangles = 0;  // triangles left without area by the merge
};

// Merges every used node into the first node within the tolerance of it, as sewing would,
// and drops the triangles that lose a corner that way. Unused nodes stay untouched.
StlWeld weldStlMesh(StlMesh& mesh, double tolerance, const Message_ProgressRange& progress = {});

// The OpenCASCADE analyzer's verdict on the shape, asking Cancel as it goes (false when cancelled).
bool checkStlShape(const TopoDS_Shape& shape, const Message_ProgressRange& progress = {});

// Checks and reads the file into the mesh of its usable triangles and sets the triangle
// count; false with the error set when there is none.
// A cancel leaves it false with no error.
bool readStlMesh(const QString& path, StlImportResult& result, StlMesh& mesh,
                 const Message_ProgressRange& progress = {});

// How an open mesh is sewn, filling what sewStlMesh fills. It runs alone (see runAlone): it keeps
// to its own copies and ends soon once its progress asks it to stop.
using StlSewing = std::function<bool(const StlMesh& mesh, double tolerance, StlImportResult& result,
                                     const Message_ProgressRange& progress)>;

// The straightforward construction: one planar face per triangle, sewn into shells, each
// shell turned into an outward solid. Fills the shape (before healing), the solid, closed
// and free-edge fields; false with the error set when nothing usable came out or when the
// sewing would take more work than the mesh's size allows; false with no error when the user
// cancels. A test may put a stand-in in the sewing's place.
bool sewStlMesh(const StlMesh& mesh, double tolerance, StlImportResult& result,
                const Message_ProgressRange& progress = {}, const StlSewing& sewing = {});
