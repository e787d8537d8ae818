#include "app/progresswindow.h"

#include "foundation/occutils.h"
#include "foundation/stlmesh.h"
#include "outputs/partpresence.h"
#include "outputs/stepexporter.h"
#include "outputs/threemfexporter.h"

#include <Message_ProgressIndicator.hxx>

#include <QDialog>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QThread>
#include <QVBoxLayout>

#include <atomic>
#include <cstring>
#include <iterator>

namespace {

int g_showDelayMs = 400;
// Reports come far more often than a screen refreshes; the events run at most this often.
int g_pumpIntervalMs = 40;
constexpr int kBarSteps = 1000;

// The stages that the work names, as the window tells them.
const struct
{
    const char* name;
    const char* text;
} kStages[] = {
    {StlStage::kRead, QT_TRANSLATE_NOOP("ProgressWindow", "Reading the triangles…")},
    {StlStage::kWeld, QT_TRANSLATE_NOOP("ProgressWindow", "Joining the triangles' corners…")},
    {StlStage::kShells, QT_TRANSLATE_NOOP("ProgressWindow", "Building the shells…")},
    {StlStage::kShellCheck, QT_TRANSLATE_NOOP("ProgressWindow", "Checking the shells…")},
    {StlStage::kSewing, QT_TRANSLATE_NOOP("ProgressWindow", "Sewing the faces…")},
    {StlStage::kHealing, QT_TRANSLATE_NOOP("ProgressWindow", "Repairing the solid…")},
    {StlStage::kCheck, QT_TRANSLATE_NOOP("ProgressWindow", "Checking the solid…")},
    {PartPresence::kStage, QT_TRANSLATE_NOOP("ProgressWindow", "Finding what stands in the part…")},
    {StepExporter::kCarvingStage, QT_TRANSLATE_NOOP("ProgressWindow", "Cutting the cavities and joining the conductors…")},
    {StepExporter::kTransferStage, QT_TRANSLATE_NOOP("ProgressWindow", "Translating the design into STEP…")},
    {StepExporter::kWriteStage, QT_TRANSLATE_NOOP("ProgressWindow", "Writing the file…")},
    {ThreeMfExporter::kPackageStage, QT_TRANSLATE_NOOP("ProgressWindow", "Meshing the part and the conductors…")},
    {OccUtils::kUnbreakableWork, QT_TRANSLATE_NOOP("ProgressWindow", "Writing the file…")},
};

// The innermost named stage that scope runs in; -1 when none.
int stageOf(const Message_ProgressScope& scope)
{
    for (const Message_ProgressScope* s = &scope; s; s = s->Parent()) {
        if (!s->Name())
            continue;
        for (int i = 0; i < int(std::size(kStages)); ++i)
            if (std::strcmp(s->Name(), kStages[i].name) == 0)
                return i;
    }
    return -1;
}

} // namespace

// Cancel, Escape and the window's close button all ask the operation to stop; the window stays
// up until the operation has, so that nothing else can be clicked in between.
class ProgressWindow::Dialog : public QDialog
{
public:
    Dialog(QWidget* parent, const QString& text)
        : QDialog(parent)
        , label(new QLabel(text))
        , stage(new QLabel)
        , bar(new QProgressBar)
        , buttons(new QDialogButtonBox(QDialogButtonBox::Cancel))
    {
        setObjectName(QStringLiteral("progressWindow"));
        setWindowTitle(QGuiApplication::applicationDisplayName());
        setWindowModality(Qt::ApplicationModal);
        label->setWordWrap(true);
        stage->setObjectName(QStringLiteral("progressStage"));
        stage->setWordWrap(true);
        stage->hide();
        bar->setRange(0, kBarSteps);
        bar->setValue(0);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(label);
        layout->addWidget(stage);
        layout->addWidget(bar);
        layout->addWidget(buttons);
        setMinimumWidth(420);
        connect(buttons, &QDialogButtonBox::rejected, this, &Dialog::reject);
    }

    // Only the operation's end closes it.
    void accept() override {}

    void reject() override
    {
        if (held || cancelled.exchange(true))
            return;
        say(insideUnbreakableWork ? waitText() : ProgressWindow::tr("Cancelling…"));
        buttons->setEnabled(false);
    }

    // A longer text than the window was sized for makes it taller, or the bar covers its end.
    void say(const QString& text) { say(label, text); }

    void showStage(int index)
    {
        if (index == shownStage)
            return;
        shownStage = index;
        stage->setVisible(index >= 0);
        say(stage, index >= 0 ? ProgressWindow::tr(kStages[index].text) : QString());
    }

    void say(QLabel* where, const QString& text)
    {
        where->setText(text);
        if (!isVisible())
            return;
        layout()->activate();
        const int needed = heightForWidth(width());
        if (needed > height())
            resize(width(), needed);
    }

    static QString waitText()
    {
        return ProgressWindow::tr(
            "Cancelling… the file being written is finished first: its writer cannot be stopped midway.");
    }

    QLabel* label;
    QLabel* stage;
    int shownStage = -1;
    QProgressBar* bar;
    QDialogButtonBox* buttons;
    std::atomic<bool> cancelled{false};
    bool held = false;
    // Whether the report that lets events in comes from work that cannot be broken off.
    bool insideUnbreakableWork = false;
};

// OpenCASCADE's algorithms report from any thread; only the GUI thread's reports run events.
class ProgressWindow::Indicator : public Message_ProgressIndicator
{
public:
    explicit Indicator(Dialog* dialog) : m_dialog(dialog) { m_started.start(); }

protected:
    Standard_Boolean UserBreak() override { return m_dialog->cancelled.load(); }

    static bool insideUnbreakableWork(const Message_ProgressScope& scope)
    {
        for (const Message_ProgressScope* s = &scope; s; s = s->Parent())
            if (s->Name() && std::strcmp(s->Name(), OccUtils::kUnbreakableWork) == 0)
                return true;
        return false;
    }

    void Show(const Message_ProgressScope& scope, const Standard_Boolean force) override
    {
        // A stage run on a helper thread is told at the next report of this one. After Cancel the
        // stage where it was pressed stays told while the work winds down (work that ran beside
        // it closes its own steps then).
        if (const int stage = stageOf(scope); stage >= 0 && !m_dialog->cancelled.load())
            m_stage = stage;
        if (m_pumping || QThread::currentThread() != QCoreApplication::instance()->thread())
            return;
        if (!force && m_lastPump.isValid() && m_lastPump.elapsed() < g_pumpIntervalMs)
            return;
        m_pumping = true;
        if (!m_dialog->isVisible() && m_started.elapsed() >= g_showDelayMs)
            m_dialog->show();
        // The stage first: the value shown belongs to it.
        m_dialog->showStage(m_stage);
        m_dialog->bar->setValue(qRound(GetPosition() * kBarSteps));
        m_dialog->insideUnbreakableWork = insideUnbreakableWork(scope);
        if (m_dialog->cancelled && !m_waitShown && m_dialog->insideUnbreakableWork) {
            m_waitShown = true;
            m_dialog->say(Dialog::waitText());
        }
        // Once the modal window is up it alone takes input; before, input waits for the end.
        QCoreApplication::processEvents(m_dialog->isVisible() ? QEventLoop::AllEvents
                                                              : QEventLoop::ExcludeUserInputEvents);
        m_dialog->insideUnbreakableWork = false;
        m_lastPump.restart();
        m_pumping = false;
    }

private:
    Dialog* m_dialog;
    QElapsedTimer m_started;
    QElapsedTimer m_lastPump;
    bool m_pumping = false;
    bool m_waitShown = false;
    std::atomic<int> m_stage{-1};
};

ProgressWindow::ProgressWindow(QWidget* parent, const QString& label)
    : m_dialog(new Dialog(parent, label))
    , m_indicator(new Indicator(m_dialog))
{
}

ProgressWindow::~ProgressWindow()
{
    delete m_dialog;
}

Message_ProgressRange ProgressWindow::start()
{
    return m_indicator->Start();
}

void ProgressWindow::setLabel(const QString& text)
{
    if (!m_dialog->cancelled)
        m_dialog->say(text);
}

bool ProgressWindow::holdCancel()
{
    // Every click the window system has for the program is read and handled now. Before the
    // window shows, no click can be meant for it.
    if (m_dialog->isVisible()) {
        QGuiApplication::sync();
        // What the events handled there posted in turn (a press's release) is delivered too.
        QCoreApplication::sendPostedEvents();
    }
    if (m_dialog->cancelled.load())
        return false;
    m_dialog->held = true;
    m_dialog->buttons->setEnabled(false);
    return true;
}

void ProgressWindow::setShowDelay(int milliseconds)
{
    g_showDelayMs = milliseconds;
}

void ProgressWindow::setPumpInterval(int milliseconds)
{
    g_pumpIntervalMs = milliseconds;
}
