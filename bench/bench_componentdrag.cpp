// Selecting and dragging a component with 200 components on the part, in a real 3D view
// (needs an X server: run under xvfb-run): one selection click, and one mouse move of a drag
// (cursor projection, move of body and pads, pad index, panel refresh, redraw), beside the
// floor of one redraw of the same scene.
#include "benchmain.h"

#include "app/propertiespanel.h"
#include "components/componentmanager.h"
#include "components/footprintmanager.h"
#include "components/padcachemanager.h"
#include "model/netlist.h"
#include "model/placedcomponentdata.h"
#include "project/projectmanager.h"
#include "view/occwidget.h"

#include <AIS_InteractiveContext.hxx>
#include <AIS_Shape.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <SelectMgr_EntityOwner.hxx>
#include <V3d_View.hxx>

#include <QApplication>
#include <QElapsedTimer>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

const char* const kFootprints[] = {"Builtin_0603", "Builtin_0805", "Builtin_1206", "Builtin_1210"};

void quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

struct DragScene
{
    DragScene()
    {
        widget.resize(1000, 700);
        widget.show();
        QElapsedTimer timer;
        timer.start();
        while (widget.context().IsNull() && timer.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        widget.displayShape(BRepPrimAPI_MakeBox(gp_Pnt(-100, -100, 0), 200, 200, 5.1).Shape());

        padCache = std::make_unique<PadCacheManager>(widget.context());
        manager = std::make_unique<ComponentManager>(footprints, widget.context(), project);
        padCache->setComponentManager(manager.get());
        QObject::connect(manager.get(), &ComponentManager::padCacheUpdateNeeded,
                         [this](const opencascade::handle<AIS_Shape>& shape, const PadId& pad) {
                             if (pad.pad.isEmpty())
                                 padCache->removePad(shape);
                             else
                                 padCache->addPad(shape, pad);
                         });
        // What the window does on every change: the panel shows the component again.
        QObject::connect(manager.get(), &ComponentManager::componentChanged, [this](const QString& ref) {
            const PlacedComponentData* c = manager->findComponent(ref);
            ComponentProperties p;
            p.posX = c->position.X();
            p.posY = c->position.Y();
            p.posZ = c->position.Z();
            p.rotation = c->rotation;
            panel.showComponent(ref, p, c->hasMissingFootprint);
        });

        Netlist netlist;
        for (int i = 0; i < 200; ++i) {
            NetlistComponent component;
            component.ref = QStringLiteral("R%1").arg(i + 1);
            component.footprint = QString::fromLatin1(kFootprints[i % 4]);
            netlist.components.insert(component.ref, component);
        }
        manager->generateComponents(netlist.components);
        widget.view()->SetProj(V3d_XposYnegZpos);
        widget.fitAll();
        QCoreApplication::processEvents();
    }

    QPoint pixelOf(const gp_Pnt& p)
    {
        Standard_Integer x = 0;
        Standard_Integer y = 0;
        widget.view()->Convert(p.X(), p.Y(), p.Z(), x, y);
        return QPoint(x, y);
    }

    OccWidget widget;
    FootprintManager footprints;
    ProjectManager project;
    PropertiesPanel panel;
    std::unique_ptr<PadCacheManager> padCache;
    std::unique_ptr<ComponentManager> manager;
};

void BM_RedrawFloor(benchmark::State& state)
{
    qInstallMessageHandler(quiet);
    DragScene s;
    for (auto _ : state)
        s.widget.context()->UpdateCurrentViewer();
}
BENCHMARK(BM_RedrawFloor)->Unit(benchmark::kMillisecond);

void BM_DragMove(benchmark::State& state)
{
    qInstallMessageHandler(quiet);
    DragScene s;
    const QString ref = QStringLiteral("R100");
    const gp_Pnt start = s.manager->findComponent(ref)->position;
    const QPoint from = s.pixelOf(start);
    int step = 0;
    for (auto _ : state) {
        const QPoint at = from + QPoint((step % 40) - 20, (step % 17) - 8);
        ++step;
        const std::optional<gp_Pnt> cursor = s.widget.intersectScreenWithPlane(at, start.Z());
        if (cursor)
            s.manager->moveComponent(ref, *cursor, false);
    }
    state.counters["components"] = double(s.manager->components().size());
}
BENCHMARK(BM_DragMove)->Unit(benchmark::kMillisecond);

void BM_SelectClick(benchmark::State& state)
{
    qInstallMessageHandler(quiet);
    DragScene s;
    const opencascade::handle<AIS_InteractiveContext> context = s.widget.context();
    const QStringList refs{QStringLiteral("R10"), QStringLiteral("R150")};
    QList<QPoint> pixels;
    for (const QString& ref : refs)
        pixels << s.pixelOf(s.manager->findComponent(ref)->position.Translated(gp_Vec(0, 0, 2.0)));
    // The Select mode makes the bodies pickable.
    for (const PlacedComponentData& component : s.manager->components())
        context->Activate(component.compositeShape, 0);
    int i = 0;
    QString selected;
    for (auto _ : state) {
        const QPoint at = pixels[i++ % 2];
        context->MoveTo(at.x(), at.y(), s.widget.view(), false);
        const opencascade::handle<SelectMgr_EntityOwner> owner = context->DetectedOwner();
        const opencascade::handle<AIS_Shape> shape =
            owner.IsNull() ? opencascade::handle<AIS_Shape>() : opencascade::handle<AIS_Shape>::DownCast(owner->Selectable());
        const QString ref = s.manager->referenceForShape(shape);
        if (!selected.isEmpty())
            s.manager->setComponentStyle(selected, 0, false);
        if (!ref.isEmpty())
            s.manager->setComponentStyle(ref, 2, true);
        selected = ref;
        if (ref.isEmpty())
            state.SkipWithError("no component under the cursor");
    }
}
BENCHMARK(BM_SelectClick)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return runBenchmarks<QApplication>(argc, argv);
}
