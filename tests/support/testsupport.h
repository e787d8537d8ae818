// Helpers shared by the tests: settings isolation and numeric comparisons with a tolerance.
#pragma once

#include <QString>
#include <QTemporaryDir>

#include <Bnd_Box.hxx>
#include <TopoDS_Shape.hxx>

#include <functional>

namespace TestSupport {

// Points QSettings at a fresh temporary folder for the lifetime of the object and
// clears every key, so that no test reads or writes the user's real settings.
class IsolatedSettings
{
public:
    IsolatedSettings();
    ~IsolatedSettings();
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
};

// Volume of every solid in the shape (0 for a null shape).
double volumeOf(const TopoDS_Shape& shape);

// Optimal bounding box of the shape as {xmin, ymin, zmin, xmax, ymax, zmax}.
struct Box { double xmin, ymin, zmin, xmax, ymax, zmax; };
Box boxOf(const TopoDS_Shape& shape);

// Path of the KiCad footprint library installed by the set-up script.
QString kicadFootprintRoot();

// Runs body in a forked child whose address space may grow by headroom bytes only; returns
// body's result as the child's exit code, or -1 when the child ended on a signal
// (std::terminate, a crash). The sanitizers reserve address space of their own: tests using
// it are skipped under them.
int underAddressSpaceLimit(unsigned long long headroom, const std::function<int()>& body);

} // namespace TestSupport
