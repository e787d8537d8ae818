// The busy cursor shows the status written just before it and lets nothing else run: it is
// built inside edits of the design (undo steps) that no timer or queued call may interleave with.
#include "app/busycursor.h"

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

struct PaintedLabel : QLabel
{
    int paints = 0;
    void paintEvent(QPaintEvent* event) override
    {
        ++paints;
        QLabel::paintEvent(event);
    }
};

TEST(BusyCursor, PaintsTheStatusAndRunsNothingElse)
{
    PaintedLabel status;
    status.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&status));
    // Waiting: a queued call, a deferred command and a timer due (the automatic save's).
    int ran = 0;
    QObject context;
    QMetaObject::invokeMethod(&context, [&ran] { ++ran; }, Qt::QueuedConnection);
    QTimer::singleShot(0, &context, [&ran] { ++ran; });
    QTimer autoSave;
    QObject::connect(&autoSave, &QTimer::timeout, [&] {
        ++ran;
        autoSave.stop();
    });
    autoSave.start(1);
    QTest::qSleep(5);

    status.setText(QStringLiteral("Working on something longer than before..."));
    const int paintsBefore = status.paints;
    {
        const BusyCursor busy;
        EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        EXPECT_GT(status.paints, paintsBefore) << "the status shows before the work";
        EXPECT_EQ(ran, 0) << "nothing runs inside the busy cursor";
    }
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    QTest::qWait(20);
    EXPECT_EQ(ran, 3) << "each runs once the operation is over";
}

} // namespace
