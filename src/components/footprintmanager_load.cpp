// Footprint library: loading by name, reading .kicad_mod files, built-in and embedded footprints.

#include "components/footprintmanager.h"

#include "components/footprintmanager_parens_p.h"
#include "foundation/fileutils.h"
#include "foundation/logging.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace {

// The largest footprints of KiCad's own library are a few hundred kilobytes; anything far
// beyond is not a footprint and is not worth reading into memory.
constexpr qint64 kMaxFootprintFileBytes = 32 * 1024 * 1024;

struct BuiltinRow
{
    const char* name;
    double padWidth;
    double padHeight;
    double spacing;
    double bodyX;
    double bodyY;
    double bodyHeight;
};

constexpr BuiltinRow kBuiltinRows[] = {
    {"Builtin_0603", 0.8, 0.9, 1.5, 1.6, 0.8, 0.55},
    {"Builtin_0805", 1.0, 1.3, 1.8, 2.0, 1.25, 0.6},
    {"Builtin_1206", 1.1, 1.7, 2.8, 3.2, 1.6, 0.7},
    {"Builtin_1210", 1.1, 2.6, 2.8, 3.2, 2.5, 0.9},
    {"Builtin_1218", 1.1, 4.7, 2.8, 3.2, 4.6, 1.2},
    {"Builtin_1812", 1.4, 3.3, 3.7, 4.5, 3.2, 1.2},
};

// A footprint file is one S-expression opened by "footprint" (KiCad 6 and later) or
// "module" (KiCad 5); anything else is not one.
bool startsAsFootprint(const QString& content)
{
    int i = 0;
    const int n = content.size();
    while (i < n && (content.at(i).isSpace() || content.at(i) == QChar(0xFEFF)))
        ++i;
    const QStringView rest = QStringView(content).mid(i);
    return rest.startsWith(QLatin1String("(footprint")) || rest.startsWith(QLatin1String("(module"));
}

// A truncated file would otherwise load with part of its pads silently missing.
bool hasBalancedParentheses(const QString& content)
{
    FootprintText::ParenDepth parens;
    for (qsizetype i = 0; i < content.size(); ++i) {
        if (parens.step(content, i) && parens.depth < 0)
            return false;
    }
    return parens.depth == 0 && !parens.inString;
}

QString completeBaseName(const QString& path)
{
    return QFileInfo(path).completeBaseName();
}

} // namespace

bool FootprintManager::loadFootprint(const QString& name)
{
    if (m_cache.contains(name)) {
        qCDebug(lcFootprint) << "✓ Footprint already loaded:" << name;
        return true;
    }
    qCDebug(lcFootprint) << "\n=== LOADING FOOTPRINT ===";
    qCDebug(lcFootprint) << "Looking for:" << name;

    const QString path = findFootprintFile(name);
    if (path.isEmpty()) {
        if (generateBuiltinFootprint(name))
            return true;
        qWarning() << "✗ Footprint not found:" << name;
        qCDebug(lcFootprint) << "Paths searched:";
        for (const QString& folder : qAsConst(m_searchPaths))
            qCDebug(lcFootprint) << "  -" << folder;
        return false;
    }

    qCDebug(lcFootprint) << "✓ File found:" << path;
    if (!path.endsWith(QLatin1String(".kicad_mod"), Qt::CaseSensitive)) {
        qWarning() << "✗ Unsupported format" << path << "— only .kicad_mod files are read";
        qCDebug(lcFootprint) << "============================\n";
        return false;
    }

    const bool ok = loadKicadFile(path);
    qCDebug(lcFootprint) << (ok ? "✓" : "✗") << "Load result:" << (ok ? "SUCCESS" : "FAILED");
    qCDebug(lcFootprint) << "============================\n";
    if (ok) {
        // Callers read the cache under the name they asked for, which after a sub-word match
        // or a match in another letter case is not the file's name.
        const QString fileName = completeBaseName(path);
        const Lookup lookup = m_lookups.value(name);
        std::optional<LooserFootprintMatch> looser;
        if (lookup.looser)
            looser = LooserFootprintMatch{QString(), name, fileName, lookup.candidates};
        if (fileName != name)
            cacheFootprint(name, m_cache.value(fileName), looser);
    }
    return ok;
}

void FootprintManager::cacheFootprint(const QString& name, const FootprintData& footprint,
                                      const std::optional<LooserFootprintMatch>& looser)
{
    m_cache.insert(name, footprint);
    if (looser)
        m_looserMatches.insert(name, *looser);
    else
        m_looserMatches.remove(name);
}

std::optional<LooserFootprintMatch> FootprintManager::looserMatch(const QString& name) const
{
    const auto found = m_looserMatches.constFind(name);
    if (found == m_looserMatches.constEnd())
        return std::nullopt;
    return *found;
}

bool FootprintManager::readKicadFile(const QString& filePath)
{
    qCDebug(lcFootprint) << "\n=== LOADING KICAD FILE ===";
    qCDebug(lcFootprint) << "File:" << filePath;

    // Only a regular file, and never past the cap: a link to a device would be read forever.
    const FileReadResult read = FileUtils::readRegularFile(filePath, kMaxFootprintFileBytes);
    if (read.status == FileReadResult::TooLarge) {
        qWarning() << "✗ File too large to be a footprint:" << filePath << "—" << read.errorString;
        return false;
    }
    if (!read.ok()) {
        qWarning() << "✗ Cannot open the file" << filePath << "—" << read.errorString;
        return false;
    }
    // Text mode's line-end conversion, which the parsers expect.
    QString content = QString::fromUtf8(read.data);
    content.remove(QLatin1Char('\r'));
    qCDebug(lcFootprint) << "✓ File read:" << content.size() << "characters";

    if (!startsAsFootprint(content)) {
        qWarning() << "✗ Not a KiCad footprint file (no footprint or module expression):"
                   << filePath;
        return false;
    }
    if (!hasBalancedParentheses(content)) {
        qWarning() << "✗ Malformed footprint file (unbalanced parentheses or quotes, truncated?):"
                   << filePath;
        return false;
    }

    if (lcFootprint().isDebugEnabled()) {
        static const QRegularExpression versionPattern(QStringLiteral("\\(version\\s+(\\d+)\\)"));
        const QRegularExpressionMatch match = versionPattern.match(content);
        const QString version = match.hasMatch() ? match.captured(1) : QStringLiteral("Inconnue");
        qCDebug(lcFootprint) << "Detected format version:" << version;
        qCDebug(lcFootprint) << "\nFile excerpt (first 500 characters):" << content.left(500) << "---";
    }

    FootprintData footprint;
    footprint.name = completeBaseName(filePath);
    footprint.path = filePath;
    footprint.copperPads = parsePads(content);
    footprint.copperTracks = parseTracks(content);
    footprint.zones = parseZones(content);
    qCDebug(lcFootprint) << "\n=== PARSING SUMMARY ===";
    qCDebug(lcFootprint) << "Copper pads:" << footprint.copperPads.size();
    qCDebug(lcFootprint) << "Copper tracks:" << footprint.copperTracks.size();
    qCDebug(lcFootprint) << "Copper zones:" << footprint.zones.size();

    if (!acceptValues(filePath, footprint))
        return false;
    footprint.body = buildFootprintBody(footprint);
    qCDebug(lcFootprint) << "Body:" << (footprint.body.IsNull() ? "✗ NULL" : "✓ OK");

    cacheFootprint(footprint.name, footprint);
    qCDebug(lcFootprint) << "\n✓ Footprint loaded:" << footprint.name;
    qCDebug(lcFootprint) << "================================\n";
    return true;
}

bool FootprintManager::loadFootprintFromFile(const QString& filePath)
{
    if (!QFileInfo(filePath).isFile()) {
        qWarning() << "loadFootprintFromFile: file not found:" << filePath;
        return false;
    }
    if (QFileInfo(filePath).suffix().compare(QLatin1String("kicad_mod"), Qt::CaseInsensitive) != 0) {
        qWarning() << "loadFootprintFromFile: unsupported format:" << filePath;
        return false;
    }
    return loadKicadFile(filePath);
}

TopoDS_Shape FootprintManager::buildFootprintBody(const FootprintData& footprint)
{
    double width = 0.0;
    double length = 0.0;
    bodyDimensions(footprint, width, length);
    return buildBodyBox(footprint, width, length, footprint.bodyHeight, footprint.bodyOffsetZ);
}

void FootprintManager::registerEmbeddedFootprint(const FootprintData& footprint)
{
    if (footprint.name.isEmpty()) {
        qWarning() << "registerEmbeddedFootprint: unnamed footprint, skipped";
        return;
    }
    FootprintData copy = footprint;
    const QString unusable = unusableValue(copy);
    if (unusable.isEmpty()) {
        copy.body = buildFootprintBody(copy);
        m_unusable.remove(copy.name);
    } else {
        qWarning() << "✗ Embedded footprint" << copy.name << "kept but not placed:" << unusable;
        m_unusable.insert(copy.name, unusable);
    }
    cacheFootprint(copy.name, copy);
    qCDebug(lcFootprint) << "✓ Embedded footprint restored:" << copy.name << "("
                         << copy.copperPads.size() << "pads)";
}

bool FootprintManager::generateBuiltinFootprint(const QString& name)
{
    const BuiltinRow* row = nullptr;
    for (const BuiltinRow& candidate : kBuiltinRows) {
        if (name.compare(QLatin1String(candidate.name), Qt::CaseInsensitive) == 0) {
            row = &candidate;
            break;
        }
    }
    if (!row)
        return false;

    FootprintData footprint;
    footprint.name = name;
    footprint.path = name;
    footprint.isBuiltin = true;
    footprint.bodyWidthOverride = row->bodyX;
    footprint.bodyLengthOverride = row->bodyY;
    footprint.bodyHeight = row->bodyHeight;
    for (int i = 0; i < 2; ++i) {
        FootprintPad pad;
        pad.number = QString::number(i + 1);
        pad.posX = (i == 0 ? -0.5 : 0.5) * row->spacing;
        pad.shape = QStringLiteral("rect");
        pad.width = row->padWidth;
        pad.height = row->padHeight;
        pad.layers = QStringLiteral("F.Cu");
        footprint.copperPads.append(pad);
    }
    footprint.body = buildFootprintBody(footprint);
    cacheFootprint(name, footprint);
    qCDebug(lcFootprint) << "✓ Built-in footprint generated:" << name;
    return true;
}
