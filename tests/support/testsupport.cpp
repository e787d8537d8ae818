#include "testsupport.h"

#include <QCoreApplication>
#include <QSettings>

#include <BRepBndLib.hxx>
#include <BRepGProp.hxx>
#include <GProp_GProps.hxx>

#include <cstdio>
#include <cstdlib>
#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

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

void exitUnderAddressSpaceLimit(unsigned long long headroom, const std::function<int()>& body)
{
    malloc_trim(0);
    long pages = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld", &pages) != 1)
            pages = 0;
        std::fclose(statm);
    }
    const rlimit limit{rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) + rlim_t(headroom), RLIM_INFINITY};
    if (setrlimit(RLIMIT_AS, &limit) != 0)
        std::_Exit(90);
    std::_Exit(body());
}

} // namespace TestSupport
