// Footprint library: search folders and the footprint cache.

#include "components/footprintmanager.h"

#include "foundation/logging.h"

#include <QFileInfo>

FootprintManager::FootprintManager() = default;

QString FootprintManager::normalizeFootprintName(const QString& name)
{
    if (name.isEmpty())
        return name;
    const QString trimmed = name.trimmed();
    const int colon = trimmed.lastIndexOf(QLatin1Char(':'));
    if (colon < 0)
        return trimmed;
    return trimmed.mid(colon + 1).trimmed();
}

void FootprintManager::addSearchPath(const QString& folder)
{
    if (!QFileInfo(folder).isDir()) {
        qCDebug(lcFootprint) << "Footprint path ignored (not a folder):" << folder;
        return;
    }
    if (m_searchPaths.contains(folder, Qt::CaseSensitive))
        return;
    m_searchPaths.append(folder);
    forgetIndex();
    qCDebug(lcFootprint) << "Footprint path added:" << folder;
}

void FootprintManager::clearSearchPaths()
{
    // Everything goes, embedded footprints too: a design opened or started after this one must
    // never be served another design's copy. The window registers again what its components use.
    m_searchPaths.clear();
    m_cache.clear();
    m_looserMatches.clear();
    m_unusable.clear();
    m_problems.clear();
    forgetIndex();
}

bool FootprintManager::hasFootprint(const QString& name) const
{
    return m_cache.contains(name);
}

FootprintData FootprintManager::getFootprint(const QString& name) const
{
    return m_cache.value(name);
}
