// The progress window of a long operation: reports made on a helper thread (OpenCASCADE's
// writers report from where they run) leave the window to the GUI thread's own reports.
#include "app/progresswindow.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QProgressBar>
#include <QThread>

#include <Message_ProgressScope.hxx>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

// Notes every event that reaches a widget on a thread other than the GUI thread.
class ForeignThreadEvents : public QObject
{
public:
    std::atomic<int> count{0};

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched->isWidgetType() && QThread::currentThread() != qApp->thread())
            ++count;
        return QObject::eventFilter(watched, event);
    }
};

QWidget* progressWindow()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->objectName() == QLatin1String("progressWindow"))
            return widget;
    return nullptr;
}

TEST(ProgressWindow, OnlyTheGuiThreadsReportsMoveTheWindow)
{
    ProgressWindow::setShowDelay(0);
    ForeignThreadEvents foreign;
    qApp->installEventFilter(&foreign);
    {
        ProgressWindow progress(nullptr, QStringLiteral("Exporting"));
        QWidget* window = progressWindow();
        ASSERT_NE(window, nullptr);
        auto* bar = window->findChild<QProgressBar*>();
        ASSERT_NE(bar, nullptr);
        Message_ProgressScope whole(progress.start(), nullptr, 2.0);
        const int before = bar->value();
        const Message_ProgressRange helperShare = whole.Next();
        std::thread helper([&helperShare] {
            Message_ProgressScope steps(helperShare, nullptr, 50.0);
            for (int i = 0; i < 50; ++i) {
                steps.Next();
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        });
        helper.join();
        EXPECT_EQ(foreign.count, 0) << "no widget touched from the helper thread";
        EXPECT_EQ(bar->value(), before) << "the helper's reports move nothing";

        Message_ProgressScope last(whole.Next(), nullptr, 1.0);
        last.Next();
        EXPECT_TRUE(window->isVisible());
        EXPECT_GE(bar->value(), 500) << "the GUI thread's report shows the helper's share done";
    }
    qApp->removeEventFilter(&foreign);
    ProgressWindow::setShowDelay(400);
}

// Past the point of no return Cancel is greyed, and neither it nor Escape stops the work.
TEST(ProgressWindow, HeldCancelStopsNothing)
{
    ProgressWindow::setShowDelay(0);
    {
        ProgressWindow progress(nullptr, QStringLiteral("Opening"));
        Message_ProgressScope scope(progress.start(), nullptr, 2.0);
        scope.Next();
        progress.holdCancel();
        auto* dialog = qobject_cast<QDialog*>(progressWindow());
        ASSERT_NE(dialog, nullptr);
        EXPECT_FALSE(dialog->findChild<QDialogButtonBox*>()->isEnabled());
        dialog->reject();
        scope.Next();
        EXPECT_TRUE(scope.More());
    }
    ProgressWindow::setShowDelay(400);
}

} // namespace
