// A scan of the exchange file's entity numbers and references before OpenCASCADE reads it:
// its reader crashes on numbers beyond the int range and on scopes, reads unset memory when a
// number is defined twice, and its transfer recurses without end on an entity that refers back
// to itself, or an assembly or a shape that uses itself. The scan splits the file as that reader does (StepScan), or damage hidden where
// the two disagree would reach it unseen. A text or comment that never closes is damage too:
// the reader goes on past its opening to the end of the file.
#include "foundation/stepimporter.h"
#include "foundation/stepscan.h"

#include <QFile>
#include <QStringList>

#include <algorithm>
#include <string>

#include <unordered_map>
#include <vector>

namespace {

using EntityIndex = std::unordered_map<std::int64_t, size_t>;

// Indexes the entities by number; returns a number defined more than once, or 0. The reader
// keeps one definition of such a number and leaves memory unset for the others.
std::int64_t indexEntities(const StepScan& scan, EntityIndex& index)
{
    const std::vector<std::int64_t>& ids = scan.ids();
    index.reserve(ids.size());
    for (size_t i = 0; i < ids.size(); ++i) {
        if (!index.emplace(ids[i], i).second)
            return ids[i];
    }
    return 0;
}

// An edge the reader's transfer walks that no reference of the source spells out: from an
// assembly to its component, from a product to its shape, from one shape to a related one.
struct WalkEdge
{
    size_t from;
    size_t to;
    size_t via; // the record that makes the edge
};

std::vector<WalkEdge> walkEdges(const StepScan& scan, const EntityIndex& index)
{
    const std::vector<std::int64_t>& refs = scan.refs();
    const std::vector<size_t>& offsets = scan.offsets();
    // The n-th reference of the record's part that gives it its role, as an index; npos if none.
    const auto roleTarget = [&](size_t record, size_t n) -> size_t {
        const size_t at = offsets[record] + scan.roleRef(record) + n;
        if (at >= offsets[record + 1])
            return std::string::npos;
        const auto found = index.find(refs[at]);
        return found == index.end() ? std::string::npos : found->second;
    };
    std::vector<WalkEdge> edges;
    for (size_t i = 0; i + 1 < offsets.size(); ++i) {
        size_t from = std::string::npos;
        size_t to = std::string::npos;
        switch (scan.role(i)) {
        case StepScan::Role::AssemblyUsage:
        case StepScan::Role::RepresentationRelationship:
            from = roleTarget(i, 0);
            to = roleTarget(i, 1);
            break;
        case StepScan::Role::ShapeDefinition: {
            const size_t definition = roleTarget(i, 0);
            if (definition != std::string::npos && scan.role(definition) == StepScan::Role::ProductDefinitionShape)
                from = roleTarget(definition, 0);
            to = roleTarget(i, 1);
            break;
        }
        default:
            break;
        }
        if (from != std::string::npos && to != std::string::npos)
            edges.push_back({from, to, i});
    }
    std::sort(edges.begin(), edges.end(), [](const WalkEdge& a, const WalkEdge& b) { return a.from < b.from; });
    return edges;
}

// The numbers of the entities on a cycle of references or of walked edges (with the records
// that make those edges), in walking order; empty when there is none. Iterative, so that a
// long chain cannot exhaust the stack here either.
std::vector<std::int64_t> entitiesOnCycle(const StepScan& scan, const EntityIndex& index)
{
    const std::vector<std::int64_t>& ids = scan.ids();
    const std::vector<size_t>& offsets = scan.offsets();
    const std::vector<std::int64_t>& refs = scan.refs();
    const std::vector<WalkEdge> edges = walkEdges(scan, index);
    std::vector<size_t> firstEdge(ids.size() + 1, 0);
    for (const WalkEdge& e : edges)
        ++firstEdge[e.from + 1];
    for (size_t i = 0; i < ids.size(); ++i)
        firstEdge[i + 1] += firstEdge[i];

    enum : unsigned char { Unvisited, OnPath, Done };
    std::vector<unsigned char> mark(ids.size(), Unvisited);
    struct Step
    {
        size_t entity;
        size_t nextRef;
        size_t nextEdge;
        size_t via; // the record whose edge led here, or npos for a reference
    };
    std::vector<Step> path;
    for (size_t start = 0; start < ids.size(); ++start) {
        if (mark[start] != Unvisited)
            continue;
        mark[start] = OnPath;
        path.push_back({start, offsets[start], firstEdge[start], std::string::npos});
        while (!path.empty()) {
            Step& top = path.back();
            size_t target = std::string::npos;
            size_t via = std::string::npos;
            if (top.nextRef < offsets[top.entity + 1]) {
                const auto found = index.find(refs[top.nextRef++]);
                if (found == index.end())
                    continue; // unresolved: the reader's own checks report it
                target = found->second;
            } else if (top.nextEdge < firstEdge[top.entity + 1]) {
                target = edges[top.nextEdge].to;
                via = edges[top.nextEdge++].via;
            } else {
                mark[top.entity] = Done;
                path.pop_back();
                continue;
            }
            if (mark[target] == OnPath) {
                std::vector<std::int64_t> cycle;
                size_t from = path.size();
                while (path[--from].entity != target) {
                }
                for (size_t k = from; k < path.size(); ++k) {
                    if (k > from && path[k].via != std::string::npos)
                        cycle.push_back(ids[path[k].via]);
                    cycle.push_back(ids[path[k].entity]);
                }
                if (via != std::string::npos)
                    cycle.push_back(ids[via]);
                return cycle;
            }
            if (mark[target] == Unvisited) {
                mark[target] = OnPath;
                path.push_back({target, offsets[target], firstEdge[target], via});
            }
        }
    }
    return {};
}

// Judges the scanned bytes; inRange as StepScan::feed() and finish() returned.
void judge(const StepScan& scan, bool inRange, StepFileCheck& check)
{
    check.complete = scan.ended();
    if (!inRange) {
        check.fault = StepFileCheck::NumberOutOfRange;
        check.reason = StepImporter::tr("The STEP file is damaged: the entity number %1 is out of range.")
                           .arg(QString::fromStdString(scan.badNumber()));
    } else if (scan.unclosed() == StepScan::Open::Comment) {
        check.fault = StepFileCheck::Unclosed;
        check.reason = StepImporter::tr("The STEP file is damaged: the comment opened on line %1 never closes.").arg(scan.unclosedLine());
    } else if (scan.unclosed() == StepScan::Open::Text) {
        check.fault = StepFileCheck::Unclosed;
        check.reason = StepImporter::tr("The STEP file is damaged: the text opened on line %1 never closes.").arg(scan.unclosedLine());
    } else if (scan.scoped()) {
        check.fault = StepFileCheck::Scope;
        check.reason = StepImporter::tr("The STEP file uses scopes (&SCOPE), which cannot be read.");
    }
    if (check.fault != StepFileCheck::None)
        return;
    EntityIndex index;
    if (const std::int64_t twice = indexEntities(scan, index)) {
        check.fault = StepFileCheck::DefinedTwice;
        check.reason = StepImporter::tr("The STEP file is damaged: the entity number #%1 is defined more than once.").arg(twice);
        return;
    }
    const std::vector<std::int64_t> cycle = entitiesOnCycle(scan, index);
    if (cycle.size() == 1) {
        check.fault = StepFileCheck::Cycle;
        check.reason = StepImporter::tr("The STEP file is damaged: entity #%1 refers back to itself.").arg(cycle.front());
        return;
    }
    if (!cycle.empty()) {
        QStringList names;
        for (const std::int64_t entity : cycle)
            names << QStringLiteral("#%1").arg(entity);
        check.fault = StepFileCheck::Cycle;
        check.reason = StepImporter::tr("The STEP file is damaged: entities %1 lead back to one another in a cycle.")
                           .arg(names.join(QStringLiteral(", ")));
        return;
    }
    check.sound = true;
}

} // namespace

StepFileCheck StepImporter::checkFile(const QString& path, const std::function<bool()>& cancelled)
{
    StepFileCheck check;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        check.fault = StepFileCheck::CannotOpen;
        check.reason = tr("The STEP file cannot be opened: %1").arg(file.errorString());
        return check;
    }
    // The bytes scanned are the bytes the reader gets: a file rewritten after this check
    // cannot reach it unchecked.
    constexpr qint64 kBlock = 1 << 20;
    StepScan scan;
    bool inRange = true;
    while (inRange && !scan.ended()) {
        if (cancelled && cancelled()) {
            check.cancelled = true;
            return check;
        }
        const qsizetype before = check.bytes.size();
        check.bytes.resize(before + kBlock);
        const qint64 n = file.read(check.bytes.data() + before, kBlock);
        check.bytes.resize(before + std::max<qint64>(n, 0));
        if (n <= 0)
            break;
        inRange = scan.feed(check.bytes.constData() + before, size_t(n));
    }
    inRange = inRange && scan.finish();
    if (scan.ended())
        check.bytes.truncate(scan.endOffset());
    check.bytes.squeeze();
    judge(scan, inRange, check);
    return check;
}

StepFileCheck StepImporter::checkBytes(const QByteArray& bytes)
{
    StepFileCheck check;
    StepScan scan;
    const bool inRange = scan.feed(bytes.constData(), size_t(bytes.size())) && scan.finish();
    check.bytes = scan.ended() ? bytes.left(scan.endOffset()) : bytes;
    judge(scan, inRange, check);
    return check;
}
