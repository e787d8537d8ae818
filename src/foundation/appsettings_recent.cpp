#include "foundation/appsettings.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include <algorithm>

namespace AppSettings {

namespace {

// Two different files may differ only in letter case where the file system tells them apart.
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
constexpr Qt::CaseSensitivity kPathCase = Qt::CaseInsensitive;
#else
constexpr Qt::CaseSensitivity kPathCase = Qt::CaseSensitive;
#endif

void removeEntries(QStringList& list, const QString& canonical)
{
    list.erase(std::remove_if(list.begin(), list.end(),
                              [&](const QString& entry) { return entry.compare(canonical, kPathCase) == 0; }),
               list.end());
}

} // namespace

QString canonicalProjectPath(const QString& path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

QStringList recentProjects()
{
    return QSettings().value(QLatin1String(kRecentProjects)).toStringList();
}

void addRecentProject(const QString& path)
{
    if (path.isEmpty())
        return;
    const QString canonical = canonicalProjectPath(path);
    QStringList list = recentProjects();
    removeEntries(list, canonical);
    list.prepend(canonical);
    while (list.size() > kMaxRecentProjects)
        list.removeLast();
    QSettings().setValue(QLatin1String(kRecentProjects), list);
}

void removeRecentProject(const QString& path)
{
    if (path.isEmpty())
        return;
    QStringList list = recentProjects();
    removeEntries(list, canonicalProjectPath(path));
    QSettings().setValue(QLatin1String(kRecentProjects), list);
}

void clearRecentProjects()
{
    QSettings().remove(QLatin1String(kRecentProjects));
}

} // namespace AppSettings
