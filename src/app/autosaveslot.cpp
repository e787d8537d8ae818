#include "app/autosaveslot.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRegularExpression>

#include <algorithm>

namespace {

std::unique_ptr<QLockFile> lockFor(const QString& sideFile)
{
    auto lock = std::make_unique<QLockFile>(sideFile + QStringLiteral(".lock"));
    // A running copy holds its lock for hours: only a dead owner makes a lock stale, never age.
    lock->setStaleLockTime(0);
    return lock;
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

QString AutoSaveSlot::pathIn(const QString& folder)
{
    if (folder.isEmpty())
        return QString();
    if (m_lock && m_folder == folder)
        return m_path;
    release();
    const QDir dir(folder);
    // A free name whose file is still there holds a dead copy's work: taken only when no other is free.
    for (const bool takeLeftWork : {false, true}) {
        for (int index = 1; index <= kMaxSlots; ++index) {
            const QString path = dir.filePath(fileName(index));
            if (!takeLeftWork && QFileInfo::exists(path))
                continue;
            std::unique_ptr<QLockFile> lock = lockFor(path);
            if (lock->tryLock(0)) {
                m_folder = folder;
                m_path = path;
                m_lock = std::move(lock);
                return m_path;
            }
        }
    }
    return QString();
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
    m_folder.clear();
    m_path.clear();
}

QStringList AutoSaveSlot::unclaimedFiles(const QString& folder)
{
    static const QRegularExpression pattern(
        QStringLiteral("^untitled(-[0-9]+)?\\.vtq\\.autosave$"));
    QFileInfoList found;
    const QFileInfoList entries = QDir(folder).entryInfoList(QDir::Files, QDir::NoSort);
    for (const QFileInfo& entry : entries) {
        if (!pattern.match(entry.fileName()).hasMatch())
            continue;
        std::unique_ptr<QLockFile> lock = lockFor(entry.filePath());
        if (!lock->tryLock(0))
            continue; // a running copy writes it
        lock->unlock();
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
