#include "logcapture.h"

#include "model/padid.h"
#include "routing/resistancedialog.h"
#include "routing/resistanceresult.h"

#include <QDoubleSpinBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <functional>

#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// The labels in layout order: pad A, pad B, status, result (form labels carry a trailing ':').
struct DialogLabels
{
    QLabel* padA;
    QLabel* padB;
    QLabel* status;
    QLabel* result;
};

DialogLabels labelsOf(ResistanceDialog& dialog)
{
    QList<QLabel*> values;
    for (QLabel* label : dialog.findChildren<QLabel*>())
        if (!label->text().endsWith(QLatin1Char(':')))
            values.append(label);
    EXPECT_EQ(values.size(), 4);
    return {values.value(0), values.value(1), values.value(2), values.value(3)};
}

ResistanceResult success(double tracks, double a, double b)
{
    ResistanceResult r;
    r.ok = r.sameNet = r.connected = true;
    r.netName = "GND";
    r.tracksOhm = tracks;
    r.padAOhm = a;
    r.padBOhm = b;
    return r;
}

} // namespace

TEST(ResistanceDialog, ResistivityStaysPositiveAndFinite)
{
    struct Row
    {
        const char* name;
        double typed;
        double kept;
    };
    const QList<Row> rows = {
        {"ordinary", 1.72, 1.72},
        {"rounded to 4 decimals", 3.14159, 3.1416},
        {"zero", 0.0, 0.0001},
        {"negative", -5.0, 0.0001},
        {"huge", 1e300, 100000.0},
        {"infinite", kInf, 100000.0},
        {"NaN is ignored", kNaN, 2.59},
    };
    for (const Row& row : rows) {
        ResistanceDialog dialog;
        dialog.setResistivity(row.typed);
        EXPECT_DOUBLE_EQ(dialog.resistivity(), row.kept) << row.name;
    }

    ResistanceDialog dialog;
    QSignalSpy changed(&dialog, &ResistanceDialog::resistivityChanged);
    QSignalSpy reset(&dialog, &ResistanceDialog::resetRequested);
    dialog.setResistivity(5.0);
    dialog.setResistivity(5.0);
    ASSERT_EQ(changed.size(), 1);
    EXPECT_DOUBLE_EQ(changed.at(0).at(0).toDouble(), 5.0);
    dialog.findChild<QPushButton*>()->click();
    EXPECT_EQ(reset.size(), 1);
}

TEST(ResistanceDialog, StepsPadsAndResults)
{
    ResistanceDialog dialog;
    const DialogLabels l = labelsOf(dialog);
    ASSERT_TRUE(l.result);

    dialog.setPads(PadId("R1", "2"), PadId("R7", ""));
    EXPECT_EQ(l.padA->text(), "R1 / 2");
    EXPECT_EQ(l.padB->text(), "—");

    // Fixed notation with 4 decimals; the total is rounded once from the unrounded parts.
    dialog.showResult(success(0.00004, 0.00004, 0.00004));
    EXPECT_EQ(l.status->text(), "Measurement done (net GND).");
    EXPECT_EQ(l.result->text(),
              "Tracks: 0.0000 Ω\nPad A:  0.0000 Ω\nPad B:  0.0000 Ω\n———————\nTotal:  0.0001 Ω");

    // A failure stays in the error colour until a new step or a success clears it.
    ResistanceResult failed;
    failed.error = "No routed path between R1/1 and R2/1";
    struct Clear
    {
        const char* name;
        std::function<void()> action;
        QString status;
    };
    const QList<Clear> clears = {
        {"step 0", [&] { dialog.setStep(0); }, "Click on the first pad in the 3D view."},
        {"step 1", [&] { dialog.setStep(1); }, "Click on the second pad."},
        {"success", [&] { dialog.showResult(success(1, 2, 3)); }, "Measurement done (net GND)."},
    };
    for (const Clear& c : clears) {
        dialog.showResult(failed);
        EXPECT_EQ(l.status->text(), "Measurement impossible.") << c.name;
        EXPECT_EQ(l.result->text(), failed.error) << c.name;
        EXPECT_FALSE(l.result->styleSheet().isEmpty()) << c.name;
        dialog.setStep(2);
        EXPECT_EQ(l.status->text(), "Computing…") << c.name;
        EXPECT_EQ(l.result->text(), failed.error) << c.name;
        c.action();
        EXPECT_EQ(l.status->text(), c.status) << c.name;
        EXPECT_TRUE(l.result->styleSheet().isEmpty()) << c.name;
    }

    // A record claiming success with a figure that is not a resistance is shown as a failure.
    for (const ResistanceResult& bad : {success(kNaN, 0, 0), success(-1.0, 0, 0), success(1.0, kInf, 0)}) {
        dialog.showResult(bad);
        EXPECT_EQ(l.status->text(), "Measurement impossible.");
        EXPECT_EQ(l.result->text(), "Unknown error");
    }
}
