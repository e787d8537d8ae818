#include "app/ratsnest.h"

#include "model/netlist.h"
#include "project/netconnectivity.h"

#include <QColor>
#include <QSet>

#include <algorithm>

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

UnionFind::UnionFind(int count) : parent(count), size(count, 1)
{
    for (int i = 0; i < count; ++i)
        parent[i] = i;
}

int UnionFind::addElement()
{
    const int index = int(parent.size());
    parent.push_back(index);
    size.push_back(1);
    return index;
}

int UnionFind::find(int x)
{
    while (parent[x] != x) {
        parent[x] = parent[parent[x]];
        x = parent[x];
    }
    return x;
}

void UnionFind::unite(int a, int b)
{
    const int ra = find(a);
    const int rb = find(b);
    if (ra == rb)
        return;
    if (size[ra] < size[rb]) {
        parent[ra] = rb;
        size[rb] += size[ra];
    } else {
        parent[rb] = ra;
        size[ra] += size[rb];
    }
}

RatsnestResult computeRatsnest(const QList<NetlistNet>& nets, const PadPositionTable& positions,
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
        QList<RatsnestPad> pads;
        QList<int> nodeOf; // node number of each entry of pads
        QHash<PadId, int> nodes;
        QSet<PadId> missing;
        std::vector<RatsnestEdge> edges;
        for (const int netIndex : group.value()) {
            const int start = pads.size();
            for (const PadId& pin : nets.at(netIndex).connectedPins) {
                const auto position = positions.constFind(pin);
                if (position == positions.cend() || position->isEmpty()) {
                    if (onMissing)
                        onMissing(pin);
                    missing.insert(pin);
                    continue;
                }
                const int node = nodes.value(pin, int(nodes.size()));
                nodes.insert(pin, node);
                for (const gp_Pnt& point : position.value()) {
                    pads.append({pin, point});
                    nodeOf.append(node);
                }
            }
            // Every pad of a pin is a way into it: the shortest edge between two pins wins.
            for (int i = start; i < pads.size(); ++i) {
                for (int j = i + 1; j < pads.size(); ++j) {
                    if (nodeOf.at(i) == nodeOf.at(j))
                        continue;
                    const double d = pads.at(i).position.Distance(pads.at(j).position);
                    if (d > kZeroLength)
                        edges.push_back({d, i, j});
                }
            }
        }
        std::sort(edges.begin(), edges.end(),
                  [](const RatsnestEdge& a, const RatsnestEdge& b) { return a.lengthMm < b.lengthMm; });

        // Pads that tracks already join share a track element in T.
        const int n = int(nodes.size());
        UnionFind tracks(n);
        QHash<QString, int> trackElement;
        for (const RatsnestEdge& edge : edges) {
            for (const int index : {edge.first, edge.second}) {
                const QString key = connectivity.groupOf(pads.at(index).pad);
                if (key.isEmpty())
                    continue;
                auto element = trackElement.find(key);
                if (element == trackElement.end())
                    element = trackElement.insert(key, tracks.addElement());
                tracks.unite(nodeOf.at(index), element.value());
            }
        }

        UnionFind plain(n);
        NetRatsnestStats& stats = result.perNet[group.key()];
        stats.missingPins = int(missing.size());
        for (const RatsnestEdge& edge : edges) {
            const int a = nodeOf.at(edge.first);
            const int b = nodeOf.at(edge.second);
            if (plain.find(a) != plain.find(b)) {
                plain.unite(a, b);
                ++result.totalLinks;
                ++stats.totalLinks;
            }
            if (tracks.find(a) != tracks.find(b)) {
                tracks.unite(a, b);
                const RatsnestPad& first = pads.at(edge.first);
                const RatsnestPad& second = pads.at(edge.second);
                result.links.append(
                    {group.key(), first.pad, second.pad, {}, edge.lengthMm, first.position, second.position});
                ++stats.unroutedLinks;
                stats.unroutedLengthMm += edge.lengthMm;
            }
        }
    }
    return result;
}
