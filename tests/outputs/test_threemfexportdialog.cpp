// The 3MF export dialog: what it shows from the settings, what it stores on OK only, and the
// options it hands over.
#include "testsupport.h"

#include "foundation/appsettings.h"
#include "outputs/exportoptions.h"
#include "outputs/threemfexportdialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>

#include <gtest/gtest.h>

namespace {

struct DialogView
{
    explicit DialogView(bool nativePauses)
        : dialog(QStringLiteral("Export 3MF project"), nativePauses)
    {
        spin = dialog.findChild<QSpinBox*>();
        const auto boxes = dialog.findChildren<QCheckBox*>();
        txt = boxes.value(0);
        csv = boxes.value(1);
    }
    void press(QDialogButtonBox::StandardButton which)
    {
        dialog.findChild<QDialogButtonBox*>()->button(which)->click();
    }
    ThreeMfExportDialog dialog;
    QSpinBox* spin = nullptr;
    QCheckBox* txt = nullptr;
    QCheckBox* csv = nullptr;
};

} // namespace

TEST(ThreeMfExportDialog, FirstUseShowsDefaultsAndOkStoresThem)
{
    TestSupport::IsolatedSettings settings;
    DialogView view(true);
    ASSERT_TRUE(view.spin && view.txt && view.csv);
    EXPECT_EQ(view.spin->value(), 4);
    EXPECT_TRUE(view.txt->isChecked());
    EXPECT_TRUE(view.csv->isChecked());
    EXPECT_EQ(view.dialog.windowTitle(), "Export 3MF project");
    EXPECT_TRUE(view.dialog.isModal());

    view.press(QDialogButtonBox::Ok);
    EXPECT_EQ(view.dialog.result(), QDialog::Accepted);
    QSettings store;
    EXPECT_EQ(store.value(AppSettings::kConductorPerimeters).toInt(), 4);
    EXPECT_TRUE(store.value(AppSettings::kEmbedPlanTxt).toBool());
    EXPECT_TRUE(store.value(AppSettings::kEmbedPlanCsv).toBool());
}

TEST(ThreeMfExportDialog, StoredPerimeterCountsAreReadWithinRange)
{
    struct Row { QVariant stored; int shown; };
    const Row rows[] = {{0, 4}, {"many", 4}, {-3, 4}, {1, 1}, {7, 7}, {20, 20}, {50, 20}};
    for (const Row& row : rows) {
        TestSupport::IsolatedSettings settings;
        QSettings().setValue(AppSettings::kConductorPerimeters, row.stored);
        DialogView view(false);
        EXPECT_EQ(view.spin->value(), row.shown) << row.stored.toString().toStdString();
        EXPECT_EQ(view.dialog.options().conductorPerimeters, row.shown);
    }
}

TEST(ThreeMfExportDialog, ChoicesPersistOnOkAndNotOnCancel)
{
    TestSupport::IsolatedSettings settings;
    {
        DialogView view(false);
        view.spin->setValue(9);
        view.txt->setChecked(false);
        view.csv->setChecked(false);
        view.press(QDialogButtonBox::Cancel);
        EXPECT_EQ(view.dialog.result(), QDialog::Rejected);
    }
    EXPECT_FALSE(QSettings().contains(AppSettings::kConductorPerimeters));
    {
        DialogView view(false);
        EXPECT_EQ(view.spin->value(), 4);
        view.spin->setValue(2);
        view.txt->setChecked(false);
        view.csv->setChecked(false);
        const ExportOptions o = view.dialog.options();
        EXPECT_EQ(o.conductorPerimeters, 2);
        EXPECT_FALSE(o.embedPlanTxt);
        EXPECT_FALSE(o.embedPlanCsv);
        view.press(QDialogButtonBox::Ok);
    }
    DialogView next(false);
    EXPECT_EQ(next.spin->value(), 2);
    EXPECT_FALSE(next.txt->isChecked());
    EXPECT_FALSE(next.csv->isChecked());
}

TEST(ThreeMfExportDialog, NativePauseFlagShowsTheNoteAndFixesTheOtherOptions)
{
    TestSupport::IsolatedSettings settings;
    for (const bool native : {false, true}) {
        DialogView view(native);
        const bool noteShown = view.dialog.findChild<QLabel*>(QStringLiteral("nativePausesNote")) != nullptr;
        EXPECT_EQ(noteShown, native);
        const ExportOptions o = view.dialog.options();
        const ExportOptions defaults;
        EXPECT_EQ(o.nativePauses, native);
        EXPECT_TRUE(o.includeBodies && o.includePads && o.includeRoutes);
        EXPECT_EQ(o.baseFuzzy, defaults.baseFuzzy);
        EXPECT_EQ(o.linearDeflection, 0.05);
        EXPECT_EQ(o.angularDeflection, 0.5);
        EXPECT_EQ(o.slicerConfigMode, 1);
    }
}
