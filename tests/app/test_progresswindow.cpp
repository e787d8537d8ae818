// The progress window of a long operation: reports made on a helper thread (OpenCASCADE's
// writers report from where they run) leave the window to the GUI thread's own reports.
#include "app/progresswindow.h"
#include "foundation/occutils.h"
#include "foundation/stlmesh.h"
#include "outputs/partpresence.h"
#include "outputs/stepexporter.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
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

// A text longer than the one the window opened with is read whole: the window grows, the bar
// does not cover its end. Both ways a text comes: the operation's label, and Cancel pressed
// while a file that cannot be stopped is written.
TEST(ProgressWindow, LongerTextsAreShownWhole)
{
    ProgressWindow::setShowDelay(0);
    ProgressWindow::setPumpInterval(0);
    const QString stage = QStringLiteral(
        "Cutting the cavities of the components into the part, one group of overlapping volumes after another, "
        "then checking that the part is still one sound solid...");
    for (const bool cancelInsideWrite : {false, true}) {
        SCOPED_TRACE(cancelInsideWrite ? "cancel while writing" : "label");
        ProgressWindow progress(nullptr, QStringLiteral("Exporting"));
        Message_ProgressScope whole(progress.start(), nullptr, 2.0);
        whole.Next();
        QWidget* window = progressWindow();
        ASSERT_TRUE(window && window->isVisible());
        auto* label = window->findChild<QLabel*>();
        if (cancelInsideWrite) {
            Message_ProgressScope writing(whole.Next(), OccUtils::kUnbreakableWork, 2.0);
            QTimer::singleShot(0, window, [window] {
                window->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
            });
            writing.Next();
            ASSERT_TRUE(label->text().contains(QStringLiteral("finished first")));
        } else {
            progress.setLabel(stage);
        }
        QApplication::processEvents();
        EXPECT_GE(label->height(), label->heightForWidth(label->width()));
        EXPECT_LE(label->geometry().bottom(), window->findChild<QProgressBar*>()->geometry().top());
    }
    ProgressWindow::setPumpInterval(40);
    ProgressWindow::setShowDelay(400);
}

// The stages the work names are told under the operation's text, also one that runs on a
// helper thread (at this thread's next report); a scope the window does not know (OpenCASCADE's
// own) leaves the stage told as it was.
TEST(ProgressWindow, TellsTheStageTheWorkIsIn)
{
    ProgressWindow::setShowDelay(0);
    ProgressWindow::setPumpInterval(0);
    {
        ProgressWindow progress(nullptr, QStringLiteral("Exporting STEP..."));
        Message_ProgressScope whole(progress.start(), nullptr, 4.0);
        QWidget* window = progressWindow();
        ASSERT_NE(window, nullptr);
        auto* stage = window->findChild<QLabel*>(QStringLiteral("progressStage"));
        ASSERT_NE(stage, nullptr);
        whole.Next(0.0);
        EXPECT_FALSE(stage->isVisible()) << "no stage named yet";
        {
            Message_ProgressScope measuring(whole.Next(), PartPresence::kStage, 2.0);
            measuring.Next();
            EXPECT_TRUE(stage->isVisible());
            EXPECT_EQ(stage->text().toStdString(), "Finding what stands in the part…");
        }
        {
            Message_ProgressScope carving(whole.Next(), StepExporter::kCarvingStage, 2.0);
            Message_ProgressScope boolean(carving.Next(), "Performing Boolean operation", 2.0);
            boolean.Next();
            EXPECT_EQ(stage->text().toStdString(), "Cutting the cavities and joining the conductors…");
        }
        Message_ProgressScope transfer(whole.Next(), nullptr, 2.0);
        const Message_ProgressRange helperShare = transfer.Next();
        std::thread helper([&helperShare] {
            Message_ProgressScope named(helperShare, StlStage::kSewing, 1.0);
            named.Next();
        });
        helper.join();
        transfer.Next();
        EXPECT_EQ(stage->text().toStdString(), "Sewing the faces…");
    }
    ProgressWindow::setPumpInterval(40);
    ProgressWindow::setShowDelay(400);
}

} // namespace
