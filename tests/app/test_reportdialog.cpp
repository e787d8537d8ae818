// The report window shared by every growing report: what it says, what an answer is worth, and
// that a list of any length leaves the window on the screen with room to read the list.
#include "app/reportdialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

// Runs the action on the report as soon as it is open.
void whenOpen(const std::function<void(ReportDialog*)>& action)
{
    QTimer::singleShot(0, [action] {
        auto* report = qobject_cast<ReportDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(report, nullptr);
        action(report);
    });
}

TEST(ReportDialog, TextKeepsTheOrderAndDropsOuterLineFeeds)
{
    struct Case
    {
        ReportDialog::Content content;
        QString text;
        bool hasList;
    };
    const Case cases[] = {
        {{"Saved:\n\n• 3 routes\n", {}, QString()}, "Saved:\n\n• 3 routes", false},
        {{"Applying “a.net”:\n\n", {"• 2 component(s) to add:\n    R1, R2\n", "", "⚠ tracks"}, "\nApply?"},
         "Applying “a.net”:\n\n• 2 component(s) to add:\n    R1, R2\n\n\n⚠ tracks\n\nApply?",
         true},
        {{"Totals", {"\n\n", "one"}, QString()}, "Totals\n\none", true},
    };
    for (const Case& c : cases) {
        ReportDialog report(QMessageBox::Information, "Report", c.content);
        EXPECT_EQ(report.text(), c.text);
        EXPECT_EQ(report.listView() != nullptr, c.hasList) << c.text.toStdString();
    }
}

TEST(ReportDialog, OnlyYesAgrees)
{
    const ReportDialog::Content question{"Apply?", {"• 1 change"}, QString()};
    whenOpen([](ReportDialog* report) { report->button(QMessageBox::Yes)->click(); });
    EXPECT_TRUE(ReportDialog::ask(nullptr, QMessageBox::Question, "Update", question));
    whenOpen([](ReportDialog* report) { report->button(QMessageBox::No)->click(); });
    EXPECT_FALSE(ReportDialog::ask(nullptr, QMessageBox::Question, "Update", question));
    whenOpen([](ReportDialog* report) { report->reject(); });
    EXPECT_FALSE(ReportDialog::ask(nullptr, QMessageBox::Question, "Update", question)) << "Esc says no";
    // Enter takes the default answer, which is No.
    whenOpen([](ReportDialog* report) {
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(report->focusWidget() ? report->focusWidget() : report, &enter);
    });
    EXPECT_FALSE(ReportDialog::ask(nullptr, QMessageBox::Question, "Update", question));
}

TEST(ReportDialog, AnyListLeavesTheWindowOnTheScreen)
{
    for (int count : {3, 40, 300, 3000}) {
        QStringList lines;
        for (int i = 1; i <= count; ++i)
            lines << QStringLiteral("• /bus/D%1: 1 link, 25.0 mm").arg(i);
        lines << QString(400, QLatin1Char('w')); // one line wider than any screen
        ReportDialog report(QMessageBox::Information, "Ratsnest Information", {"Totals\nRemaining links", lines, QString()});
        const QSize room = ReportDialog::availableRoom(&report);
        EXPECT_LE(report.width(), room.width()) << count;
        EXPECT_LE(report.height(), room.height()) << count;
        const QPlainTextEdit* list = report.listView();
        ASSERT_NE(list, nullptr);
        report.show();
        QApplication::processEvents();
        const int shown = list->viewport()->height() / list->fontMetrics().lineSpacing();
        EXPECT_GE(shown, std::min(count + 1, 10)) << count << ": a short list is shown whole, a long one has room";
        report.close();
    }
}

} // namespace
