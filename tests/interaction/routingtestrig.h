// The routing controller on a view-less interactive context: a fake view maps 10 logical
// pixels to 1 mm, names the object under the cursor on request and looks along +Y, so
// that a vertical rubber band reads its height from the cursor's Y (Z = -y / 10), or, on
// request, straight down.
#pragma once

#include "../components/componenttestrig.h"

#include "interaction/padobstacles.h"
#include "interaction/routingcontroller.h"
#include "interaction/routingviewport.h"
#include "testsupport.h"

#include <cmath>

namespace RoutingRigs {

inline QPoint px(double x, double y)
{
    return QPoint(int(std::lround(x * 10.0)), int(std::lround(y * 10.0)));
}

class FakeViewPort : public RoutingViewPort
{
public:
    explicit FakeViewPort(const opencascade::handle<AIS_InteractiveContext>& context) : m_context(context) {}

    opencascade::handle<AIS_InteractiveContext> context() const override { return m_context; }
    gp_Pnt projectScreenToPlane(const QPoint& logical, double planeZ) const override
    {
        return gp_Pnt(logical.x() / 10.0, logical.y() / 10.0, planeZ);
    }
    QPoint toDevicePixels(const QPoint& logical) const override { return logical; }
    opencascade::handle<AIS_InteractiveObject> detectAt(const QPoint&) override { return under; }
    bool cursorRay(const QPoint& device, gp_Pnt& origin, gp_Dir& direction, gp_Dir& projection) const override
    {
        if (lookingDown) { // the same picture as projectScreenToPlane, seen from above
            origin = gp_Pnt(device.x() / 10.0, device.y() / 10.0, 1000.0);
            direction = gp_Dir(0, 0, -1);
            projection = gp_Dir(0, 0, 1);
            return true;
        }
        origin = gp_Pnt(device.x() / 10.0, -1000.0, -device.y() / 10.0);
        direction = gp_Dir(0, 1, 0);
        projection = gp_Dir(0, 1, 0);
        return true;
    }
    void setInteractionMode(int mode) override { modes.append(mode); }

    opencascade::handle<AIS_InteractiveObject> under;
    QList<int> modes;
    bool lookingDown = false;

private:
    opencascade::handle<AIS_InteractiveContext> m_context;
};

// Components of a real netlist from KiCad's library, the pad obstacles installed as the
// main window installs them, and a controller over the fake view; time is in the test's hands.
struct Rig
{
    explicit Rig(const QString& netlistFile = QString())
    {
        if (!netlistFile.isEmpty()) {
            parts.footprints.addSearchPath(TestSupport::kicadFootprintRoot());
            QString error;
            netlistLoaded = parts.project.importNetlist(QStringLiteral(VTQ_TEST_DATA_DIR "/netlists/") + netlistFile,
                                                        &error);
            parts.manager.generateComponents(parts.project.netlist().components);
        }
        auto fake = std::make_unique<FakeViewPort>(parts.context);
        view = fake.get();
        controller = std::make_unique<RoutingController>(&parts.project, &parts.manager, std::move(fake),
                                                         &parts.padCache);
        controller->setClock([this] { return clock; });
        routing().setPadObstacleProvider(
            [this] { return buildPadObstacles(&parts.manager, parts.project.netlist().connections); });
    }

    RoutingManager& routing() { return parts.project.routingManager(); }

    // Puts a component's origin at (x, y) on the plate, turned 0°.
    bool place(const QString& ref, double x, double y)
    {
        return parts.manager.moveComponent(ref, gp_Pnt(x, y, 0.0), true);
    }
    gp_Pnt base(const QString& ref, const QString& pad)
    {
        const QList<PinPad> pads = parts.manager.pin(PadId(ref, pad)).pads();
        return pads.isEmpty() ? gp_Pnt() : pads.first().basePoint;
    }

    ComponentTest::Rig parts;
    bool netlistLoaded = false;
    FakeViewPort* view = nullptr;
    std::unique_ptr<RoutingController> controller;
    qint64 clock = 0;
};

} // namespace RoutingRigs
