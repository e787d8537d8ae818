#include "outputs/stepscratch.h"

#include "foundation/logging.h"

#include <QDir>
#include <QFile>
#include <QLockFile>

#include <chrono>
#include <ctime>
#include <sys/stat.h>
#include <unistd.h>

namespace StepScratch {

namespace {

// A lock whose writer cannot be read from it is taken as abandoned after a day; a folder with
// no lock yet, after a minute (its writer may be about to lock it).
constexpr std::chrono::hours kUnreadableLockAge(24);
constexpr std::time_t kUnlockedFolderAgeSeconds = 60;

// lstat, so that a link is seen as itself and never as what it points to.
bool entryInfo(const QString& path, struct stat& info)
{
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0;
}

} // namespace

QString folderPrefix()
{
    return QStringLiteral("vantorquelle-step-");
}

QString lockName()
{
    return QStringLiteral("writer.lock");
}

void removeAbandoned(const QString& parent)
{
    // A temporary location shared between users may hold anyone's entries of this name: links
    // planted there, or another user's folders, are not ours to empty.
    const QStringList names = QDir(parent).entryList({folderPrefix() + QLatin1Char('*')},
                                                     QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::NoSymLinks);
    for (const QString& name : names) {
        const QString folder = QDir(parent).filePath(name);
        struct stat folderInfo = {};
        if (!entryInfo(folder, folderInfo) || !S_ISDIR(folderInfo.st_mode) || folderInfo.st_uid != ::geteuid())
            continue;
        const QString lockPath = QDir(folder).filePath(lockName());
        struct stat lockInfo = {};
        if (!entryInfo(lockPath, lockInfo)) {
            if (std::time(nullptr) - folderInfo.st_mtime < kUnlockedFolderAgeSeconds)
                continue;
        } else {
            if (!S_ISREG(lockInfo.st_mode))
                continue;
            QLockFile lock(lockPath);
            lock.setStaleLockTime(kUnreadableLockAge);
            if (!lock.tryLock(0))
                continue; // its writer is at work
        }
        qCDebug(lcExport) << "  removing an abandoned STEP scratch folder:" << folder;
        QDir(folder).removeRecursively();
    }
}

} // namespace StepScratch
