// Properties panel: pages, button signals, and values handed back exactly as shown unless edited.
#include "app/propertiespanel.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

QPushButton* button(PropertiesPanel& panel, const QString& text)
{
    for (QPushButton* b : panel.findChildren<QPushButton*>())
        if (b->text() == text)
            return b;
    return nullptr;
}

QDoubleSpinBox* spinWithSuffixAt(PropertiesPanel& panel, double minimum, double maximum)
{
    for (QDoubleSpinBox* s : panel.findChildren<QDoubleSpinBox*>())
        if (s->minimum() == minimum && s->maximum() == maximum)
            return s;
    return nullptr;
}

ComponentProperties sample()
{
    ComponentProperties p;
    p.footprintName = "R_0805";
    p.footprintPath = "/lib/R_0805.kicad_mod";
    p.posX = 12.345678;
    p.posY = -3.3333;
    p.posZ = 150.0;     // above the spin box's range
    p.rotation = 359.95; // shown as 359.9
    p.bodyWidth = 120.0; // above 100
    p.bodyHeight = 60.0; // above 50
    p.padXYScale = 87.65;
    return p;
}

TEST(PropertiesPanelTest, UntouchedFieldsKeepTheirStoredValues)
{
    PropertiesPanel panel;
    const ComponentProperties shown = sample();
    panel.showComponent("R1", shown, false);
    QSignalSpy applied(&panel, &PropertiesPanel::propertiesApplied);
    panel.onApplyClicked();
    ASSERT_EQ(applied.size(), 1);
    const auto sent = applied.at(0).at(1).value<ComponentProperties>();
    EXPECT_EQ(sent.posX, shown.posX);
    EXPECT_EQ(sent.posY, shown.posY);
    EXPECT_EQ(sent.posZ, shown.posZ);
    EXPECT_EQ(sent.rotation, shown.rotation);
    EXPECT_EQ(sent.bodyWidth, shown.bodyWidth);
    EXPECT_EQ(sent.bodyHeight, shown.bodyHeight);
    EXPECT_EQ(sent.padXYScale, shown.padXYScale);

    // An edited field sends what was typed; the others still send the stored values.
    QDoubleSpinBox* posY = spinWithSuffixAt(panel, -500, 500);
    ASSERT_NE(posY, nullptr);
    QDoubleSpinBox* height = spinWithSuffixAt(panel, 0, 50);
    height->setValue(12.5);
    panel.onApplyClicked();
    const auto edited = applied.at(1).at(1).value<ComponentProperties>();
    EXPECT_EQ(edited.bodyHeight, 12.5);
    EXPECT_EQ(edited.posZ, 150.0);
    EXPECT_EQ(edited.rotation, 359.95);
}

TEST(PropertiesPanelTest, MovementAndRotationButtonsEmitDeltas)
{
    PropertiesPanel panel;
    QSignalSpy moves(&panel, &PropertiesPanel::moveComponent);
    QSignalSpy turns(&panel, &PropertiesPanel::rotateComponent);
    button(panel, "↓ Y-")->setEnabled(true);
    button(panel, "↓ Y-")->click(); // nothing shown: nothing sent
    EXPECT_EQ(moves.size(), 0);

    ComponentProperties p = sample();
    p.rotation = 270.0;
    panel.showComponent("R1", p, false);
    for (QDoubleSpinBox* s : panel.findChildren<QDoubleSpinBox*>())
        if (s->minimum() == 0.1 && s->maximum() == 100)
            s->setValue(2.5);
    button(panel, "↓ Y-")->click();
    button(panel, "⬆ Z+")->click();
    ASSERT_EQ(moves.size(), 2);
    EXPECT_EQ(moves.at(0).at(2).toDouble(), -2.5);
    EXPECT_EQ(moves.at(0).at(1).toDouble(), 0.0);
    EXPECT_EQ(moves.at(1).at(3).toDouble(), 2.5);

    button(panel, "⟲ Reset")->click();
    button(panel, "↷ 90° CW")->click();
    button(panel, "↶ 90° CCW")->click();
    ASSERT_EQ(turns.size(), 3);
    EXPECT_EQ(turns.at(0).at(1).toDouble(), -270.0);
    EXPECT_EQ(turns.at(1).at(1).toDouble(), -90.0);
    EXPECT_EQ(turns.at(2).at(1).toDouble(), 90.0);

    // A reset after an unrounded angle brings the stored angle, not its display, back to 0.
    p.rotation = 359.95;
    panel.showComponent("R1", p, false);
    button(panel, "⟲ Reset")->click();
    EXPECT_EQ(turns.at(3).at(1).toDouble(), -359.95);
}

TEST(PropertiesPanelTest, MissingFootprintIsMarkedAndTheMarkGoesAway)
{
    PropertiesPanel panel;
    panel.showComponent("U1", sample(), true);
    auto* header = panel.findChildren<QLabel*>().first();
    EXPECT_EQ(header->text(), "⚠ U1 - MISSING FOOTPRINT");
    EXPECT_NE(button(panel, "🔍 Browse footprint..."), nullptr);
    EXPECT_FALSE(panel.findChild<QCheckBox*>()->isEnabled());

    panel.showComponent("R1", sample(), false);
    EXPECT_EQ(header->text(), "Selected component: R1");
    EXPECT_NE(button(panel, "Browse footprint..."), nullptr);
    EXPECT_TRUE(panel.findChild<QCheckBox*>()->isEnabled());

    // A built-in footprint has no path: no check mark before the reference.
    ComponentProperties builtin = sample();
    builtin.footprintPath.clear();
    panel.showComponent("R2", builtin, false);
    bool plain = false;
    for (QLabel* label : panel.findChildren<QLabel*>())
        plain = plain || label->text() == "R2";
    EXPECT_TRUE(plain);
}

} // namespace
