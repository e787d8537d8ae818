// Mode machine: guards, signal order, deferred requests and bound buttons.
#include "view/modecontroller.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QStringList>

#include <gtest/gtest.h>

#include <stdexcept>

using Mode = ModeController::Mode;

namespace {

// Records every announcement as "exit:<name>" / "enter:<name>" / "deny:<name>:<reason>",
// together with the mode in force when it was emitted.
struct Recorder
{
    explicit Recorder(ModeController& mc)
    {
        QObject::connect(&mc, &ModeController::modeExited, [this, &mc](Mode m) {
            events << "exit:" + ModeController::modeName(m) + "@" + ModeController::modeName(mc.currentMode());
        });
        QObject::connect(&mc, &ModeController::modeEntered, [this](Mode m) {
            events << "enter:" + ModeController::modeName(m);
        });
        QObject::connect(&mc, &ModeController::transitionDenied, [this](Mode m, const QString& reason) {
            events << "deny:" + ModeController::modeName(m) + ":" + reason;
        });
    }
    QStringList events;
};

} // namespace

TEST(ModeController, NamesAndMetaTypeRegistration)
{
    EXPECT_EQ(ModeController::modeName(Mode::View), "View");
    EXPECT_EQ(ModeController::modeName(Mode::ResistanceProbe), "ResistanceProbe");
    EXPECT_EQ(ModeController::modeName(Mode::Select), "Select");
    EXPECT_EQ(ModeController::modeName(static_cast<Mode>(7)), "Unknown");

    ModeController mc;
    EXPECT_TRUE(QMetaType::fromName("ModeController::Mode").isValid());
}

TEST(ModeController, ExitThenEnterWithTheNewModeAlreadyInForce)
{
    ModeController mc;
    Recorder rec(mc);
    const auto result = mc.requestTransition(Mode::Routing);
    EXPECT_TRUE(result.accepted);
    EXPECT_TRUE(result.reason.isEmpty());
    EXPECT_EQ(rec.events, QStringList({"exit:View@Routing", "enter:Routing"}));
    EXPECT_EQ(mc.currentMode(), Mode::Routing);
}

TEST(ModeController, CurrentModeIsAcceptedSilentlyEvenWhenTheGuardWouldRefuse)
{
    ModeController mc;
    mc.requestTransition(Mode::Select);
    mc.setGuard(Mode::Select, [] { return QStringLiteral("no"); });
    Recorder rec(mc);
    const auto result = mc.requestTransition(Mode::Select);
    EXPECT_TRUE(result.accepted);
    EXPECT_TRUE(result.reason.isEmpty());
    EXPECT_TRUE(rec.events.isEmpty());
}

TEST(ModeController, GuardRefusalCarriesItsTextAndChangesNothing)
{
    ModeController mc;
    int calls = 0;
    mc.setGuard(Mode::Routing, [&calls] {
        ++calls;
        return QStringLiteral("Import a netlist first");
    });
    Recorder rec(mc);
    const auto result = mc.requestTransition(Mode::Routing);
    EXPECT_FALSE(result.accepted);
    EXPECT_EQ(result.reason, "Import a netlist first");
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(mc.currentMode(), Mode::View);
    EXPECT_EQ(rec.events, QStringList({"deny:Routing:Import a netlist first"}));
}

TEST(ModeController, GuardsAreReplacedAndRemoved)
{
    ModeController mc;
    mc.setGuard(Mode::Select, [] { return QStringLiteral("first"); });
    mc.setGuard(Mode::Select, [] { return QStringLiteral("second"); });
    EXPECT_EQ(mc.requestTransition(Mode::Select).reason, "second");

    mc.setGuard(Mode::Select, {}); // removes
    EXPECT_TRUE(mc.requestTransition(Mode::Select).accepted);
    EXPECT_EQ(mc.currentMode(), Mode::Select);

    // An empty guard for a mode that has none is harmless.
    mc.setGuard(Mode::Orientation, {});
    EXPECT_TRUE(mc.requestTransition(Mode::Orientation).accepted);

    // A guard that allows returns an empty text.
    mc.setGuard(Mode::Routing, [] { return QString(); });
    EXPECT_TRUE(mc.requestTransition(Mode::Routing).accepted);
    EXPECT_EQ(mc.currentMode(), Mode::Routing);
}

TEST(ModeController, RequestFromEnterReceiverIsDeferredUntilTheChangeCompletes)
{
    ModeController mc;
    Recorder rec(mc);
    bool once = false;
    ModeController::TransitionResult inner;
    QObject::connect(&mc, &ModeController::modeEntered, [&](Mode m) {
        if (m == Mode::Orientation && !once) {
            once = true;
            inner = mc.requestTransition(Mode::Select);
            rec.events << "requested";
        }
    });
    mc.requestTransition(Mode::Orientation);
    EXPECT_TRUE(inner.accepted);
    EXPECT_EQ(rec.events, QStringList({"exit:View@Orientation", "enter:Orientation", "requested",
                                       "exit:Orientation@Select", "enter:Select"}));
}

TEST(ModeController, DeferredSlotKeepsTheLastRequestAndDropsOneForTheModeJustEntered)
{
    ModeController mc;
    Recorder rec(mc);
    QList<Mode> requests;
    QObject::connect(&mc, &ModeController::modeExited, [&](Mode m) {
        if (m == Mode::View)
            for (Mode r : requests)
                mc.requestTransition(r);
    });
    requests = {Mode::Routing, Mode::Select};
    mc.requestTransition(Mode::Orientation);
    EXPECT_EQ(rec.events, QStringList({"exit:View@Orientation", "enter:Orientation", "exit:Orientation@Select",
                                       "enter:Select"}));

    mc.requestTransition(Mode::View);
    rec.events.clear();
    requests = {Mode::Routing};
    mc.requestTransition(Mode::Routing);
    EXPECT_EQ(rec.events, QStringList({"exit:View@Routing", "enter:Routing"}));
}

TEST(ModeController, DeferredRequestIsGuardedAgainWhenReplayed)
{
    ModeController mc;
    bool allowSelect = true;
    mc.setGuard(Mode::Select, [&allowSelect] { return allowSelect ? QString() : QStringLiteral("later"); });
    Recorder rec(mc);
    QObject::connect(&mc, &ModeController::modeEntered, [&](Mode m) {
        if (m == Mode::Routing) {
            mc.requestTransition(Mode::Select); // allowed now, deferred
            allowSelect = false;                // refused by the time it is replayed
        }
    });
    mc.requestTransition(Mode::Routing);
    EXPECT_EQ(mc.currentMode(), Mode::Routing);
    EXPECT_EQ(rec.events, QStringList({"exit:View@Routing", "enter:Routing", "deny:Select:later"}));
}

TEST(ModeController, ExceptionsFromReceiversAreSwallowedAndTheChangeStands)
{
    ModeController mc;
    QObject::connect(&mc, &ModeController::modeExited, [](Mode) { throw std::runtime_error("exit boom"); });
    QObject::connect(&mc, &ModeController::modeEntered, [](Mode) { throw 42; });
    Recorder rec(mc);
    const auto result = mc.requestTransition(Mode::Select);
    EXPECT_TRUE(result.accepted);
    EXPECT_EQ(mc.currentMode(), Mode::Select);
    // The running flag was cleared: the next request is carried out, not deferred.
    EXPECT_TRUE(mc.requestTransition(Mode::View).accepted);
    EXPECT_EQ(mc.currentMode(), Mode::View);
}

TEST(ModeController, BoundButtonsActAsAnExclusiveGroupDrivenByTheMode)
{
    ModeController mc;
    QPushButton routing, select;
    routing.setCheckable(true);
    select.setCheckable(true);
    mc.bindButton(&routing, Mode::Routing);
    mc.bindButton(&select, Mode::Select);

    routing.setChecked(true);
    EXPECT_EQ(mc.currentMode(), Mode::Routing);

    select.setChecked(true);
    EXPECT_EQ(mc.currentMode(), Mode::Select);
    EXPECT_FALSE(routing.isChecked());

    mc.requestTransition(Mode::Routing); // by code
    EXPECT_TRUE(routing.isChecked());
    EXPECT_FALSE(select.isChecked());

    routing.setChecked(false); // unchecking the active button asks for View
    EXPECT_EQ(mc.currentMode(), Mode::View);
}

TEST(ModeController, RefusedButtonClickIsPutBackWithoutASecondToggle)
{
    ModeController mc;
    mc.setGuard(Mode::ResistanceProbe, [] { return QStringLiteral("Draw tracks first"); });
    QPushButton probe;
    probe.setCheckable(true);
    mc.bindButton(&probe, Mode::ResistanceProbe);
    QSignalSpy toggled(&probe, &QAbstractButton::toggled);
    QSignalSpy denied(&mc, &ModeController::transitionDenied);

    probe.click();
    EXPECT_FALSE(probe.isChecked());
    EXPECT_EQ(toggled.count(), 1);
    ASSERT_EQ(denied.count(), 1);
    EXPECT_EQ(denied.at(0).at(1).toString(), "Draw tracks first");
    EXPECT_EQ(mc.currentMode(), Mode::View);
}

TEST(ModeController, BindingRejectsNullAndUncheckableButtonsAndSurvivesDestroyedOnes)
{
    ModeController mc;
    mc.bindButton(nullptr, Mode::Routing);
    QPushButton plain;
    mc.bindButton(&plain, Mode::Routing);
    mc.requestTransition(Mode::Routing);
    EXPECT_FALSE(plain.isChecked());

    {
        QPushButton gone;
        gone.setCheckable(true);
        mc.bindButton(&gone, Mode::Select);
    }
    EXPECT_TRUE(mc.requestTransition(Mode::Select).accepted);
}
