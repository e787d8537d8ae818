// The board explorer's rows, states, filter, counts and activation.
#include "app/boardexplorerpanel.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableWidget>

#include <gtest/gtest.h>

namespace {

using ComponentRow = BoardExplorerPanel::ComponentRow;
using NetRow = BoardExplorerPanel::NetRow;

QString cell(QTableWidget* table, int row, int column)
{
    return table->item(row, column)->text();
}

int rowOf(QTableWidget* table, const QString& key)
{
    for (int r = 0; r < table->rowCount(); ++r)
        if (table->item(r, 0)->text() == key)
            return r;
    return -1;
}

} // namespace

TEST(BoardExplorerPanel, EmptyBoardTexts)
{
    BoardExplorerPanel panel;
    panel.setRows({}, {});
    EXPECT_EQ(panel.countLabel()->text(), "No component. Import a netlist, then generate the 3D components.");
    panel.tabs()->setCurrentIndex(1);
    EXPECT_EQ(panel.countLabel()->text(), "No net. Import a netlist.");
}

TEST(BoardExplorerPanel, NetStatesAndTooltips)
{
    struct Row
    {
        NetRow net;
        const char* routed;
        const char* state;
    };
    const QList<Row> rows = {
        {{"A", 3, 2, 1, 12.46, 0, 0}, "1/2", "To route"},
        {{"B", 2, 1, 0, 0.0, 0, 0}, "1/1", "Routed"},
        {{"C", 1, 0, 0, 0.0, 0, 0}, "0/0", "Nothing to route"},
        {{"D", 2, 1, 0, 0.0, 1, 2}, "1/1", "1 detached end(s) · 2 dangling T"},
        {{"E", 2, 1, 0, 0.0, 0, 1}, "1/1", "1 dangling T"},
        // Pins whose component has no footprint: not "Nothing to route", nor "Routed".
        {{"F", 3, 0, 0, 0.0, 0, 0, 0, 2}, "0/0", "2 pin(s) missing"},
        {{"G", 3, 1, 0, 0.0, 0, 0, 0, 1}, "1/1", "1 pin(s) missing"},
        {{"H", 4, 2, 1, 5.0, 0, 0, 0, 1}, "1/2", "To route · 1 pin(s) missing"},
        {{"I", 4, 2, 1, 5.0, 1, 0, 0, 1}, "1/2", "1 detached end(s)"},
    };
    QList<NetRow> nets;
    for (const Row& row : rows)
        nets.append(row.net);
    BoardExplorerPanel panel;
    // Listed when their tab opens: the rows of the last refresh.
    panel.setRows({}, {{"OLD", 2, 1, 1, 1.0, 0, 0}});
    panel.setRows({}, nets);
    QTableWidget* table = panel.netTable();
    panel.tabs()->setCurrentWidget(table);
    EXPECT_EQ(rowOf(table, "OLD"), -1);
    EXPECT_EQ(table->rowCount(), nets.size());
    for (const Row& row : rows) {
        const int r = rowOf(table, row.net.name);
        ASSERT_GE(r, 0);
        EXPECT_EQ(cell(table, r, 1), row.routed) << row.net.name.toStdString();
        EXPECT_EQ(cell(table, r, 3), row.state) << row.net.name.toStdString();
    }
    EXPECT_TRUE(table->item(rowOf(table, "A"), 0)->toolTip().endsWith("12.5 mm left to route"));
    EXPECT_EQ(table->item(rowOf(table, "D"), 3)->foreground().color(), table->item(rowOf(table, "E"), 3)->foreground().color());
    for (const char* name : {"F", "G", "H", "I"})
        EXPECT_TRUE(table->item(rowOf(table, name), 3)->toolTip().endsWith(
            "pin(s) of this net have no pad on the board: their component has no footprint or is not placed."))
            << name;
    EXPECT_NE(table->item(rowOf(table, "G"), 3)->foreground().color(),
              table->item(rowOf(table, "B"), 3)->foreground().color())
        << "not shown as routed";
}

TEST(BoardExplorerPanel, FilterSortAndActivation)
{
    QList<NetRow> nets;
    for (const char* name : {"GND", "agnd", "Gnd_Sense", "VCC", "N1", "N2", "N3", "N4", "N5", "N6", "N7", "N8"})
        nets.append({name, 2, 1, 1, 3.0, 0, 0});
    const QList<ComponentRow> components = {
        {"R2", "10k", "R_0805", 0, false, 2, 1},  {"R10", "1k", "R_0805", 0, true, 2, 1},
        {"U1", "MCU", "QFP", 1, false, 0, 3},      {"C1", "", "", 3, false, 2, 0},
        {"J1", "Conn", "Pin", 2, false, 4, 2},
    };
    BoardExplorerPanel panel;
    panel.setRows(components, nets);
    panel.tabs()->setCurrentIndex(1);
    panel.filterEdit()->setText("gnd");
    EXPECT_EQ(panel.countLabel()->text(), "3 of 12 net(s) shown");
    panel.filterEdit()->clear();
    EXPECT_EQ(panel.countLabel()->text(), "12 net(s)");

    // By reference in natural order (R2 before R10); by state the severities.
    QTableWidget* table = panel.componentTable();
    EXPECT_LT(rowOf(table, "R2"), rowOf(table, "R10"));
    EXPECT_LT(rowOf(table, "C1"), rowOf(table, "J1"));
    table->sortItems(3, Qt::AscendingOrder);
    EXPECT_EQ(cell(table, 0, 0), "R2");
    EXPECT_EQ(cell(table, 1, 3), "Placed · no cavity");
    EXPECT_EQ(cell(table, 4, 3), "Footprint missing");
    EXPECT_TRUE(table->item(rowOf(table, "C1"), 0)->toolTip().contains("no value"));

    QSignalSpy component(&panel, &BoardExplorerPanel::componentActivated);
    QSignalSpy net(&panel, &BoardExplorerPanel::netActivated);
    emit table->itemClicked(table->item(rowOf(table, "U1"), 2));
    ASSERT_EQ(component.size(), 1);
    EXPECT_EQ(component.at(0).at(0).toString(), "U1");
    panel.tabs()->setCurrentWidget(panel.netTable());
    emit panel.netTable()->itemActivated(panel.netTable()->item(rowOf(panel.netTable(), "VCC"), 1));
    ASSERT_EQ(net.size(), 1);
    EXPECT_EQ(net.at(0).at(0).toString(), "VCC");

    // A refresh keeps the selected row.
    panel.selectComponent("J1");
    panel.setRows(components, nets);
    EXPECT_EQ(table->item(table->currentRow(), 0)->text(), "J1");
    panel.selectComponent("nobody");
    EXPECT_TRUE(table->selectedItems().isEmpty());
    EXPECT_EQ(component.size(), 1); // selecting from the program emits nothing
}

TEST(BoardExplorerPanel, RowBuilders)
{
    QMap<QString, NetlistComponent> netlistComponents;
    NetlistComponent r1;
    r1.ref = "R1";
    r1.value = "10k";
    r1.footprint = "R_0805";
    r1.pins.insert("1", {"1", ""});
    r1.pins.insert("2", {"2", ""});
    netlistComponents.insert("R1", r1);
    NetlistComponent r2 = r1;
    r2.ref = "R2";
    netlistComponents.insert("R2", r2);
    QMap<QString, PlacedComponentData> placed;
    PlacedComponentData p1;
    p1.ref = "R1";
    p1.assignedFootprint = "R_1206";
    p1.bodyEnabled = false;
    p1.pads = {PlacedPadData(), PlacedPadData(), PlacedPadData()};
    placed.insert("R1", p1);
    PlacedComponentData stray;
    stray.ref = "X9";
    stray.hasMissingFootprint = true;
    placed.insert("X9", stray);
    const QList<NetlistNet> nets = {{"GND", {{"R1", "1"}, {"R2", "1"}, {"R1", "1"}}},
                                    {"GND", {{"R2", "2"}}},
                                    {"", {{"R1", "2"}, {"R2", "2"}}}};
    const QList<ComponentRow> rows = BoardExplorerPanel::buildComponentRows(netlistComponents, placed, nets);
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[0].ref, "R1");
    EXPECT_EQ(rows[0].state, 0);
    EXPECT_TRUE(rows[0].noCavity);
    EXPECT_EQ(rows[0].pads, 3);
    EXPECT_EQ(rows[0].footprint, "R_1206");
    EXPECT_EQ(rows[0].nets, 1);
    EXPECT_EQ(rows[1].state, 2);
    EXPECT_EQ(rows[1].pads, 2);
    EXPECT_EQ(rows[2].ref, "X9");
    EXPECT_EQ(rows[2].state, 1);

    QMap<QString, NetRatsnestStats> stats;
    stats.insert("GND", {2, 1, 4.0});
    NetConnectivity::EndIssue issue;
    issue.netName = "GND";
    const QList<NetRow> netRows = BoardExplorerPanel::buildNetRows(nets, stats, {issue}, {});
    ASSERT_EQ(netRows.size(), 1); // the unnamed net has no row
    EXPECT_EQ(netRows[0].pads, 3);
    EXPECT_EQ(netRows[0].unroutedLinks, 1);
    EXPECT_EQ(netRows[0].detachedEnds, 1);
}

// A net name longer than its column at the dock's width wraps onto as many lines as it needs,
// and takes a line again once the column is wide enough.
TEST(BoardExplorerPanel, LongNetNamesWrapInsteadOfBeingCut)
{
    BoardExplorerPanel panel;
    panel.resize(300, 500);
    panel.show();
    panel.tabs()->setCurrentIndex(1);
    // One word, no place to break it between words: it wraps inside the word.
    const QString longName = QStringLiteral("VPP_MCLR_PROGRAMMING_VOLTAGE_SENSE");
    panel.setRows({}, {{longName, 2, 1, 1, 3.0, 0, 0}, {QStringLiteral("GND"), 2, 1, 1, 3.0, 0, 0}});
    QCoreApplication::processEvents();
    QTableWidget* nets = panel.netTable();
    panel.tabs()->setCurrentWidget(nets);
    const QFontMetrics metrics(nets->font());
    const int column = nets->columnWidth(0);
    ASSERT_LT(column, metrics.horizontalAdvance(longName)) << "the name does not fit on one line";
    const int lines = metrics.boundingRect(QRect(0, 0, column - 8, 10000), Qt::TextWrapAnywhere, longName).height()
                      / metrics.lineSpacing();
    EXPECT_GE(lines, 2);
    EXPECT_GE(nets->rowHeight(rowOf(nets, longName)), lines * metrics.lineSpacing());
    EXPECT_EQ(nets->rowHeight(rowOf(nets, "GND")), nets->verticalHeader()->defaultSectionSize());

    panel.resize(900, 500);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(nets->rowHeight(rowOf(nets, longName)), nets->verticalHeader()->defaultSectionSize())
        << "one line again once the column is wide enough";
}

// Filling sizes the columns once at its end, yet they still fit their widest text, and keep
// following their contents afterwards.
TEST(BoardExplorerPanel, ColumnsStillFitTheirContentsAfterAFill)
{
    BoardExplorerPanel panel;
    panel.resize(900, 400);
    panel.show();
    const QString longValue = QStringLiteral("a rather long component value 47k 1% 0.25 W");
    QList<ComponentRow> rows;
    for (int i = 0; i < 300; ++i)
        rows.append({QStringLiteral("R%1").arg(i), i == 150 ? longValue : QStringLiteral("10k"),
                     QStringLiteral("R_0603"), 0, false, 2, 2});
    panel.setRows(rows, {{QStringLiteral("A very long net name /sheet/sub/VPP_MCLR"), 2, 1, 1, 3.0, 0, 0}});
    QCoreApplication::processEvents();

    QTableWidget* components = panel.componentTable();
    QHeaderView* header = components->horizontalHeader();
    for (int column : {0, 1, 3})
        EXPECT_EQ(header->sectionResizeMode(column), QHeaderView::ResizeToContents) << column;
    EXPECT_GE(header->sectionSize(1), components->fontMetrics().horizontalAdvance(longValue));
    EXPECT_EQ(panel.netTable()->horizontalHeader()->sectionResizeMode(1), QHeaderView::ResizeToContents);

    // A wider text later widens its column again.
    const QString wider = longValue + longValue;
    rows[3].value = wider;
    panel.setRows(rows, {});
    QCoreApplication::processEvents();
    EXPECT_GE(header->sectionSize(1), components->fontMetrics().horizontalAdvance(wider));
}
