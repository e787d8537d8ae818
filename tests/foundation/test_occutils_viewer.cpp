// Guarded viewer helpers and clean-up guards on an interactive context without any view.
#include "logcapture.h"

#include "foundation/occguard.h"
#include "foundation/occutils.h"
#include "foundation/scopeguard.h"

#include <AIS_InteractiveContext.hxx>
#include <AIS_Shape.hxx>
#include <Aspect_DisplayConnection.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <OpenGl_GraphicDriver.hxx>
#include <Standard_Failure.hxx>
#include <TColStd_ListOfInteger.hxx>
#include <V3d_Viewer.hxx>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

opencascade::handle<AIS_InteractiveContext> makeHeadlessContext()
{
    opencascade::handle<Aspect_DisplayConnection> connection; // null: no display needed
    opencascade::handle<OpenGl_GraphicDriver> driver = new OpenGl_GraphicDriver(connection, false);
    opencascade::handle<V3d_Viewer> viewer = new V3d_Viewer(driver);
    return new AIS_InteractiveContext(viewer);
}

opencascade::handle<AIS_Shape> makeBoxObject()
{
    return new AIS_Shape(BRepPrimAPI_MakeBox(1.0, 2.0, 3.0).Shape());
}

// An object whose presentation or selection cannot be computed.
class FailingObject : public AIS_Shape
{
public:
    enum class Failure { None, OccInCompute, StdInCompute, OtherInCompute, OccInSelection };
    explicit FailingObject(Failure failure)
        : AIS_Shape(BRepPrimAPI_MakeBox(1.0, 1.0, 1.0).Shape())
        , m_failure(failure)
    {
    }

protected:
    void Compute(const opencascade::handle<PrsMgr_PresentationManager>& manager,
                 const opencascade::handle<Prs3d_Presentation>& presentation, const Standard_Integer mode) override
    {
        switch (m_failure) {
        case Failure::OccInCompute:
            throw Standard_Failure("presentation broken");
        case Failure::StdInCompute:
            throw std::runtime_error("out of memory");
        case Failure::OtherInCompute:
            throw 42;
        default:
            AIS_Shape::Compute(manager, presentation, mode);
        }
    }
    void ComputeSelection(const opencascade::handle<SelectMgr_Selection>& selection,
                          const Standard_Integer mode) override
    {
        if (m_failure == Failure::OccInSelection && mode != 0)
            throw Standard_Failure("selection broken");
        AIS_Shape::ComputeSelection(selection, mode);
    }

private:
    Failure m_failure;
};

// Notes the order in which the context lets go of objects.
class RecordingObject : public AIS_Shape
{
public:
    RecordingObject(int id, QList<int>* released)
        : AIS_Shape(BRepPrimAPI_MakeBox(1.0, 1.0, 1.0).Shape())
        , m_id(id)
        , m_released(released)
    {
    }
    void SetContext(const opencascade::handle<AIS_InteractiveContext>& context) override
    {
        if (context.IsNull())
            m_released->append(m_id);
        AIS_Shape::SetContext(context);
    }

private:
    int m_id;
    QList<int>* m_released;
};

int activeModeCount(const opencascade::handle<AIS_InteractiveContext>& ctx,
                    const opencascade::handle<AIS_InteractiveObject>& obj)
{
    TColStd_ListOfInteger modes;
    ctx->ActivatedModes(obj, modes);
    return modes.Size();
}

class OccViewerHelpers : public ::testing::Test
{
protected:
    opencascade::handle<AIS_InteractiveContext> ctx = makeHeadlessContext();
};

} // namespace

TEST_F(OccViewerHelpers, NullHandlesAreRefusedSilently)
{
    FoundationLogCapture log;
    const opencascade::handle<AIS_InteractiveContext> noContext;
    const opencascade::handle<AIS_InteractiveObject> noObject;
    const auto obj = makeBoxObject();
    EXPECT_FALSE(OccUtils::safeDisplay(noContext, obj));
    EXPECT_FALSE(OccUtils::safeDisplay(ctx, noObject));
    EXPECT_FALSE(OccUtils::safeRemove(noContext, obj));
    EXPECT_FALSE(OccUtils::safeErase(ctx, noObject));
    EXPECT_FALSE(OccUtils::safeActivate(noContext, obj, 0));
    EXPECT_FALSE(OccUtils::safeDeactivate(ctx, noObject));
    OccUtils::safeUpdateViewer(noContext);
    EXPECT_TRUE(log.messages().isEmpty());
}

TEST_F(OccViewerHelpers, DisplayWithAndWithoutSelection)
{
    const auto selectable = makeBoxObject();
    const auto inert = makeBoxObject();
    ASSERT_TRUE(OccUtils::safeDisplay(ctx, selectable, false));
    ASSERT_TRUE(OccUtils::safeDisplay(ctx, inert, true));
    EXPECT_TRUE(ctx->IsDisplayed(selectable));
    EXPECT_TRUE(ctx->IsDisplayed(inert));
    EXPECT_GT(activeModeCount(ctx, selectable), 0);
    EXPECT_EQ(activeModeCount(ctx, inert), 0);
}

TEST_F(OccViewerHelpers, ActivateAndDeactivateSelectionModes)
{
    const auto obj = makeBoxObject();
    ASSERT_TRUE(OccUtils::safeDisplay(ctx, obj, true));
    const int edgeMode = AIS_Shape::SelectionMode(TopAbs_EDGE);
    ASSERT_TRUE(OccUtils::safeActivate(ctx, obj, edgeMode));
    TColStd_ListOfInteger modes;
    ctx->ActivatedModes(obj, modes);
    ASSERT_EQ(modes.Size(), 1);
    EXPECT_EQ(modes.First(), edgeMode);
    ASSERT_TRUE(OccUtils::safeDeactivate(ctx, obj));
    EXPECT_EQ(activeModeCount(ctx, obj), 0);
}

TEST_F(OccViewerHelpers, EraseHidesButKeepsTheObject)
{
    const auto obj = makeBoxObject();
    ASSERT_TRUE(OccUtils::safeDisplay(ctx, obj));
    ASSERT_TRUE(OccUtils::safeErase(ctx, obj));
    EXPECT_EQ(ctx->DisplayStatus(obj), PrsMgr_DisplayStatus_Erased);
    EXPECT_TRUE(OccUtils::safeErase(ctx, obj)); // already hidden: nothing to do
    ASSERT_TRUE(OccUtils::safeDisplay(ctx, obj));
    EXPECT_TRUE(ctx->IsDisplayed(obj));
}

TEST_F(OccViewerHelpers, RemoveTakesDisplayedAndHiddenObjectsOutOfTheContext)
{
    const auto shown = makeBoxObject();
    const auto hidden = makeBoxObject();
    const auto never = makeBoxObject();
    ASSERT_TRUE(OccUtils::safeDisplay(ctx, shown));
    ASSERT_TRUE(OccUtils::safeDisplay(ctx, hidden));
    ASSERT_TRUE(OccUtils::safeErase(ctx, hidden));

    EXPECT_TRUE(OccUtils::safeRemove(ctx, shown));
    EXPECT_TRUE(OccUtils::safeRemove(ctx, hidden));
    EXPECT_TRUE(OccUtils::safeRemove(ctx, never));
    EXPECT_EQ(ctx->DisplayStatus(shown), PrsMgr_DisplayStatus_None);
    // A removed hidden object must not come back with the next "display everything".
    EXPECT_EQ(ctx->DisplayStatus(hidden), PrsMgr_DisplayStatus_None);
    ctx->DisplayAll(false);
    EXPECT_FALSE(ctx->IsDisplayed(hidden));
}

struct ThrowCase
{
    FailingObject::Failure failure;
    const char* expectedWarning;
};

void PrintTo(const ThrowCase& row, std::ostream* os)
{
    *os << row.expectedWarning;
}

std::string throwCaseName(const ::testing::TestParamInfo<ThrowCase>& info)
{
    static const char* const names[] = {"None", "OccFailure", "StdException", "Other", "Selection"};
    return names[static_cast<int>(info.param.failure)];
}

class OccViewerThrows : public OccViewerHelpers, public ::testing::WithParamInterface<ThrowCase>
{
};

TEST_P(OccViewerThrows, DisplayFailureBecomesWarningAndFalse)
{
    const opencascade::handle<FailingObject> obj = new FailingObject(GetParam().failure);
    FoundationLogCapture log;
    EXPECT_FALSE(OccUtils::safeDisplay(ctx, obj));
    ASSERT_EQ(log.warnings().size(), 1);
    EXPECT_EQ(log.warnings().first(), QString::fromUtf8(GetParam().expectedWarning));
}

INSTANTIATE_TEST_SUITE_P(
    ThreeForms, OccViewerThrows,
    ::testing::Values(ThrowCase{FailingObject::Failure::OccInCompute, "OccUtils::safeDisplay (OCC): presentation broken"},
                      ThrowCase{FailingObject::Failure::StdInCompute, "OccUtils::safeDisplay : out of memory"},
                      ThrowCase{FailingObject::Failure::OtherInCompute, "OccUtils::safeDisplay : unknown error"}),
    throwCaseName);

TEST_F(OccViewerHelpers, SelectionFailureOnlyFailsActivation)
{
    const opencascade::handle<FailingObject> obj = new FailingObject(FailingObject::Failure::OccInSelection);
    FoundationLogCapture log;
    // Only modes other than the default one fail.
    EXPECT_TRUE(OccUtils::safeDisplay(ctx, obj, true));
    EXPECT_TRUE(ctx->IsDisplayed(obj));
    EXPECT_FALSE(OccUtils::safeActivate(ctx, obj, AIS_Shape::SelectionMode(TopAbs_FACE)));
    ASSERT_EQ(log.warnings().size(), 1);
    EXPECT_TRUE(log.warnings().first().startsWith("OccUtils::safeActivate (OCC):"));
    EXPECT_TRUE(OccUtils::safeRemove(ctx, obj));
    EXPECT_FALSE(ctx->IsDisplayed(obj));
}

TEST_F(OccViewerHelpers, UpdateViewerWithoutViewIsHarmless)
{
    FoundationLogCapture log;
    OccUtils::safeDisplay(ctx, makeBoxObject());
    OccUtils::safeUpdateViewer(ctx);
    EXPECT_TRUE(log.warnings().isEmpty());
}

TEST_F(OccViewerHelpers, OccGuardRemovesUncommittedObjects)
{
    QList<opencascade::handle<AIS_Shape>> objects{makeBoxObject(), makeBoxObject(), makeBoxObject()};
    {
        OccGuard guard(ctx);
        for (const auto& obj : objects) {
            ASSERT_TRUE(OccUtils::safeDisplay(ctx, obj));
            guard.track(obj);
        }
        guard.track(opencascade::handle<AIS_InteractiveObject>());
        ASSERT_EQ(guard.tracked().size(), 3);
        EXPECT_TRUE(guard.tracked().at(0) == objects.at(0));
        EXPECT_TRUE(guard.tracked().at(2) == objects.at(2));
    }
    for (const auto& obj : objects)
        EXPECT_EQ(ctx->DisplayStatus(obj), PrsMgr_DisplayStatus_None);
}

TEST_F(OccViewerHelpers, OccGuardRemovesInDisplayOrder)
{
    QList<int> released;
    {
        OccGuard guard(ctx);
        for (int id : {3, 1, 2}) {
            opencascade::handle<RecordingObject> obj = new RecordingObject(id, &released);
            ASSERT_TRUE(OccUtils::safeDisplay(ctx, obj));
            guard.track(obj);
        }
        EXPECT_TRUE(released.isEmpty());
    }
    EXPECT_EQ(released, QList<int>({3, 1, 2}));
}

TEST_F(OccViewerHelpers, OccGuardKeepsCommittedObjects)
{
    const auto a = makeBoxObject();
    const auto b = makeBoxObject();
    {
        OccGuard guard(ctx);
        OccUtils::safeDisplay(ctx, a);
        guard.track(a);
        OccUtils::safeDisplay(ctx, b);
        guard.track(b);
        guard.commit();
        EXPECT_TRUE(guard.tracked().isEmpty());
    }
    EXPECT_TRUE(ctx->IsDisplayed(a));
    EXPECT_TRUE(ctx->IsDisplayed(b));
}

TEST(ScopeGuardTest, RunsOnceUnlessDismissed)
{
    int calls = 0;
    {
        ScopeGuard guard([&] { ++calls; });
    }
    EXPECT_EQ(calls, 1);
    {
        ScopeGuard guard([&] { ++calls; });
        guard.dismiss();
    }
    EXPECT_EQ(calls, 1);
    {
        ScopeGuard guard([&] { ++calls; });
        guard.runCleanup();
        guard.runCleanup();
    }
    EXPECT_EQ(calls, 2);
}

TEST(ScopeGuardTest, EmptyCleanupIsNeverCalled)
{
    // Calling an empty std::function throws; the guard must not even try, so nothing is logged.
    FoundationLogCapture log;
    {
        ScopeGuard guard{std::function<void()>()};
        guard.runCleanup();
    }
    {
        ScopeGuard guard{std::function<void()>()};
    }
    EXPECT_TRUE(log.warnings().isEmpty()) << log.warnings().join(QLatin1Char('\n')).toStdString();
}

TEST(ScopeGuardTest, ThrowingCleanupIsLoggedAndRunsOnlyOnce)
{
    FoundationLogCapture log;
    int calls = 0;
    {
        ScopeGuard guard([&] {
            ++calls;
            throw std::runtime_error("disk gone");
        });
        guard.runCleanup();
        EXPECT_TRUE(guard.isDismissed());
    }
    {
        ScopeGuard guard([&] { throw Standard_Failure("occ"); });
    }
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(log.warnings(), QStringList({"ScopeGuard: exception during cleanup: disk gone",
                                           "ScopeGuard: unknown exception during cleanup"}));
}

TEST(CurrentExceptionMessage, NamesEveryKind)
{
    EXPECT_EQ(OccUtils::currentExceptionMessage(), "no exception");
    try {
        throw Standard_Failure("BRep_API: command not done");
    } catch (...) {
        EXPECT_EQ(OccUtils::currentExceptionMessage(), "BRep_API: command not done");
    }
    try {
        throw std::runtime_error("caf\xC3\xA9");
    } catch (...) {
        EXPECT_EQ(OccUtils::currentExceptionMessage(), QString::fromUtf8("caf\xC3\xA9"));
    }
    try {
        throw Standard_Failure();
    } catch (...) {
        EXPECT_EQ(OccUtils::currentExceptionMessage(), QString());
    }
    try {
        throw 7;
    } catch (...) {
        EXPECT_EQ(OccUtils::currentExceptionMessage(), "unknown error");
    }
    EXPECT_EQ(OccUtils::currentExceptionMessage(), "no exception");
}
