#include "testsupport.h"

#include "childprocess.h"

#include <QCoreApplication>
#include <QPushButton>
#include <QSettings>

#include <BRepBndLib.hxx>
#include <BRepGProp.hxx>
#include <GProp_GProps.hxx>
#include <STEPControl_Writer.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_IndexedMapOfShape.hxx>

#include <algorithm>
#include <cstdlib>
#include <malloc.h>

namespace TestSupport {

IsolatedSettings::IsolatedSettings()
{
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir.path());
    QSettings().clear();
}

IsolatedSettings::~IsolatedSettings()
{
    QSettings().clear();
}

int countOf(const TopoDS_Shape& shape, TopAbs_ShapeEnum kind)
{
    int count = 0;
    for (TopExp_Explorer it(shape, kind); it.More(); it.Next())
        ++count;
    return count;
}

double volumeOf(const TopoDS_Shape& shape)
{
    if (shape.IsNull())
        return 0.0;
    GProp_GProps props;
    BRepGProp::VolumeProperties(shape, props);
    return props.Mass();
}

int mostEdgesOnAFace(const TopoDS_Shape& shape)
{
    int most = 0;
    for (TopExp_Explorer f(shape, TopAbs_FACE); f.More(); f.Next()) {
        TopTools_IndexedMapOfShape edges;
        TopExp::MapShapes(f.Current(), TopAbs_EDGE, edges);
        most = std::max(most, edges.Extent());
    }
    return most;
}

Box boxOf(const TopoDS_Shape& shape)
{
    Bnd_Box box;
    BRepBndLib::AddOptimal(shape, box, false, false);
    Box b{};
    if (!box.IsVoid())
        box.Get(b.xmin, b.ymin, b.zmin, b.xmax, b.ymax, b.zmax);
    return b;
}

bool writeStep(const TopoDS_Shape& shape, const QString& path)
{
    STEPControl_Writer writer;
    return writer.Transfer(shape, STEPControl_AsIs) == IFSelect_RetDone
           && writer.Write(path.toUtf8().constData()) == IFSelect_RetDone;
}

QPushButton* buttonLabelled(QWidget* parent, const QString& text)
{
    for (QPushButton* button : parent->findChildren<QPushButton*>())
        if (button->text() == text)
            return button;
    return nullptr;
}

QString kicadFootprintRoot()
{
    return QStringLiteral("/usr/share/kicad/footprints");
}

void exitUnderAddressSpaceLimit(unsigned long long headroom, const std::function<int()>& body)
{
    malloc_trim(0);
    if (!setSoftLimit(RLIMIT_AS, addressSpaceInUse() + rlim_t(headroom)))
        std::_Exit(90);
    std::_Exit(body());
}

} // namespace TestSupport
