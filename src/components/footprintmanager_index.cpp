// Footprint library: the file index and the three-level name lookup.

#include "components/footprintmanager.h"

#include "foundation/logging.h"

#include <QDirIterator>
#include <QFileInfo>

namespace {

bool isWordSeparator(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('-') || c == QLatin1Char('.')
           || c == QLatin1Char('_');
}

// True when the name occurs in baseName with a separator or an end on both sides.
// Both are case-folded already.
bool occursAsSubWord(const QString& baseName, const QString& name, int firstPos)
{
    const int len = name.size();
    for (int pos = firstPos; pos >= 0; pos = baseName.indexOf(name, pos + 1)) {
        const bool left = pos == 0 || isWordSeparator(baseName.at(pos - 1));
        const int end = pos + len;
        const bool right = end == baseName.size() || isWordSeparator(baseName.at(end));
        if (left && right)
            return true;
    }
    return false;
}

} // namespace

void FootprintManager::buildFootprintIndex()
{
    if (m_indexValid)
        return;

    m_index.clear();
    m_foldedNames.clear();
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
            m_index.append(FootprintIndexEntry{baseName, path});
            m_foldedNames.append(baseName.toCaseFolded());
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

    // Folded once here and once per entry at indexing: the scan then compares plain text.
    const QString folded = name.toCaseFolded();
    QStringList exact, bounded, contained;
    for (int i = 0; i < m_index.size(); ++i) {
        const QString& base = m_foldedNames.at(i);
        const QString& path = m_index.at(i).absolutePath;
        if (base.size() < folded.size())
            continue;
        if (base == folded) {
            qCDebug(lcFootprint) << "  [L1-exact]" << path;
            exact.append(path);
            continue;
        }
        const int pos = base.indexOf(folded);
        if (pos < 0)
            continue;
        if (occursAsSubWord(base, folded, pos)) {
            qCDebug(lcFootprint) << "  [L2-bounded]" << path;
            bounded.append(path);
        } else {
            qCDebug(lcFootprint) << "  [L3-contained]" << path;
            contained.append(path);
        }
    }

    struct Level { const char* code; const char* label; const QStringList* candidates; };
    const Level levels[] = {{"L1", "Exact match", &exact},
                            {"L2", "Sub-word match", &bounded},
                            {"L3", "Partial match", &contained}};
    for (const Level& level : levels) {
        const QStringList& candidates = *level.candidates;
        if (candidates.isEmpty())
            continue;
        if (candidates.size() == 1) {
            qCDebug(lcFootprint) << "  ✓" << level.label << "kept:" << candidates.first();
        } else {
            qWarning() << "  ⚠" << level.code << "ambiguity for" << name << "—" << candidates.size()
                       << "candidates:";
            for (const QString& path : candidates)
                qWarning() << "    •" << path;
            qWarning() << "  → First candidate kept:" << candidates.first();
        }
        return candidates.first();
    }

    qCDebug(lcFootprint) << "  ✗ No match found for:" << name;
    return QString();
}
