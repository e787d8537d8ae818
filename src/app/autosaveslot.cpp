#include "app/autosaveslot.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRegularExpression>
#include <QSysInfo>
#include <QtDebug>

#include <algorithm>
#include <tuple>

namespace {

const QString kLockSuffix = QStringLiteral(".lock");

std::unique_ptr<QLockFile> lockFor(const QString& sideFile)
{
    auto lock = std::make_unique<QLockFile>(sideFile + kLockSuffix);
    // A running copy holds its lock for hours: only a dead owner makes a lock stale, never age.
    lock->setStaleLockTime(0);
    return lock;
}

// Longer than any copy takes between creating its lock file and writing its name into it.
constexpr qint64 kUnreadableLockAgeMs = 10000;

// Takes the lock when it is free or its owner is dead. QLockFile never counts a lock it cannot
// read as stale, yet a copy killed while it wrote its lock, or a power cut, leaves one empty:
// such a lock, once old, goes, unless a live copy still holds it open (removeStaleLockFile
// takes the lock file's own lock first).
bool acquire(QLockFile& lock)
{
    if (lock.tryLock(0))
        return true;
    if (lock.error() != QLockFile::LockFailedError)
        return false;
    qint64 pid = 0;
    QString host;
    QString application;
    if (lock.getLockInfo(&pid, &host, &application))
        return false;
    const QFileInfo info(lock.fileName());
    if (!info.isFile() || qAbs(info.lastModified().msecsTo(QDateTime::currentDateTime())) < kUnreadableLockAgeMs)
        return false;
    qWarning() << "Automatic save: removing the unreadable lock file" << lock.fileName();
    return lock.removeStaleLockFile() && lock.tryLock(0);
}

// The project's side files: its own name followed by nothing or "~<index>", then ".autosave".
QRegularExpression sideFilePattern(const QString& projectPath, const QString& tail)
{
    return QRegularExpression(QStringLiteral("^") + QRegularExpression::escape(QFileInfo(projectPath).fileName())
                              + QStringLiteral("(~[0-9]+)?\\.autosave") + QRegularExpression::escape(tail)
                              + QStringLiteral("$"));
}

// Files of the folder whose name matches and whose lock no running copy holds, newest first.
QStringList unheldFiles(const QString& folder, const QRegularExpression& pattern)
{
    QFileInfoList found;
    const QFileInfoList entries = QDir(folder).entryInfoList(QDir::Files, QDir::NoSort);
    for (const QFileInfo& entry : entries) {
        if (pattern.match(entry.fileName()).hasMatch() && !AutoSaveSlot::isHeld(entry.filePath()))
            found << entry;
    }
    std::sort(found.begin(), found.end(), [](const QFileInfo& a, const QFileInfo& b) {
        return a.lastModified() > b.lastModified();
    });
    QStringList paths;
    for (const QFileInfo& entry : std::as_const(found))
        paths << entry.filePath();
    return paths;
}

} // namespace

AutoSaveSlot::AutoSaveSlot() = default;

AutoSaveSlot::~AutoSaveSlot()
{
    release();
}

QString AutoSaveSlot::fileName(int index)
{
    if (index <= 1)
        return QStringLiteral("untitled.vtq.autosave");
    return QStringLiteral("untitled-%1.vtq.autosave").arg(index);
}

QString AutoSaveSlot::sideFilePath(const QString& projectPath, int index)
{
    if (index <= 1)
        return projectPath + QStringLiteral(".autosave");
    return projectPath + QStringLiteral("~%1.autosave").arg(index);
}

bool AutoSaveSlot::Holder::isThisProcess() const
{
    return pid == QCoreApplication::applicationPid() && host == QSysInfo::machineHostName();
}

QString AutoSaveSlot::projectKey(const QString& projectPath)
{
    if (projectPath.isEmpty())
        return QString();
    const QFileInfo info(projectPath);
    const QString canonical = info.canonicalFilePath();
    if (!canonical.isEmpty())
        return canonical;
    // Not written yet: its folder may still be reached through a link.
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return folder.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : QDir(folder).filePath(info.fileName());
}

bool AutoSaveSlot::isHeld(const QString& sideFile)
{
    std::unique_ptr<QLockFile> lock = lockFor(sideFile);
    if (!acquire(*lock))
        return true;
    lock->unlock();
    return false;
}

QString AutoSaveSlot::claim(const QString& key, const std::function<QString(int)>& pathOf)
{
    release();
    // A free name whose file is still there holds a dead copy's work, which only the user may
    // give up: it is never taken, even when no other name is left.
    for (int index = 1; index <= kMaxSlots; ++index) {
        const QString path = pathOf(index);
        if (QFileInfo::exists(path))
            continue;
        std::unique_ptr<QLockFile> lock = lockFor(path);
        if (acquire(*lock)) {
            m_key = key;
            m_path = path;
            m_lock = std::move(lock);
            return m_path;
        }
    }
    return QString();
}

QString AutoSaveSlot::pathIn(const QString& folder)
{
    if (folder.isEmpty())
        return QString();
    if (m_lock && m_key == folder)
        return m_path;
    const QDir dir(folder);
    return claim(folder, [&dir](int index) { return dir.filePath(fileName(index)); });
}

QString AutoSaveSlot::claimFor(const QString& projectPath, const QString& preferred)
{
    const QString key = projectKey(projectPath);
    if (key.isEmpty())
        return QString();
    if (!preferred.isEmpty() && preferred != m_path
        && sideFilePattern(key, QString()).match(QFileInfo(preferred).fileName()).hasMatch()) {
        std::unique_ptr<QLockFile> lock = lockFor(preferred);
        if (acquire(*lock)) {
            release();
            m_key = key;
            m_path = preferred;
            m_lock = std::move(lock);
            return m_path;
        }
    }
    if (holdsProject(projectPath))
        return m_path;
    return claim(key, [&key](int index) { return sideFilePath(key, index); });
}

bool AutoSaveSlot::holdsProject(const QString& projectPath) const
{
    return m_lock && !projectPath.isEmpty() && m_key == projectKey(projectPath);
}

void AutoSaveSlot::discard()
{
    if (m_lock && QFileInfo::exists(m_path))
        QFile::remove(m_path);
    release();
}

void AutoSaveSlot::release()
{
    if (m_lock)
        m_lock->unlock();
    m_lock.reset();
    m_key.clear();
    m_path.clear();
}

QStringList AutoSaveSlot::unclaimedFiles(const QString& folder)
{
    static const QRegularExpression pattern(
        QStringLiteral("^untitled(-[0-9]+)?\\.vtq\\.autosave$"));
    return unheldFiles(folder, pattern);
}

QStringList AutoSaveSlot::unclaimedSideFiles(const QString& projectPath)
{
    const QString key = projectKey(projectPath);
    if (key.isEmpty())
        return {};
    return unheldFiles(QFileInfo(key).absolutePath(), sideFilePattern(key, QString()));
}

QList<AutoSaveSlot::Holder> AutoSaveSlot::otherHolders(const QString& projectPath) const
{
    QList<Holder> holders;
    const QString key = projectKey(projectPath);
    if (key.isEmpty())
        return holders;
    const QRegularExpression pattern = sideFilePattern(key, kLockSuffix);
    const QFileInfoList entries = QDir(QFileInfo(key).absolutePath()).entryInfoList(QDir::Files, QDir::NoSort);
    for (const QFileInfo& entry : entries) {
        if (!pattern.match(entry.fileName()).hasMatch())
            continue;
        const QString side = entry.filePath().chopped(kLockSuffix.size());
        if (m_lock && side == m_path)
            continue;
        std::unique_ptr<QLockFile> lock = lockFor(side);
        if (acquire(*lock)) {
            lock->unlock(); // a dead copy's lock, now gone
            continue;
        }
        Holder holder;
        QString application;
        if (lock->error() == QLockFile::LockFailedError && lock->getLockInfo(&holder.pid, &holder.host, &application))
            holders << holder;
    }
    std::sort(holders.begin(), holders.end(),
              [](const Holder& a, const Holder& b) { return std::tie(a.pid, a.host) < std::tie(b.pid, b.host); });
    return holders;
}
