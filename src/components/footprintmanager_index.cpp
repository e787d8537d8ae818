// Footprint library: the file index and the three-level name lookup.

#include "components/footprintmanager.h"

#include "foundation/logging.h"

#include <QDirIterator>
#include <QFileInfo>

#include <algorithm>

namespace {

bool isWordSeparator(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('-') || c == QLatin1Char('.')
           || c == QLatin1Char('_');
}

} // namespace

void FootprintManager::forgetIndex()
{
    m_index.clear();
    m_exactNames.clear();
    m_foldedNames.clear();
    m_nameStarts.clear();
    m_lookups.clear();
    m_indexValid = false;
}

void FootprintManager::buildFootprintIndex()
{
    if (m_indexValid)
        return;

    forgetIndex();
    const QStringList filters{QStringLiteral("*.kicad_mod"), QStringLiteral("*.mod")};
    for (const QString& folder : qAsConst(m_searchPaths)) {
        qCDebug(lcFootprint) << "Indexing footprints:" << folder;
        if (!QFileInfo(folder).isDir()) {
            qWarning() << "buildFootprintIndex: footprint folder no longer exists:" << folder;
            continue;
        }
        // Name filters of QDirIterator ignore case unless asked otherwise.
        QDirIterator it(folder, filters, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            const QString fileName = it.fileName();
            const int dot = fileName.lastIndexOf(QLatin1Char('.'));
            const QString baseName = dot < 0 ? fileName : fileName.left(dot);
            const QString folded = baseName.toCaseFolded();
            m_exactNames[folded].append(int(m_index.size()));
            m_nameStarts.append(int(m_foldedNames.size()));
            m_foldedNames += folded;
            m_foldedNames += QChar(0); // no file name holds one: no match runs across two names
            m_index.append(FootprintIndexEntry{baseName, path});
        }
    }
    m_indexValid = true;
    qCDebug(lcFootprint) << "Footprint index (re)built:" << m_index.size() << "file(s) in"
                         << m_searchPaths.size() << "folder(s)";
}

QString FootprintManager::findFootprintFile(const QString& name)
{
    qCDebug(lcFootprint) << "\n--- Footprint file lookup ---";
    qCDebug(lcFootprint) << "Name searched:" << name;
    if (name.isEmpty()) {
        qWarning() << "findFootprintFile: empty footprint name";
        return QString();
    }

    buildFootprintIndex();
    // Each name is looked up once per index, found or not: a design names the same
    // footprints many times, and a missing one would otherwise cost a scan every time.
    const auto known = m_lookups.constFind(name);
    if (known != m_lookups.constEnd())
        return known->path;
    const Lookup found = lookUpFile(name);
    m_lookups.insert(name, found);
    return found.path;
}

FootprintManager::Lookup FootprintManager::lookUpFile(const QString& name)
{
    const QString folded = name.toCaseFolded();
    QList<int> exact = m_exactNames.value(folded);
    QList<int> bounded, contained;
    // The looser levels decide only when no name matches exactly; they find the entries
    // holding the name with one search through every name at once.
    if (exact.isEmpty()) {
        const QStringView all(m_foldedNames);
        const qsizetype length = folded.size();
        int lastEntry = -1;
        bool lastBounded = false;
        const auto settle = [&] {
            if (lastEntry >= 0)
                (lastBounded ? bounded : contained).append(lastEntry);
        };
        for (qsizetype pos = all.indexOf(folded); pos >= 0; pos = all.indexOf(folded, pos + 1)) {
            const int entry = int(std::upper_bound(m_nameStarts.cbegin(), m_nameStarts.cend(), int(pos))
                                  - m_nameStarts.cbegin()) - 1;
            const qsizetype start = m_nameStarts.at(entry);
            const qsizetype end = pos + length;
            const bool left = pos == start || isWordSeparator(all.at(pos - 1));
            const bool right = all.at(end).isNull() || isWordSeparator(all.at(end));
            if (entry != lastEntry) {
                settle();
                lastEntry = entry;
                lastBounded = false;
            }
            lastBounded = lastBounded || (left && right);
        }
        settle();
    }
    if (lcFootprint().isDebugEnabled()) {
        for (const int i : qAsConst(exact))
            qCDebug(lcFootprint) << "  [L1-exact]" << m_index.at(i).absolutePath;
        for (const int i : qAsConst(bounded))
            qCDebug(lcFootprint) << "  [L2-bounded]" << m_index.at(i).absolutePath;
        for (const int i : qAsConst(contained))
            qCDebug(lcFootprint) << "  [L3-contained]" << m_index.at(i).absolutePath;
    }

    struct Level { const char* code; const char* label; const QList<int>* candidates; bool looser; };
    const Level levels[] = {{"L1", "Exact match", &exact, false},
                            {"L2", "Sub-word match", &bounded, true},
                            {"L3", "Partial match", &contained, true}};
    for (const Level& level : levels) {
        const QList<int>& candidates = *level.candidates;
        if (candidates.isEmpty())
            continue;
        const QString first = m_index.at(candidates.first()).absolutePath;
        if (candidates.size() == 1) {
            qCDebug(lcFootprint) << "  ✓" << level.label << "kept:" << first;
        } else {
            qWarning() << "  ⚠" << level.code << "ambiguity for" << name << "—" << candidates.size()
                       << "candidates:";
            for (const int i : candidates)
                qWarning() << "    •" << m_index.at(i).absolutePath;
            qWarning() << "  → First candidate kept:" << first;
        }
        return Lookup{first, int(candidates.size()), level.looser};
    }

    qCDebug(lcFootprint) << "  ✗ No match found for:" << name;
    return Lookup();
}
