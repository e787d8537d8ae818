// Interface language and restart, the user guide, the About box and clearing the history.
#include "app/mainwindow.h"

#include "foundation/appsettings.h"
#include "foundation/logging.h"

#include <QActionGroup>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QUndoStack>
#include <QUrl>

#include <Standard_Version.hxx>

namespace {

const char kApplicationVersion[] = "1.4.0";

struct LanguageRow
{
    const char* label; // shown as written, in its own language
    const char* localeName;
};

constexpr LanguageRow kLanguages[] = {
    {"Français", "fr_FR"},
    {"English", "en_US"},
};

bool startDetachedProcess(const QString& program, const QStringList& arguments, QString* error)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    if (process.startDetached())
        return true;
    if (error)
        *error = process.errorString();
    return false;
}

} // namespace

void MainWindow::setUrlOpener(UrlOpener opener)
{
    m_urlOpener = std::move(opener);
}

void MainWindow::setDetachedStarter(DetachedStarter starter)
{
    m_detachedStarter = std::move(starter);
}

void MainWindow::createLanguageMenu(QMenu* parent)
{
    QMenu* menu = parent->addMenu(tr("&Language"));
    auto* group = new QActionGroup(this);
    group->setExclusive(true);
    const QString current = AppSettings::language();

    for (const LanguageRow& row : kLanguages) {
        const QString localeName = QString::fromLatin1(row.localeName);
        auto* action = new QAction(QString::fromUtf8(row.label), this);
        action->setCheckable(true);
        action->setChecked(current == localeName);
        connect(action, &QAction::triggered, this, [this, localeName] { changeLanguage(localeName); });
        group->addAction(action);
        menu->addAction(action);
    }
    menu->addSeparator();
    auto* systemAction = new QAction(tr("System default"), this);
    systemAction->setCheckable(true);
    systemAction->setChecked(current.isEmpty());
    connect(systemAction, &QAction::triggered, this, [this] { changeLanguage(QString()); });
    group->addAction(systemAction);
    menu->addAction(systemAction);
}

void MainWindow::changeLanguage(const QString& localeName)
{
    if (localeName == AppSettings::language())
        return;
    AppSettings::setLanguage(localeName);
    const auto answer = QMessageBox::question(
        this, tr("Language"),
        tr("The language change will take effect after restarting Vantorquelle.\n\nRestart now?"),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
    if (answer == QMessageBox::Yes)
        restartApplication();
}

void MainWindow::restartApplication()
{
    // The closing prompt comes first, but the window only closes once the new copy runs: a copy
    // that fails to start must not leave the user with no program at all.
    if (!confirmClose())
        return;
    QStringList arguments = QCoreApplication::arguments();
    if (!arguments.isEmpty())
        arguments.removeFirst();

    QString error;
    const bool started = m_detachedStarter
        ? m_detachedStarter(QCoreApplication::applicationFilePath(), arguments, &error)
        : startDetachedProcess(QCoreApplication::applicationFilePath(), arguments, &error);
    if (!started) {
        qWarning() << "Restart failed:" << error;
        QMessageBox::warning(this, tr("Language"),
                             tr("Vantorquelle could not be restarted:\n\n%1\n\n"
                                "The new language will apply at the next start.")
                                 .arg(error));
        setStatusText(tr("Restart failed — the new language applies at the next start"));
        return;
    }
    m_closeConfirmed = true;
    close();
}

QString MainWindow::userGuidePath()
{
    const QDir appDir(QCoreApplication::applicationDirPath());
    const QStringList candidates{
        appDir.filePath(QStringLiteral("../share/vantorquelle/doc/user-guide.html")),
        appDir.filePath(QStringLiteral("doc/user-guide.html")),
    };
    for (const QString& candidate : candidates) {
        const QFileInfo info(candidate);
        if (info.isFile())
            return info.canonicalFilePath();
    }
    return QString();
}

void MainWindow::openOnlineHelp()
{
    const QString guide = userGuidePath();
    if (guide.isEmpty()) {
        QMessageBox::warning(this, tr("Online Help"),
                             tr("The user guide installed with Vantorquelle was not found."));
        return;
    }
    const QUrl url = QUrl::fromLocalFile(guide);
    const bool opened = m_urlOpener ? m_urlOpener(url) : QDesktopServices::openUrl(url);
    if (opened)
        return;
    // The guide is a plain file: say where it is, in a text the user can copy.
    QMessageBox box(QMessageBox::Warning, tr("Online Help"),
                    tr("Unable to open the web browser.") + QStringLiteral("\n\n")
                        + tr("Open the user guide in a browser yourself:\n%1").arg(QDir::toNativeSeparators(guide)),
                    QMessageBox::Ok, this);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    box.exec();
}

QString MainWindow::aboutText()
{
    return tr("<h3>Vantorquelle</h3><p>Design of “print-in-place” 3D printed circuits from KiCad "
              "netlists.</p><p><b>Version:</b> %1<br><b>Qt:</b> %2<br><b>OpenCascade:</b> %3</p>"
              "<p><b>By the Vantorquelle developers</b></p><p>© 2026</p>")
        .arg(QString::fromLatin1(kApplicationVersion), QStringLiteral(QT_VERSION_STR),
             QStringLiteral(OCC_VERSION_COMPLETE));
}

void MainWindow::showAbout()
{
    QMessageBox::about(this, tr("About Vantorquelle"), aboutText());
}

void MainWindow::clearHistory()
{
    if (!m_undoStack)
        return;
    // Unsaved edits stay unsaved once their commands are gone.
    clearUndoHistory();
    setStatusText(tr("History cleared"));
}
