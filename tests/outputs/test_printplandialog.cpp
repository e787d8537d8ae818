// Print plan window: the stored layer height, regeneration, the table rows, the enabled
// actions, the clipboard and the exported report files.
#include "logcapture.h"
#include "testsupport.h"

#include "foundation/appsettings.h"
#include "outputs/printplandialog.h"
#include "outputs/printplangenerator.h"

#include <QApplication>
#include <QClipboard>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

struct PrintPlanDialogProbe
{
    PrintPlanDialog& d;
    QDoubleSpinBox* spin() const { return d.m_layerHeightSpin; }
    QLabel* summary() const { return d.m_summaryLabel; }
    QLabel* skipped() const { return d.m_skippedLabel; }
    QTableWidget* table() const { return d.m_table; }
    QPushButton* copy() const { return d.m_copyButton; }
    QPushButton* text() const { return d.m_exportTextButton; }
    QPushButton* csv() const { return d.m_exportCsvButton; }
};

namespace {

PrintPlanItem item(const QString& ref)
{
    PrintPlanItem i;
    i.ref = ref;
    i.value = QStringLiteral("10k");
    i.footprint = QStringLiteral("R_0805");
    i.x = 1.0;
    i.y = 2.0;
    i.cavityTopRel = 3.0;
    return i;
}

PrintPlan plan(int pauses, int itemsPerPause, int ends, int skipped)
{
    PrintPlan p;
    p.ok = true;
    p.layerHeight = 0.2;
    p.layerCount = 50;
    p.partHeight = 10.0;
    for (int i = 0; i < pauses; ++i) {
        PrintPlanPause pause{5 * (i + 1), 1.0 * (i + 1), {}};
        for (int j = 0; j < itemsPerPause; ++j)
            pause.items.append(item(QStringLiteral("R%1").arg(i * 10 + j)));
        p.pauses.append(pause);
    }
    for (int i = 0; i < ends; ++i)
        p.endInsertions.append(item(QStringLiteral("U%1").arg(i)));
    for (int i = 0; i < skipped; ++i)
        p.notHollowed.append({QStringLiteral("J%1").arg(i), QStringLiteral("missing footprint — not excavated")});
    return p;
}

class PrintPlanWindow : public ::testing::Test
{
protected:
    TestSupport::IsolatedSettings settings;
};

TEST_F(PrintPlanWindow, OpensOnTheStoredLayerHeightWithinItsRange)
{
    const struct
    {
        double stored; // 0: nothing stored
        double shown;
    } rows[] = {{0.0, 0.2}, {0.3, 0.3}, {5.0, 2.0}, {0.001, 0.01}};
    for (const auto& row : rows) {
        if (row.stored > 0)
            AppSettings::setLayerHeightMm(row.stored);
        EXPECT_DOUBLE_EQ(PrintPlanDialog::storedLayerHeight(), row.shown) << "the exports use what the window shows";
        PrintPlanDialog dialog;
        QList<double> asked;
        dialog.setGenerator([&asked](double h) {
            asked << h;
            return plan(1, 1, 0, 0);
        });
        EXPECT_TRUE(asked.isEmpty()) << "building the window computes nothing";
        dialog.regenerate();
        ASSERT_EQ(asked.size(), 1);
        EXPECT_DOUBLE_EQ(asked.first(), row.shown) << row.stored;
    }
}

TEST_F(PrintPlanWindow, ChangingTheLayerHeightStoresItAndRecomputes)
{
    PrintPlanDialog dialog;
    PrintPlanDialogProbe probe{dialog};
    QList<double> asked;
    dialog.setGenerator([&asked](double h) {
        asked << h;
        return plan(0, 0, 1, 0);
    });
    dialog.regenerate();
    probe.spin()->setValue(0.15);
    EXPECT_EQ(asked, (QList<double>{0.2, 0.15}));
    EXPECT_DOUBLE_EQ(AppSettings::layerHeightMm(0.2), 0.15);
}

TEST_F(PrintPlanWindow, RowsAndActionsFollowThePlan)
{
    PrintPlanDialog dialog;
    PrintPlanDialogProbe probe{dialog};

    dialog.regenerate(); // no generator installed
    EXPECT_EQ(probe.summary()->text(), QStringLiteral("Plan unavailable: uninitialized generator"));
    EXPECT_FALSE(probe.copy()->isEnabled() || probe.text()->isEnabled() || probe.csv()->isEnabled());

    dialog.setGenerator([](double) { return plan(2, 2, 1, 0); });
    dialog.regenerate();
    ASSERT_EQ(probe.table()->rowCount(), 5);
    QStringList pauseColumn;
    for (int r = 0; r < 5; ++r)
        pauseColumn << probe.table()->item(r, 0)->text();
    EXPECT_EQ(pauseColumn, (QStringList{"1", "1", "2", "2", "End"}));
    EXPECT_EQ(probe.table()->item(4, 1)->text(), QStringLiteral("—"));
    EXPECT_EQ(probe.table()->item(2, 2)->text(), QStringLiteral("2.00"));
    EXPECT_EQ(probe.table()->item(0, 8)->text(), QStringLiteral("3.00"));
    EXPECT_EQ(probe.summary()->text(), QStringLiteral("Part: 10.00 mm — 50 layer(s)  |  2 pause(s), 5 insertion(s)"));
    EXPECT_TRUE(probe.copy()->isEnabled() && probe.text()->isEnabled() && probe.csv()->isEnabled());
    EXPECT_TRUE(probe.skipped()->isHidden());

    dialog.setGenerator([](double) { return plan(0, 0, 0, 2); });
    dialog.regenerate();
    EXPECT_EQ(probe.table()->rowCount(), 0);
    EXPECT_TRUE(probe.copy()->isEnabled() && probe.text()->isEnabled());
    EXPECT_FALSE(probe.csv()->isEnabled());
    EXPECT_FALSE(probe.skipped()->isHidden());
    EXPECT_EQ(probe.skipped()->text(), QStringLiteral("Without insertion: J0 (missing footprint — not excavated), "
                                                          "J1 (missing footprint — not excavated)"));

    PrintPlan failed;
    failed.error = QStringLiteral("invalid layer height");
    dialog.setGenerator([failed](double) { return failed; });
    dialog.regenerate();
    EXPECT_EQ(probe.summary()->text(), QStringLiteral("Plan unavailable: invalid layer height"));
    EXPECT_EQ(probe.table()->rowCount(), 0);
    EXPECT_TRUE(probe.skipped()->isHidden());
}

TEST_F(PrintPlanWindow, CopiesAndExportsTheReports)
{
    PrintPlanDialog dialog;
    PrintPlanDialogProbe probe{dialog};
    const PrintPlan shown = plan(1, 2, 1, 1);
    dialog.setGenerator([shown](double) { return shown; });
    dialog.regenerate();

    dialog.onCopyReport();
    EXPECT_EQ(QApplication::clipboard()->text(), PrintPlanGenerator::toText(shown));
    EXPECT_EQ(probe.summary()->text(), QStringLiteral("Report copied to the clipboard."));

    QTemporaryDir dir;
    QString answer;
    QStringList defaults;
    dialog.setSaveFileChooser([&](QWidget*, const QString&, const QString&, const QString& name) {
        defaults << name;
        return answer;
    });

    const QString before = probe.summary()->text();
    dialog.onExportText(); // cancelled
    EXPECT_EQ(probe.summary()->text(), before);

    answer = dir.filePath(QStringLiteral("plan.txt"));
    dialog.onExportText();
    answer = dir.filePath(QStringLiteral("plan.csv"));
    dialog.onExportCsv();
    EXPECT_EQ(defaults, (QStringList{"plan_impression.txt", "plan_impression.txt", "plan_impression.csv"}));
    EXPECT_EQ(probe.summary()->text(), QStringLiteral("Exported plan: plan.csv"));

    QFile text(dir.filePath(QStringLiteral("plan.txt")));
    ASSERT_TRUE(text.open(QIODevice::ReadOnly));
    EXPECT_EQ(text.readAll(), QByteArray("\xEF\xBB\xBF") + (PrintPlanGenerator::toText(shown) + "\n").toUtf8());
    QFile csv(dir.filePath(QStringLiteral("plan.csv")));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    EXPECT_EQ(csv.readAll(), QByteArray("\xEF\xBB\xBF") + PrintPlanGenerator::toCsv(shown).toUtf8());
}

// The list of components without insertion can be read to its end whatever the window showed
// before it was closed (a window opened by a plan of 160 components).
TEST_F(PrintPlanWindow, ListWithoutInsertionScrollsWhateverCameBefore)
{
    for (const auto& [before, now] : {std::pair{3, 40}, {0, 40}, {40, 3}, {40, 90}}) {
        PrintPlanDialog dialog;
        int skipped = before;
        dialog.setGenerator([&skipped](double) { return plan(8, 20, 0, skipped); });
        dialog.regenerate();
        dialog.show();
        dialog.resize(1204, 944);
        QCoreApplication::processEvents();
        dialog.close();
        skipped = now;
        dialog.regenerate();
        dialog.show();
        QCoreApplication::processEvents();
        QLabel* list = PrintPlanDialogProbe{dialog}.skipped();
        auto* area = qobject_cast<QScrollArea*>(list->parentWidget()->parentWidget());
        ASSERT_NE(area, nullptr);
        const int hidden = list->heightForWidth(list->width()) - area->viewport()->height();
        EXPECT_EQ(area->verticalScrollBar()->maximum(), std::max(0, hidden)) << before << " then " << now;
    }
}

} // namespace
