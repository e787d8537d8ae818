#include "app/mainwindow.h"

#include "app/progresswindow.h"
#include "app/propertiespanel.h"
#include "components/burialanalyzer.h"
#include "components/componentmanager.h"
#include "components/padcachemanager.h"
#include "foundation/appsettings.h"
#include "foundation/logging.h"
#include "foundation/occutils.h"
#include "interaction/routingcontroller.h"
#include "interaction/selectioncontroller.h"
#include "view/occwidget.h"

#include "ui_mainwindow.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QUndoStack>

#include <AIS_InteractiveContext.hxx>
#include <V3d_View.hxx>

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent)
    , m_ui(new Ui::MainWindow)
{
    m_openFileChooser = [](QWidget* owner, int kind, const QString& caption,
                           const QString& filter, const QString& fallback) {
        return AppSettings::getOpenFileName(owner, static_cast<AppSettings::DirectoryKind>(kind),
                                            caption, filter, fallback);
    };

    m_undoStack = new QUndoStack(this);
    m_undoStack->setUndoLimit(100);
    connect(m_undoStack, &QUndoStack::cleanChanged, this, [this](bool) { updateWindowTitle(); });

    m_ui->setupUi(this);
    setupUi();
    connect(this, &MainWindow::designStateChanged, this, &MainWindow::onDesignStateChanged);
    // Every edit, its undo and its redo moves the history; what is changed outside it, the
    // models tell.
    connect(m_undoStack, &QUndoStack::indexChanged, this, &MainWindow::onDesignModelChanged);
    m_project.setChangeObserver([this] { onDesignModelChanged(); });

    const QByteArray geometry = AppSettings::mainWindowGeometry();
    if (!geometry.isEmpty())
        restoreGeometry(geometry);
    const QByteArray splitterState = AppSettings::mainWindowSplitterState();
    if (m_splitter && !splitterState.isEmpty())
        m_splitter->restoreState(splitterState);
    const QByteArray dockState = AppSettings::mainWindowDockState();
    if (!dockState.isEmpty())
        restoreState(dockState, 0);

    loadFootprintFolders(m_footprintManager);
    m_project.routingManager().setRoutingRules(AppSettings::routingRules());

    connect(m_occWidget, &OccWidget::viewerInitialized, this, &MainWindow::onViewerReady);

    applyAutoSaveSettings();
    setStatusText(tr("Ready - Build plate displayed"));
}

MainWindow::~MainWindow()
{
    // The widgets and the undo stack die in ~QWidget, after this body: what they signal
    // while dying (cleanChanged, destroyed) must not reach a half-destroyed window.
    for (QObject* child : findChildren<QObject*>())
        child->disconnect(this);
    m_project.setChangeObserver({});
    releaseViewerObjects();
    delete m_ui;
    m_ui = nullptr;
}

// Every holder of viewer objects goes before the 3D view, and the view before its native
// window: a viewer released after the window frees its GL resources without it, which
// corrupts the heap inside the GL driver. Nothing is redrawn on the way.
void MainWindow::releaseViewerObjects()
{
    m_viewerReady = false;
    clearRatsnest();
    m_probeHighlightedPads.clear();
    m_project.routingManager().setPadObstacleProvider({});
    delete m_selectionController;
    m_selectionController = nullptr;
    delete m_routingController;
    m_routingController = nullptr;
    if (m_burialAnalyzer)
        m_burialAnalyzer->discardResults();
    delete m_burialAnalyzer;
    m_burialAnalyzer = nullptr;
    if (m_padCache)
        m_padCache->setComponentManager(nullptr);
    delete m_componentManager;
    m_componentManager = nullptr;
    delete m_padCache;
    m_padCache = nullptr;
    if (m_occWidget)
        m_occWidget->releaseViewer();
}

void MainWindow::setupUi()
{
    updateWindowTitle();
    // 1280 × 800 at least, but never more than the screen leaves inside the window's frame: on a
    // laptop's 1280 × 800 the title bar would push the status bar, where every refusal is told,
    // off the bottom of the screen.
    setMinimumSize(QSize(1280, 800).boundedTo(ReportDialog::availableRoom(this)));

    createFileMenu();
    createEditMenu();
    createViewMenu();
    createHelpMenu();

    auto* central = new QWidget;
    setCentralWidget(central);
    auto* layout = new QHBoxLayout(central);
    m_splitter = new QSplitter(Qt::Horizontal);
    layout->addWidget(m_splitter);

    QWidget* toolPanel = createToolPanel();
    m_propertiesPanel = new PropertiesPanel;

    m_occWidget = new OccWidget(nullptr);
    connect(m_occWidget, &QObject::destroyed, this, &MainWindow::onOccWidgetDestroyed);

    m_splitter->addWidget(toolPanel);
    m_splitter->addWidget(m_occWidget);
    m_splitter->addWidget(m_propertiesPanel);
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 3);
    QList<int> sizes{200, 600};
    m_splitter->setStretchFactor(2, 1);
    sizes << 300;
    m_splitter->setSizes(sizes);

    QTimer::singleShot(50, this, [this] { forceViewerRepaint(); });

    m_statusLabel = new QLabel(tr("Ready"));
    statusBar()->addWidget(m_statusLabel, 0);

    setupModeController();
    connectPropertiesPanel();
    connectOccWidget();

    m_surfaceFollowing = false;
    m_project.syncRoutingNetlist();
}

void MainWindow::forceViewerRepaint()
{
    if (!m_occWidget || m_occWidget->view().IsNull())
        return;
    OccUtils::guardedCall(false, "MainWindow::forceViewerRepaint", [this] {
        m_occWidget->view()->MustBeResized();
        m_occWidget->view()->Invalidate();
        return true;
    });
    m_occWidget->update();
    qCDebug(lcUi) << "Forced OccWidget update, size:" << m_occWidget->size();
}

void MainWindow::connectOccWidget()
{
    // The part's faces are the only ones Orientation mode may pick.
    m_occWidget->setMainShapeProvider([this] { return m_project.mainShape(); });
    connect(m_occWidget, &OccWidget::faceSelected, this, &MainWindow::onFaceSelected);
    connect(m_occWidget, &OccWidget::selectionModeChanged, this,
            &MainWindow::onSelectionModeChanged);
    // Every selection reset in the routing and probe modes deactivates the pads: pick them again.
    m_occWidget->setPadReactivation([this] {
        if (isViewerReady())
            activatePadsForRouting(true);
    });
    connect(m_occWidget, &OccWidget::probePadClicked, this, &MainWindow::onProbePadClicked);
    connectComponentView();
}

void MainWindow::onViewerReady()
{
    if (m_viewerReady)
        return;
    if (!m_occWidget || m_occWidget->context().IsNull()) {
        qWarning() << "onViewerReady: null OCC context — initialization aborted.";
        return;
    }
    m_viewerReady = true;
    qCDebug(lcUi) << "✓ Viewer ready";

    const opencascade::handle<AIS_InteractiveContext> context = m_occWidget->context();
    delete m_padCache;
    m_padCache = new PadCacheManager(context);
    qCDebug(lcUi) << "✓ PadCacheManager initialized";
    createComponentManager(context);
    createBurialAnalyzer(context);
    createInteractionControllers();
    QTimer::singleShot(0, this, [this] { offerOrphanAutoSaveRecovery(); });
}

void MainWindow::onOccWidgetDestroyed()
{
    m_occWidget = nullptr;
}

bool MainWindow::isViewerReady() const
{
    return m_viewerReady && m_occWidget && m_componentManager && m_padCache && m_burialAnalyzer
        && m_routingController;
}

bool MainWindow::ensureViewerReady()
{
    if (isViewerReady())
        return true;
    QMessageBox::information(this, tr("Viewer not ready"),
                             tr("The 3D viewer is not yet initialized.\nWait a moment then try again."),
                             QMessageBox::Ok);
    return false;
}

bool MainWindow::requirePart(const QString& message)
{
    if (!m_project.mainShape().IsNull())
        return true;
    QMessageBox::information(this, tr("Info"), message, QMessageBox::Ok);
    return false;
}

void MainWindow::setStatusText(const QString& text)
{
    if (m_statusLabel)
        m_statusLabel->setText(text);
    // The progress window stands in front of the status line: it says the same.
    if (m_progressWindow)
        m_progressWindow->setLabel(text);
}

bool MainWindow::isProjectModified() const
{
    return m_modifiedOutsideUndo || (m_undoStack && !m_undoStack->isClean());
}

void MainWindow::setModifiedOutsideUndo(bool modified)
{
    if (m_modifiedOutsideUndo == modified)
        return;
    m_modifiedOutsideUndo = modified;
    updateWindowTitle();
}

void MainWindow::clearUndoHistory()
{
    if (!m_undoStack)
        return;
    if (!m_undoStack->isClean())
        m_modifiedOutsideUndo = true;
    m_undoStack->clear();
    updateWindowTitle();
}

void MainWindow::updateWindowTitle()
{
    const QString name = m_currentProjectPath.isEmpty()
        ? tr("Untitled project")
        : QFileInfo(m_currentProjectPath).completeBaseName();
    QString title = QStringLiteral("Vantorquelle — %1").arg(name);
    if (isProjectModified())
        title += QStringLiteral(" *");
    setWindowTitle(title);
}

void MainWindow::setOpenFileChooser(OpenFileChooser chooser)
{
    m_openFileChooser = std::move(chooser);
}

void MainWindow::loadFootprintFolders(FootprintManager& library)
{
    const QStringList folders = AppSettings::footprintDirs();
    for (const QString& folder : folders)
        library.addSearchPath(folder);
}
