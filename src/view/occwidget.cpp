// OccWidget: construction, viewer set-up, build plate, view cube, paint and resize.
#include "view/occwidget.h"

#include "foundation/logging.h"
#include "foundation/occutils.h"
#include "view/occnativewindow.h"

#include <AIS_InteractiveContext.hxx>
#include <AIS_ViewCube.hxx>
#include <Aspect_DisplayConnection.hxx>
#include <Aspect_Window.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BVH_LinearBuilder.hxx>
#include <Graphic3d_BvhCStructureSet.hxx>
#include <Graphic3d_CView.hxx>
#include <Graphic3d_Camera.hxx>
#include <Graphic3d_Layer.hxx>
#include <Graphic3d_TransformPers.hxx>
#include <OpenGl_GraphicDriver.hxx>
#include <Quantity_Color.hxx>
#include <V3d_View.hxx>
#include <V3d_Viewer.hxx>

#include <QDebug>
#include <QResizeEvent>

OccWidget::OccWidget(QWidget* parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_MouseTracking, true);
    setAttribute(Qt::WA_PaintOnScreen, true);
    setAttribute(Qt::WA_NoSystemBackground, true);
    // Gives the widget its own native window for the view to draw into.
    setAttribute(Qt::WA_NativeWindow, true);
    setMinimumSize(500, 300);
    qCDebug(lcViewer) << "OccWidget created with a native QWidget";
}

OccWidget::~OccWidget()
{
    releaseViewer();
    qCDebug(lcViewer) << "OccWidget destroyed";
}

void OccWidget::releaseViewer()
{
    if (m_context.IsNull())
        return;
    // Only this widget may hold the viewer now: a handle kept elsewhere would free it after
    // the native window, when its GL resources can no longer be released.
    const int others = int(m_context->GetRefCount()) - 1;
    if (others > 0)
        qCWarning(lcViewer) << "3D view released while" << others << "other holder(s) keep its viewer";
    OccUtils::guardedCall(false, "OccWidget::releaseViewer", [this] {
        m_context->RemoveAll(false);
        // Frees the view's GL context and resources now, while its window exists.
        if (!m_view.IsNull())
            m_view->Remove();
        return true;
    });
    m_highlightShape.Nullify();
    m_plateau.Nullify();
    m_viewCube.Nullify();
    m_view.Nullify();
    m_context.Nullify();
    m_viewer.Nullify();
    qCDebug(lcViewer) << "3D viewer released";
}

opencascade::handle<AIS_InteractiveContext> OccWidget::context() const
{
    return m_context;
}

opencascade::handle<V3d_View> OccWidget::view() const
{
    return m_view;
}

void OccWidget::setPadResolver(PadResolver resolver)
{
    m_padResolver = std::move(resolver);
}

void OccWidget::setPadReactivation(std::function<void()> reactivation)
{
    m_padReactivation = std::move(reactivation);
}

void OccWidget::setMainShapeProvider(std::function<TopoDS_Shape()> provider)
{
    m_mainShapeProvider = std::move(provider);
}

QPaintEngine* OccWidget::paintEngine() const
{
    return nullptr;
}

namespace {

// The view rebuilds a layer's culling tree whenever any object in it changes, so on a big
// board the first drawing after a generation or each step of a drag pays for a whole build.
// The default binned build took a tenth of such a frame; a linear build is near free and its
// tree culls about as well.
void useLinearCullingTrees(const opencascade::handle<V3d_View>& view)
{
    for (const opencascade::handle<Graphic3d_Layer>& layer : view->View()->Layers()) {
        // The tree set is a mutable member that the layer only hands out read-only.
        auto& structures = const_cast<Graphic3d_BvhCStructureSet&>(layer->CullableStructuresBVH());
        structures.SetBuilder(
            new BVH_LinearBuilder<Standard_Real, 3>(BVH_Constants_LeafNodeSizeSingle, BVH_Constants_MaxTreeDepth));
    }
}

} // namespace

void OccWidget::showEvent(QShowEvent* event)
{
    // The viewer is built on the first usable resize, not here.
    QWidget::showEvent(event);
}

void OccWidget::paintEvent(QPaintEvent*)
{
    if (!m_initialized || m_view.IsNull())
        return;
    OccUtils::guardedCall(false, "OccWidget::paintEvent Redraw", [this] {
        m_view->Redraw();
        return true;
    });
}

void OccWidget::changeEvent(QEvent* event)
{
    // The scene looks the same enabled or not: no redraw of it when a long operation holds the
    // window and lets it go.
    if (event->type() == QEvent::EnabledChange)
        return;
    QWidget::changeEvent(event);
}

void OccWidget::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_initialized) {
        if (!m_view.IsNull()) {
            OccUtils::guardedCall(false, "resizeEvent", [this] {
                m_view->MustBeResized();
                return true;
            });
        }
        return;
    }
    if (width() > 10 && height() > 10) {
        qCDebug(lcViewer) << "=== Initialization, size:" << width() << "x" << height();
        initializeViewer();
        if (m_initialized)
            update();
    }
}

void OccWidget::initializeViewer()
{
    if (m_initialized)
        return;

    bool built = false;
    try {
        qCDebug(lcViewer) << "=== initializeViewer BEGIN ===";
        qCDebug(lcViewer) << "  Current widget size:" << width() << "x" << height();

        opencascade::handle<Aspect_DisplayConnection> display = OccNativeWindow::createDisplayConnection();
        opencascade::handle<OpenGl_GraphicDriver> driver = new OpenGl_GraphicDriver(display, true);

        m_viewer = new V3d_Viewer(driver);
        m_viewer->SetDefaultLights();
        m_viewer->SetLightOn();
        m_view = m_viewer->CreateView();
        useLinearCullingTrees(m_view);

        qCDebug(lcViewer) << "Creating the native window...";
        opencascade::handle<Aspect_Window> window = OccNativeWindow::create(display, winId());
        // One wording for this trace on every platform, whatever window class is behind it.
        qCDebug(lcViewer) << "  Windows window created, HWND:" << winId();
        m_view->SetWindow(window, nullptr);
        if (!window->IsMapped()) {
            window->Map();
            qCDebug(lcViewer) << "  Window mapped";
        }
        window->DoResize();
        qCDebug(lcViewer) << "  Window explicitly resized";
        qCDebug(lcViewer) << "  Native window size:" << width() << "x" << height();

        m_view->SetBgGradientColors(Quantity_Color(0.22, 0.25, 0.30, Quantity_TOC_RGB),
                                    Quantity_Color(0.08, 0.09, 0.11, Quantity_TOC_RGB),
                                    Aspect_GFM_VER, false);
        m_view->MustBeResized();
        m_view->Invalidate();

        if (width() > 0 && height() > 0) {
            const double aspect = static_cast<double>(width()) / static_cast<double>(height());
            m_view->Camera()->SetAspect(aspect);
            qCDebug(lcViewer) << "  Aspect ratio set:" << aspect;
        }

        m_context = new AIS_InteractiveContext(m_viewer);
        m_context->SetDisplayMode(AIS_Shaded, false);
        m_context->SetPixelTolerance(8);
        qCDebug(lcViewer) << "✓ Viewer and context created with tolerance" << 8 << "pixels";

        m_initialized = true;
        qCDebug(lcViewer) << "✓ Marked as initialized";

        createBaseElements();
        qCDebug(lcViewer) << "✓ Base elements created";

        m_view->FitAll(0.01, false);
        m_view->ZFitAll(1.0);
        qCDebug(lcViewer) << "✓ View fitted to the elements";
        qCDebug(lcViewer) << "=== initializeViewer END ===";
        built = true;
    } catch (const Standard_Failure& failure) {
        qCritical() << "❌ OpenCascade error:" << QString::fromUtf8(failure.GetMessageString());
    } catch (const std::exception& exception) {
        qCritical() << "❌ Viewer initialization error:" << QString::fromUtf8(exception.what());
    } catch (...) {
        qCritical() << "❌ Viewer initialization error:" << "unknown error";
    }
    if (!built) {
        // A half-built viewer is built again on the next usable resize.
        m_initialized = false;
        return;
    }

    // Emitted outside the set-up's handler: a receiver's failure must not mark the built
    // viewer as failed, or the next resize would build it (and emit) a second time.
    OccUtils::guardedCall(false, "viewerInitialized", [this] {
        emit viewerInitialized();
        return true;
    });
}

void OccWidget::createBaseElements()
{
    if (!m_initialized || m_context.IsNull()) {
        qWarning() << "❌ Cannot create the base elements - viewer not initialized";
        return;
    }
    const bool complete = OccUtils::guardedCall(false, "createBaseElements", [this] {
        qCDebug(lcViewer) << "=== createBaseElements BEGIN ===";

        qCDebug(lcViewer) << "Creating the build plate...";
        configurePlateau();
        if (!m_plateau.IsNull())
            qCDebug(lcViewer) << "✓ Build plate created and displayed";
        else
            qWarning() << "❌ NULL build plate!";

        qCDebug(lcViewer) << "Creating the ViewCube...";
        configureViewCube();
        if (!m_viewCube.IsNull())
            qCDebug(lcViewer) << "✓ ViewCube created and displayed";
        else
            qWarning() << "❌ NULL ViewCube!";

        m_context->UpdateCurrentViewer();
        qCDebug(lcViewer) << "✓ View refreshed";
        qCDebug(lcViewer) << "=== createBaseElements END ===";
        return true;
    });
    if (!complete)
        qCritical() << "❌ createBaseElements: incomplete base elements";
}

void OccWidget::configurePlateau()
{
    OccUtils::guardedCall(false, "configurePlateau", [this] {
        qCDebug(lcViewer) << "  Configuring the build plate...";
        // x -100..150, y -100..110, z 0..3: the top face is at z = 3 mm.
        BRepPrimAPI_MakeBox maker(gp_Pnt(-100.0, -100.0, 0.0), 250.0, 210.0, 3.0);
        maker.Build();
        if (!maker.IsDone()) {
            qWarning() << "  ❌ NULL build plate TopoDS_Shape!";
            return false;
        }
        qCDebug(lcViewer) << "  ✓ Build plate TopoDS_Shape created";

        m_plateau = new AIS_Shape(maker.Shape());
        m_plateau->SetColor(Quantity_NOC_GRAY75);
        m_plateau->SetMaterial(Graphic3d_NameOfMaterial_Plastified);
        m_plateau->SetTransparency(0.3);

        m_context->Display(m_plateau, false);
        // The plate is scenery: it must never be picked.
        m_context->Deactivate(m_plateau);
        qCDebug(lcViewer) << "  ✓ Build plate displayed and configured";
        return true;
    });
}

void OccWidget::configureViewCube()
{
    OccUtils::guardedCall(false, "configureViewCube", [this] {
        qCDebug(lcViewer) << "  Configuring the ViewCube...";
        m_viewCube = new AIS_ViewCube();
        m_viewCube->SetSize(60.0, true);
        m_viewCube->SetFontHeight(12.0);
        m_viewCube->SetAxesLabels("X", "Y", "Z");
        // The cube's own labels are English words: they are the window's texts like any other.
        const struct
        {
            V3d_TypeOfOrientation side;
            const char* label;
        } sides[] = {
            {V3d_TypeOfOrientation_Zup_Front, QT_TRANSLATE_NOOP("OccWidget", "FRONT")},
            {V3d_TypeOfOrientation_Zup_Back, QT_TRANSLATE_NOOP("OccWidget", "BACK")},
            {V3d_TypeOfOrientation_Zup_Left, QT_TRANSLATE_NOOP("OccWidget", "LEFT")},
            {V3d_TypeOfOrientation_Zup_Right, QT_TRANSLATE_NOOP("OccWidget", "RIGHT")},
            {V3d_TypeOfOrientation_Zup_Top, QT_TRANSLATE_NOOP("OccWidget", "TOP")},
            {V3d_TypeOfOrientation_Zup_Bottom, QT_TRANSLATE_NOOP("OccWidget", "BOTTOM")},
        };
        for (const auto& side : sides)
            m_viewCube->SetBoxSideLabel(side.side, tr(side.label).toUtf8().constData());
        m_viewCube->SetDrawAxes(true);
        m_viewCube->SetTransformPersistence(new Graphic3d_TransformPers(
            Graphic3d_TMF_TriedronPers, Aspect_TOTP_RIGHT_LOWER, Graphic3d_Vec2i(100, 100)));

        m_context->Display(m_viewCube, false);
        m_context->Activate(m_viewCube, 0);
        qCDebug(lcViewer) << "  ✓ ViewCube displayed and activated";
        return true;
    });
}
