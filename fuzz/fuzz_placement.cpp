// Placement of what the footprint reader accepts: body and pad solids, their meshes, the
// displayed objects and a turn, on an interactive context without a view.
#include "fuzzsupport.h"

#include "components/footprintmanager.h"
#include "model/placedcomponentdata.h"

#include <AIS_InteractiveContext.hxx>
#include <Aspect_DisplayConnection.hxx>
#include <OpenGl_GraphicDriver.hxx>
#include <V3d_Viewer.hxx>
#include <gp_Pnt.hxx>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzSupport::quietLogs();
    static const opencascade::handle<AIS_InteractiveContext> context = [] {
        opencascade::handle<Aspect_DisplayConnection> connection;
        opencascade::handle<OpenGl_GraphicDriver> driver = new OpenGl_GraphicDriver(connection, false);
        return opencascade::handle<AIS_InteractiveContext>(new AIS_InteractiveContext(new V3d_Viewer(driver)));
    }();

    FootprintManager library;
    const QString path = FuzzSupport::writeInput(data, size, ".kicad_mod");
    if (!library.loadFootprintFromFile(path))
        return 0;
    const QString name = QStringLiteral("input");
    PlacedComponentData component = library.createPlacedComponent(QStringLiteral("U1"), name, gp_Pnt(1.0, 2.0, 5.0),
                                                                  context);
    if (!component.hasMissingFootprint) {
        FootprintManager::rotateComponentVisual(component, 30.0, context, -1.0, {});
        library.replaceFootprint(component, name, context);
    }
    context->RemoveAll(false);
    return 0;
}
