// The usable triangles of an STL file as an indexed mesh, shared by the two ways of
// turning it into a solid.
#pragma once

#include <QtGlobal>

#include <Message_ProgressIndicator.hxx>
#include <gp_XYZ.hxx>

#include <QElapsedTimer>

#include <array>
#include <vector>

class QString;
struct StlImportResult;

struct StlMesh
{
    std::vector<gp_XYZ> nodes;                   // merged nodes of the file
    std::vector<std::array<int, 3>> triangles;   // non-degenerate triangles, file order, 0-based
};

// Asks OpenCASCADE to stop once the time is spent; sewing and healing poll it as they go.
class StlDeadline : public Message_ProgressIndicator
{
public:
    explicit StlDeadline(qint64 budgetMs) : m_budgetMs(budgetMs) { m_clock.start(); }
    Standard_Boolean UserBreak() override { return m_clock.elapsed() > m_budgetMs; }
    void Show(const Message_ProgressScope&, const Standard_Boolean) override {}

private:
    QElapsedTimer m_clock;
    qint64 m_budgetMs;
};

struct StlWeld
{
    int mergedNodes = 0;       // nodes moved onto a node within the tolerance
    int droppedTriangles = 0;  // triangles left without area by the merge
};

// Merges every used node into the first node within the tolerance of it, as sewing would,
// and drops the triangles that lose a corner that way. Unused nodes stay untouched.
StlWeld weldStlMesh(StlMesh& mesh, double tolerance);

// Checks and reads the file into the mesh of its usable triangles and sets the triangle
// count; false with the error set when there is none.
bool readStlMesh(const QString& path, StlImportResult& result, StlMesh& mesh);

// The straightforward construction: one planar face per triangle, sewn into shells, each
// shell turned into an outward solid. Fills the shape (before healing), the solid, closed
// and free-edge fields; false with the error set when nothing usable came out or when the
// work outlasts the budget.
bool sewStlMesh(const StlMesh& mesh, double tolerance, StlImportResult& result, qint64 budgetMs);
