// A component manager on an interactive context without a view, with the pad index fed from
// its signals the way the main window feeds it.
#pragma once

#include "components/componentmanager.h"
#include "components/footprintmanager.h"
#include "components/padcachemanager.h"
#include "model/netlist.h"
#include "project/projectmanager.h"

#include <AIS_InteractiveContext.hxx>
#include <AIS_ListOfInteractive.hxx>
#include <AIS_Shape.hxx>
#include <Aspect_DisplayConnection.hxx>
#include <OpenGl_GraphicDriver.hxx>
#include <V3d_Viewer.hxx>

#include <memory>

namespace ComponentTest {

inline opencascade::handle<AIS_InteractiveContext> makeHeadlessContext()
{
    opencascade::handle<Aspect_DisplayConnection> connection;
    opencascade::handle<OpenGl_GraphicDriver> driver = new OpenGl_GraphicDriver(connection, false);
    return new AIS_InteractiveContext(new V3d_Viewer(driver));
}

inline int displayedCount(const opencascade::handle<AIS_InteractiveContext>& context)
{
    AIS_ListOfInteractive list;
    context->DisplayedObjects(list);
    return list.Size();
}

inline NetlistComponent netlistComponent(const QString& ref, const QString& footprint, const QString& value = {})
{
    NetlistComponent component;
    component.ref = ref;
    component.footprint = footprint;
    component.value = value;
    return component;
}

struct Rig
{
    explicit Rig(bool withContext = true)
        : context(withContext ? makeHeadlessContext() : opencascade::handle<AIS_InteractiveContext>())
        , padCache(context)
        , manager(footprints, context, project)
    {
        padCache.setComponentManager(&manager);
        QObject::connect(&manager, &ComponentManager::padCacheUpdateNeeded,
                         [this](const opencascade::handle<AIS_Shape>& shape, const PadId& pad) {
                             if (pad.pad.isEmpty())
                                 padCache.removePad(shape);
                             else
                                 padCache.addPad(shape, pad);
                         });
        QObject::connect(&manager, &ComponentManager::padCacheClearComponentNeeded,
                         [this](const QString& ref) { padCache.removeComponentPads(ref); });
    }

    void setNetlist(const QList<NetlistComponent>& components)
    {
        Netlist netlist;
        for (const NetlistComponent& component : components)
            netlist.components.insert(component.ref, component);
        project.setNetlist(std::move(netlist));
    }

    opencascade::handle<AIS_InteractiveContext> context;
    FootprintManager footprints;
    ProjectManager project;
    PadCacheManager padCache;
    ComponentManager manager;
};

} // namespace ComponentTest
