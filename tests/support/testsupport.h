// Helpers shared by the tests: settings isolation and numeric comparisons with a tolerance.
#pragma once

#include <QString>
#include <QTemporaryDir>

#include <Bnd_Box.hxx>
#include <TopoDS_Shape.hxx>

#include <functional>

class QPushButton;
class QWidget;

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
// How many sub-shapes of a kind the shape holds, shared ones once per occurrence.
int countOf(const TopoDS_Shape& shape, TopAbs_ShapeEnum kind);

// The most edges any one face of the shape has.
int mostEdgesOnAFace(const TopoDS_Shape& shape);

// Optimal bounding box of the shape as {xmin, ymin, zmin, xmax, ymax, zmax}.
struct Box { double xmin, ymin, zmin, xmax, ymax, zmax; };
Box boxOf(const TopoDS_Shape& shape);

// Writes the shape with OpenCASCADE's STEP writer, as other CAD tools' files come.
bool writeStep(const TopoDS_Shape& shape, const QString& path);

// The first push button among the widget's children that shows this text; null when none does.
QPushButton* buttonLabelled(QWidget* parent, const QString& text);

// Path of the KiCad footprint library installed by the set-up script.
QString kicadFootprintRoot();

// Limits this process's address space to what it uses now plus headroom, runs body and ends
// the process with body's result as its exit code. Meant as the statement of EXPECT_EXIT in
// gtest's "threadsafe" death-test style, which runs it in a fresh process: a heap that earlier
// tests grew would otherwise serve the allocations within the limit. The sanitizers reserve
// address space of their own: tests using it are skipped under them.
[[noreturn]] void exitUnderAddressSpaceLimit(unsigned long long headroom, const std::function<int()>& body);

} // namespace TestSupport
