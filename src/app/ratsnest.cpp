#include "app/ratsnest.h"

#include "app/spanningforest.h"
#include "model/netlist.h"
#include "project/netconnectivity.h"

#include <QColor>
#include <QSet>

namespace {

constexpr double kZeroLength = 1e-7;

} // namespace

QColor ratsnestNetColor(const QString& netName)
{
    const auto has = [&netName](const char* word) { return netName.contains(QLatin1String(word), Qt::CaseInsensitive); };
    if (has("GND") || has("GROUND"))
        return QColor(100, 100, 100);
    if (has("VCC") || has("VDD") || has("POWER"))
        return QColor(255, 100, 100);
    const quint32 hash = quint32(qHash(QStringView(netName), size_t(0)));
    return QColor::fromHsv(int((hash * 137u) % 360u), 200, 255, 255);
}

RatsnestResult computeRatsnest(const QList<NetlistNet>& nets, const PinTable& pins,
                               const NetConnectivity& connectivity,
                               const std::function<void(const PadId&)>& onMissing)
{
    RatsnestResult result;
    QMap<QString, QList<int>> groups;
    for (int i = 0; i < nets.size(); ++i) {
        const NetlistNet& net = nets.at(i);
        if (!net.netName.isEmpty())
            result.perNet.insert(net.netName, NetRatsnestStats());
        if (net.connectedPins.size() >= 2)
            groups[net.netName].append(i);
    }

    for (auto group = groups.cbegin(); group != groups.cend(); ++group) {
        // Nets of one name are one group: a pin they share joins them, nothing else does.
        std::vector<ForestPoint> pads;
        QList<PadId> pinOfNode;
        QHash<PadId, int> nodes;
        QSet<PadId> missing;
        for (int set = 0; set < group.value().size(); ++set) {
            QSet<int> inNet;
            for (const PadId& id : nets.at(group.value().at(set)).connectedPins) {
                const auto pin = pins.constFind(id);
                if (pin == pins.cend() || !pin->isPlaced()) {
                    if (onMissing)
                        onMissing(id);
                    missing.insert(id);
                    continue;
                }
                const int node = nodes.value(id, int(nodes.size()));
                if (node == pinOfNode.size()) {
                    nodes.insert(id, node);
                    pinOfNode.append(id);
                }
                if (!inNet.contains(node)) {
                    inNet.insert(node);
                    for (const PinPad& pad : pin->pads())
                        pads.push_back({pad.position, node, set});
                }
            }
        }
        const std::vector<ForestEdge> forest = minimumSpanningForest(pads, int(pinOfNode.size()), kZeroLength);

        // Pins that tracks already join share a track element; every link of the forest that
        // still joins two apart is one to route.
        UnionFind tracks(int(pinOfNode.size()));
        QHash<QString, int> trackElement;
        for (int node = 0; node < pinOfNode.size(); ++node) {
            const QString key = connectivity.groupOf(pinOfNode.at(node));
            if (key.isEmpty())
                continue;
            auto element = trackElement.find(key);
            if (element == trackElement.end())
                element = trackElement.insert(key, tracks.addElement());
            tracks.unite(node, element.value());
        }
        NetRatsnestStats& stats = result.perNet[group.key()];
        stats.missingPins = int(missing.size());
        stats.totalLinks = int(forest.size());
        result.totalLinks += stats.totalLinks;
        for (const ForestEdge& edge : forest) {
            const ForestPoint& first = pads.at(edge.first);
            const ForestPoint& second = pads.at(edge.second);
            if (!tracks.unite(first.node, second.node))
                continue;
            result.links.append({group.key(), pinOfNode.at(first.node), pinOfNode.at(second.node), {}, edge.length,
                                 first.position, second.position});
            ++stats.unroutedLinks;
            stats.unroutedLengthMm += edge.length;
        }
    }
    return result;
}
