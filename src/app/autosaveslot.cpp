#include "app/autosaveslot.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRegularExpression>

#include <algorithm>

namespace {

const QString kLockSuffix = QStringLiteral(".lock");

std::unique_ptr<QLockFile> lockFor(const QString& sideFile)
{
    auto lock = std::make_unique<QLockFile>(sideFile + kLockSuffix);
    // A running copy holds its lock for hours: only a dead owner makes a lock stale, never age.
    lock->setStaleLockTime(0);
    return lock;
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

bool AutoSaveSlot::isHeld(const QString& sideFile)
{
    std::unique_ptr<QLockFile> lock = lockFor(sideFile);
    if (!lock->tryLock(0))
        return true;
    lock->unlock();
    return false;
}

QString AutoSaveSlot::claim(const QString& key, const std::function<QString(int)>& pathOf)
{
    release();
    // A free name whose file is still there holds a dead copy's work: taken only when no other is free.
    for (const bool takeLeftWork : {false, true}) {
        for (int index = 1; index <= kMaxSlots; ++index) {
            const QString path = pathOf(index);
            if (!takeLeftWork && QFileInfo::exists(path))
                continue;
            std::unique_ptr<QLockFile> lock = lockFor(path);
            if (lock->tryLock(0)) {
                m_key = key;
                m_path = path;
                m_lock = std::move(lock);
                return m_path;
            }
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
    if (projectPath.isEmpty())
        return QString();
    if (!preferred.isEmpty() && preferred != m_path
        && sideFilePattern(projectPath, QString()).match(QFileInfo(preferred).fileName()).hasMatch()) {
        std::unique_ptr<QLockFile> lock = lockFor(preferred);
        if (lock->tryLock(0)) {
            release();
            m_key = projectPath;
            m_path = preferred;
            m_lock = std::move(lock);
            return m_path;
        }
    }
    if (holdsProject(projectPath))
        return m_path;
    return claim(projectPath, [&projectPath](int index) { return sideFilePath(projectPath, index); });
}

bool AutoSaveSlot::holdsProject(const QString& projectPath) const
{
    return m_lock && !projectPath.isEmpty() && m_key == projectPath;
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
    if (projectPath.isEmpty())
        return {};
    return unheldFiles(QFileInfo(projectPath).absolutePath(), sideFilePattern(projectPath, QString()));
}

QList<qint64> AutoSaveSlot::otherHolders(const QString& projectPath) const
{
    QList<qint64> pids;
    if (projectPath.isEmpty())
        return pids;
    const QRegularExpression pattern = sideFilePattern(projectPath, kLockSuffix);
    const QFileInfoList entries = QDir(QFileInfo(projectPath).absolutePath()).entryInfoList(QDir::Files, QDir::NoSort);
    for (const QFileInfo& entry : entries) {
        if (!pattern.match(entry.fileName()).hasMatch())
            continue;
        const QString side = entry.filePath().chopped(kLockSuffix.size());
        if (m_lock && QFileInfo(side).absoluteFilePath() == QFileInfo(m_path).absoluteFilePath())
            continue;
        std::unique_ptr<QLockFile> lock = lockFor(side);
        if (lock->tryLock(0)) {
            lock->unlock(); // a dead copy's lock, now gone
            continue;
        }
        qint64 pid = 0;
        QString host;
        QString application;
        if (lock->error() == QLockFile::LockFailedError && lock->getLockInfo(&pid, &host, &application))
            pids << pid;
    }
    std::sort(pids.begin(), pids.end());
    return pids;
}
