// Rebuilds a solid from an STL mesh: one planar face per usable triangle, joined into
// closed shells, turned into solids and checked. Shows nothing; the caller presents the
// outcome.
#pragma once

#include <QCoreApplication>
#include <QString>

#include <Message_ProgressRange.hxx>
#include <TopoDS_Shape.hxx>

class Bnd_Box;

struct StlImportResult
{
    bool ok = false;          // a shape was produced
    TopoDS_Shape shape;       // one solid, a compound of solids, or the sewn shape
    bool solidBuilt = false;  // at least one shell became a solid
    bool closed = false;      // no free edge was left
    bool valid = false;       // the final shape passes the OpenCASCADE check
    int triangleCount = 0;    // triangles in the file's triangulation
    int faceCount = 0;        // faces of the final shape
    int freeEdgeCount = -1;   // -1 until the shells were joined
    int flatTriangleCount = 0; // triangles left out for having no area (corners in a line)
    int flatShellCount = 0;    // closed shells left out for enclosing no volume
    bool shellsUncombined = false; // shells touch or cross and could not be made one solid: none was built
    long unitedFacePairs = 0;      // with shellsUncombined, for the union's size: pairs of faces that may meet
    bool throughItself = false;    // a closed shell passes through itself: none was built
    bool crossingUnchecked = false; // the check for the above could not be finished (triangles crowd too densely)
    bool voidOutside = false;      // part of a void lies outside the body around it, taken as material
    int copiedShellCount = 0;      // closed shells repeating another one, taken with it as one
    QString warning;          // usable but not clean
    QString error;            // reason when ok is false
    bool cancelled = false;   // the user cancelled: nothing was produced
};

class StlImporter
{
    Q_DECLARE_TR_FUNCTIONS(StlImporter)

public:
    // A tolerance above 0 is used as given; anything else (0, negative, NaN) asks for the
    // automatic one. With an active progress, the work runs on a helper thread while this one
    // reports; Cancel takes effect within every stage (read, shell build and its check, sewing,
    // healing, the final check) and gives a cancelled result.
    static StlImportResult importStl(const QString& path, double sewingTolerance = -1.0,
                                     const Message_ProgressRange& progress = {});

    // The straightforward construction (one loose face per triangle, then sewing and shape
    // healing). Slow on large meshes; kept as the reference the fast path must match.
    static StlImportResult importStlBySewing(const QString& path, double sewingTolerance = -1.0);

    // Sewing tolerance for a mesh with this bounding box (see sewingToleranceFor).
    static double automaticSewingTolerance(const Bnd_Box& box);
};
