// Copper reader: pads, lines/arcs and zones of a .kicad_mod text.
// No syntax tree: the text is cut into balanced blocks per keyword, and each block is read with a
// few regular expressions. Anything off copper, or missing a value we need, is dropped.

#include "components/footprintmanager.h"

#include "components/footprintmanager_parens_p.h"
#include "foundation/logging.h"

#include <QDebug>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

const char* const kRule = "----------------------------";

// Captured numbers are runs of '-', digits and '.', so they may be junk ("-", "1.2.3") or
// overflow; both read as 0 so that no infinity reaches the geometry.
double toNumber(QStringView text)
{
    const double value = text.toDouble();
    return std::isfinite(value) ? value : 0.0;
}

QPointF capturedPoint(const QRegularExpressionMatch& m)
{
    return QPointF(toNumber(m.capturedView(1)), -toNumber(m.capturedView(2)));
}

QString withoutQuotes(QStringView text)
{
    QString result = text.trimmed().toString();
    result.remove(QLatin1Char('"'));
    return result;
}

struct TrackKind
{
    const char* keyword;
    const char* label;
    bool hasMid;
};

} // namespace

QStringList FootprintManager::extractBlocks(const QString& text, const QString& tag, QList<qsizetype>* starts)
{
    QStringList blocks;
    const qsizetype n = text.size();
    if (n < 1)
        return blocks;

    const QString needle = QLatin1Char('(') + tag;
    const QChar* data = text.constData();
    qsizetype searchPos = 0;

    while (searchPos < n) {
        const qsizetype start = text.indexOf(needle, searchPos, Qt::CaseSensitive);
        if (start < 0)
            return blocks;
        const qsizetype after = start + needle.size();
        if (after >= n)
            return blocks;

        // "(pads", "(pad_to_mask_margin", "(zone_connect" are other keywords.
        const QChar next = data[after];
        if (!next.isSpace() && next != QLatin1Char('"') && next != QLatin1Char('\'')) {
            searchPos = start + 1;
            continue;
        }

        FootprintText::ParenDepth parens;
        qsizetype end = -1;
        for (qsizetype i = start; i < n; ++i) {
            if (parens.step(text, i) && parens.depth == 0) {
                end = i;
                break;
            }
        }

        if (end < 0) {
            qWarning() << "extractBlocks: block (" << tag << "…) not closed at position" << start;
            return blocks;
        }
        blocks.append(text.mid(start, end - start + 1));
        if (starts)
            starts->append(start);
        searchPos = end + 1;
    }
    return blocks;
}

bool FootprintManager::isCopperLayer(const QString& layerText)
{
    static const QRegularExpression copperRx(
        QStringLiteral(R"rx((?:^|\s)(\*\.Cu|F\.Cu|B\.Cu|In(?:[1-9]|[12]\d|30)\.Cu)(?=\s|$))rx"));
    return copperRx.match(layerText).hasMatch();
}

QList<FootprintPad> FootprintManager::parsePads(const QString& content)
{
    static const QRegularExpression numberRx(QStringLiteral(R"rx(\(pad\s+['"]?([^\s'"()]+)['"]?\s)rx"));
    static const QRegularExpression atRx(QStringLiteral(R"rx(\(at\s+([-\d.]+)\s+([-\d.]+)(?:\s+([-\d.]+))?)rx"));
    static const QRegularExpression sizeRx(QStringLiteral(R"rx(\(size\s+([-\d.]+)\s+([-\d.]+)\))rx"));
    static const QRegularExpression shapeRx(
        QStringLiteral(R"rx(\(pad\s+\S+\s+\S+\s+(rect|circle|oval|roundrect|custom)\b)rx"));
    static const QRegularExpression layersRx(QStringLiteral(R"rx(\(layers\s+([^)]{1,200})\))rx"));

    QList<FootprintPad> pads;
    const QStringList blocks = extractBlocks(content, QStringLiteral("pad"));
    qCDebug(lcFootprint()) << "\n--- Parsing copper pads ---";
    qCDebug(lcFootprint()) << "Content size:" << content.size() << "characters";
    qCDebug(lcFootprint()) << "(pad ...) blocks extracted:" << blocks.size();

    int blockNumber = 0;
    for (const QString& block : blocks) {
        ++blockNumber;
        qCDebug(lcFootprint()) << "\nPad" << blockNumber << "(block of" << block.size() << "chars)";

        const QRegularExpressionMatch numberMatch = numberRx.match(block);
        if (!numberMatch.hasMatch()) {
            qCDebug(lcFootprint()) << "  ⚠ Number not found, block skipped";
            continue;
        }

        FootprintPad pad;
        pad.number = numberMatch.capturedView(1).trimmed().toString();
        qCDebug(lcFootprint()) << "  Number:" << pad.number;

        const QRegularExpressionMatch atMatch = atRx.match(block);
        if (atMatch.hasMatch()) {
            pad.posX = toNumber(atMatch.capturedView(1));
            pad.posY = -toNumber(atMatch.capturedView(2));
            if (!atMatch.capturedView(3).isEmpty())
                pad.rotation = toNumber(atMatch.capturedView(3));
            qCDebug(lcFootprint()) << "  Position:" << pad.posX << pad.posY;
            qCDebug(lcFootprint()) << "  Rotation:" << pad.rotation;
        } else {
            qCDebug(lcFootprint()) << "  ⚠ Position not found";
        }

        const QRegularExpressionMatch sizeMatch = sizeRx.match(block);
        if (sizeMatch.hasMatch()) {
            pad.width = toNumber(sizeMatch.capturedView(1));
            pad.height = toNumber(sizeMatch.capturedView(2));
            qCDebug(lcFootprint()) << "  Size:" << pad.width << "x" << pad.height;
        } else {
            qCDebug(lcFootprint()) << "  ⚠ Size not found";
        }

        const QRegularExpressionMatch shapeMatch = shapeRx.match(block);
        pad.shape = shapeMatch.hasMatch() ? shapeMatch.captured(1) : QStringLiteral("rect");
        qCDebug(lcFootprint()) << "  Shape:" << pad.shape;

        const QRegularExpressionMatch layersMatch = layersRx.match(block);
        if (layersMatch.hasMatch()) {
            pad.layers = withoutQuotes(layersMatch.capturedView(1));
            qCDebug(lcFootprint()) << "  Layers:" << pad.layers;
        } else {
            qCDebug(lcFootprint()) << "  ⚠ Layers not found";
        }

        if (isCopperLayer(pad.layers) && !pad.number.isEmpty()) {
            pads.append(pad);
            qCDebug(lcFootprint()) << "  ✓ Copper pad added";
        } else {
            qCDebug(lcFootprint()) << "  ✗ Pad skipped (not copper, or unnumbered)";
        }
    }

    qCDebug(lcFootprint()) << "\n✓ Total copper pads found:" << pads.size();
    qCDebug(lcFootprint()) << kRule;
    return pads;
}

QList<FootprintTrack> FootprintManager::parseTracks(const QString& content)
{
    static const QRegularExpression startRx(QStringLiteral(R"rx(\(start\s+([-\d.]+)\s+([-\d.]+)\))rx"));
    static const QRegularExpression midRx(QStringLiteral(R"rx(\(mid\s+([-\d.]+)\s+([-\d.]+)\))rx"));
    static const QRegularExpression endRx(QStringLiteral(R"rx(\(end\s+([-\d.]+)\s+([-\d.]+)\))rx"));
    static const QRegularExpression widthRx(QStringLiteral(R"rx(\(width\s+([-\d.]+)\))rx"));
    static const QRegularExpression layerRx(QStringLiteral(R"rx(\(layer\s+"?([^")]+)"?\))rx"));

    static const TrackKind kinds[] = {
        {"fp_line", "Line", false},
        {"fp_arc", "Arc", true},
    };

    QList<FootprintTrack> tracks;
    qCDebug(lcFootprint()) << "\n--- Parsing copper tracks (block extraction) ---";

    // Lines and arcs are found kind by kind, then put back in the order of the file.
    struct Found
    {
        qsizetype position;
        const TrackKind* kind;
        QString block;
    };
    std::vector<Found> found;
    for (const TrackKind& kind : kinds) {
        QList<qsizetype> starts;
        const QStringList blocks = extractBlocks(content, QString::fromLatin1(kind.keyword), &starts);
        for (qsizetype i = 0; i < blocks.size(); ++i)
            found.push_back({starts.at(i), &kind, blocks.at(i)});
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const Found& a, const Found& b) { return a.position < b.position; });

    int blockNumber = 0;
    for (const Found& item : found) {
        const TrackKind& kind = *item.kind;
        const QString& block = item.block;
        ++blockNumber;
        const QRegularExpressionMatch layerMatch = layerRx.match(block);
        const QString layer =
            layerMatch.hasMatch() ? layerMatch.capturedView(1).trimmed().toString() : QString();
        qCDebug(lcFootprint()) << kind.label << blockNumber << "on layer:" << layer;
        if (!isCopperLayer(layer))
            continue;

        FootprintTrack track;
        const QRegularExpression* pointRxs[] = {&startRx, kind.hasMid ? &midRx : nullptr, &endRx};
        bool complete = true;
        for (const QRegularExpression* rx : pointRxs) {
            if (!rx)
                continue;
            const QRegularExpressionMatch m = rx->match(block);
            if (!m.hasMatch()) {
                complete = false;
                break;
            }
            track.points.append(capturedPoint(m));
        }
        if (!complete) {
            qCDebug(lcFootprint()) << "  ⚠ copper" << kind.keyword << "without usable points — skipped";
            continue;
        }

        const QRegularExpressionMatch widthMatch = widthRx.match(block);
        track.width = widthMatch.hasMatch() ? toNumber(widthMatch.capturedView(1)) : 0.0;
        track.layer = layer;
        tracks.append(track);
        qCDebug(lcFootprint()) << "  ✓ Copper" << kind.label << "added";
    }

    qCDebug(lcFootprint()) << "✓ Total copper tracks found:" << tracks.size();
    qCDebug(lcFootprint()) << kRule;
    return tracks;
}

QList<FootprintZone> FootprintManager::parseZones(const QString& content)
{
    static const QRegularExpression layersRx(QStringLiteral(R"rx(\(layers?\s+([^)]{1,400})\))rx"));
    static const QRegularExpression xyRx(QStringLiteral(R"rx(\(xy\s+([-\d.]+)\s+([-\d.]+)\))rx"));

    QList<FootprintZone> zones;
    qCDebug(lcFootprint()) << "\n--- Parsing copper zones (block extraction) ---";

    const QStringList blocks = extractBlocks(content, QStringLiteral("zone"));
    int zoneNumber = 0;
    for (const QString& block : blocks) {
        ++zoneNumber;
        const QRegularExpressionMatch layersMatch = layersRx.match(block);
        if (!layersMatch.hasMatch())
            continue;

        const QString layer = withoutQuotes(layersMatch.capturedView(1));
        if (!isCopperLayer(layer)) {
            qCDebug(lcFootprint()) << "Zone" << zoneNumber << "not on copper (" << layer << ") — skipped";
            continue;
        }

        const QStringList polygons = extractBlocks(block, QStringLiteral("polygon"));
        if (polygons.isEmpty()) {
            qCDebug(lcFootprint()) << "Zone" << zoneNumber << "without an outline (polygon) — skipped";
            continue;
        }

        FootprintZone zone;
        QRegularExpressionMatchIterator it = xyRx.globalMatch(polygons.first());
        while (it.hasNext())
            zone.outline.append(capturedPoint(it.next()));

        if (zone.outline.size() < 3) {
            qCDebug(lcFootprint()) << "Zone" << zoneNumber << "degenerate outline (" << zone.outline.size()
                                   << "vertices) — skipped";
            continue;
        }
        zone.layer = layer;
        qCDebug(lcFootprint()) << "  ✓ Copper zone added (" << zone.outline.size() << "vertices, layer" << layer
                               << ")";
        zones.append(zone);
    }

    qCDebug(lcFootprint()) << "✓ Total copper zones found:" << zones.size();
    qCDebug(lcFootprint()) << kRule;
    return zones;
}
