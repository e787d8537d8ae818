#include "testsupport.h"

#include <QCoreApplication>
#include <QSettings>

#include <BRepBndLib.hxx>
#include <BRepGProp.hxx>
#include <GProp_GProps.hxx>

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

double volumeOf(const TopoDS_Shape& shape)
{
    if (shape.IsNull())
        return 0.0;
    GProp_GProps props;
    BRepGProp::VolumeProperties(shape, props);
    return props.Mass();
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

QString kicadFootprintRoot()
{
    return QStringLiteral("/usr/share/kicad/footprints");
}

} // namespace TestSupport
