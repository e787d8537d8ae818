// The 3MF export dialog: what it shows from the settings, what it stores on OK only, and the
// options it hands over.
#include "testsupport.h"

#include "foundation/appsettings.h"
#include "outputs/threemfexportdialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>

#include <gtest/gtest.h>

#include <tuple>

namespace {

struct Choices { int perimeters; bool txt, csv; };

// Opens a dialog, checks what it shows, applies the new choices and presses the button.
Choices run(bool native, const Choices& change, QDialogButtonBox::StandardButton button, ExportOptions* options = nullptr)
{
    ThreeMfExportDialog dialog(QStringLiteral("Export 3MF project"), native);
    auto* spin = dialog.findChild<QSpinBox*>();
    const auto boxes = dialog.findChildren<QCheckBox*>();
    const Choices shown{spin->value(), boxes.at(0)->isChecked(), boxes.at(1)->isChecked()};
    EXPECT_EQ(dialog.findChild<QLabel*>("nativePausesNote") != nullptr, native);
    spin->setValue(change.perimeters);
    boxes.at(0)->setChecked(change.txt);
    boxes.at(1)->setChecked(change.csv);
    if (options)
        *options = dialog.options();
    dialog.findChild<QDialogButtonBox*>()->button(button)->click();
    return shown;
}

} // namespace

TEST(ThreeMfExportDialog, ShowsStoredChoicesAndStoresThemOnOkOnly)
{
    TestSupport::IsolatedSettings settings;
    Choices shown = run(true, {9, false, true}, QDialogButtonBox::Cancel);
    EXPECT_EQ(std::tuple(shown.perimeters, shown.txt, shown.csv), std::tuple(4, true, true)) << "first use";
    EXPECT_TRUE(QSettings().allKeys().isEmpty()) << "cancel stores nothing";

    ExportOptions options;
    shown = run(false, {2, false, false}, QDialogButtonBox::Ok, &options);
    EXPECT_EQ(shown.perimeters, 4);
    EXPECT_EQ(std::tuple(options.conductorPerimeters, options.embedPlanTxt, options.embedPlanCsv, options.nativePauses),
              std::tuple(2, false, false, false));
    EXPECT_TRUE(options.includeBodies && options.includePads && options.includeRoutes);
    EXPECT_EQ(std::tuple(options.baseFuzzy, options.linearDeflection, options.angularDeflection, options.slicerConfigMode),
              std::tuple(0.01, 0.05, 0.5, 1));

    shown = run(true, {2, false, false}, QDialogButtonBox::Ok);
    EXPECT_EQ(std::tuple(shown.perimeters, shown.txt, shown.csv), std::tuple(2, false, false)) << "remembered";
}

TEST(ThreeMfExportDialog, StoredPerimeterCountsAreReadWithinRange)
{
    const std::pair<QVariant, int> rows[] = {{0, 4}, {"many", 4}, {-3, 4}, {1, 1}, {20, 20}, {50, 20}};
    for (const auto& [stored, shown] : rows) {
        TestSupport::IsolatedSettings settings;
        QSettings().setValue(AppSettings::kConductorPerimeters, stored);
        ExportOptions options;
        EXPECT_EQ(run(true, {shown, true, true}, QDialogButtonBox::Cancel, &options).perimeters, shown)
            << stored.toString().toStdString();
    }
}
