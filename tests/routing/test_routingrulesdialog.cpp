#include "routing/routingmanager.h"
#include "routing/routingrulesdialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

QList<QDoubleSpinBox*> spinBoxes(RoutingRulesDialog& dialog)
{
    return dialog.findChildren<QDoubleSpinBox*>();
}

QPushButton* button(RoutingRulesDialog& dialog, QDialogButtonBox::StandardButton which)
{
    return dialog.findChild<QDialogButtonBox*>()->button(which);
}

} // namespace

TEST(RoutingRulesDialog, ShowsRoundedAndClampedValues)
{
    RoutingRulesDialog dialog({0.126, 99.0, -1.0, 25.0});
    const RoutingRules shown = dialog.rules();
    EXPECT_DOUBLE_EQ(shown.trackWidth, 0.13);
    EXPECT_DOUBLE_EQ(shown.trackHeight, 50.0);
    EXPECT_DOUBLE_EQ(shown.clearance, 0.0);
    EXPECT_DOUBLE_EQ(shown.padClearance, 20.0);
    EXPECT_FALSE(dialog.useAsDefaults());
}

TEST(RoutingRulesDialog, EveryEnterableValuePassesTheModelsChecks)
{
    RoutingRulesDialog dialog(RoutingRules{});
    const QList<QDoubleSpinBox*> boxes = spinBoxes(dialog);
    ASSERT_EQ(boxes.size(), 4);
    for (QDoubleSpinBox* box : boxes) {
        box->setValue(-1000.0); // typed out of range: clamped
        EXPECT_EQ(box->suffix(), " mm");
    }
    const RoutingRules lowest = dialog.rules();
    RoutingManager rm;
    rm.setRoutingRules({9.0, 9.0, 9.0, 9.0});
    rm.setRoutingRules(lowest);
    EXPECT_DOUBLE_EQ(rm.rules().trackWidth, 0.05);
    EXPECT_DOUBLE_EQ(rm.rules().trackHeight, 0.05);
    EXPECT_DOUBLE_EQ(rm.rules().clearance, 0.0);
    EXPECT_DOUBLE_EQ(rm.rules().padClearance, 0.0);
}

TEST(RoutingRulesDialog, RestoreDefaultsThenCancelChangesNothing)
{
    const RoutingRules start{3.0, 1.5, 0.7, 0.8};
    RoutingRulesDialog dialog(start);
    dialog.findChild<QCheckBox*>()->setChecked(true);
    button(dialog, QDialogButtonBox::RestoreDefaults)->click();
    const RoutingRules restored = dialog.rules();
    EXPECT_DOUBLE_EQ(restored.trackWidth, 2.0);
    EXPECT_DOUBLE_EQ(restored.trackHeight, 1.0);
    EXPECT_DOUBLE_EQ(restored.clearance, 0.5);
    EXPECT_DOUBLE_EQ(restored.padClearance, 0.5);
    EXPECT_TRUE(dialog.useAsDefaults()); // restoring leaves the check box alone
    button(dialog, QDialogButtonBox::Cancel)->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}
