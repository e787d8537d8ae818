// A scan of the exchange file's entity numbers and references before OpenCASCADE reads it:
// its reader crashes on numbers beyond the int range and on scopes, reads unset memory when a
// number is defined twice, and its transfer recurses without end on an entity that refers back
// to itself, or an assembly or a shape that uses itself. The scan splits the file as that reader does (StepScan), or damage hidden where
// the two disagree would reach it unseen. A text or comment that never closes is damage too:
// the reader goes on past its opening to the end of the file. References out of a record of a
// type the reader does not know lead nowhere: it holds such a record as words.
#include "foundation/fileutils.h"
#include "foundation/stepimporter.h"
#include "foundation/stepscan.h"

#include <QFile>
#include <QStringList>

#include <RWStepAP214_ReadWriteModule.hxx>
#include <TCollection_AsciiString.hxx>

#include <algorithm>
#include <new>
#include <string>

#include <unordered_map>
#include <vector>

namespace {

// The record types OpenCASCADE's reader knows, by its own table.
bool readerKnowsType(const std::string& type)
{
    static const opencascade::handle<RWStepAP214_ReadWriteModule> module = new RWStepAP214_ReadWriteModule;
    return module->CaseStep(TCollection_AsciiString(type.c_str())) > 0;
}

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
            from = roleTarget(i, 0);
            to = roleTarget(i, 1);
            // Where a product definition is wanted the reader drops a usage.
            if ((from != std::string::npos && scan.usage(from)) || (to != std::string::npos && scan.usage(to)))
                from = std::string::npos;
            break;
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
// The walked edges by the entity they leave: those of i are edges[first[i]] to edges[first[i + 1]].
struct WalkGraph
{
    std::vector<WalkEdge> edges;
    std::vector<size_t> first;
};

WalkGraph walkGraph(const StepScan& scan, const EntityIndex& index)
{
    WalkGraph graph{walkEdges(scan, index), std::vector<size_t>(scan.ids().size() + 1, 0)};
    for (const WalkEdge& e : graph.edges)
        ++graph.first[e.from + 1];
    for (size_t i = 0; i + 1 < graph.first.size(); ++i)
        graph.first[i + 1] += graph.first[i];
    return graph;
}

std::vector<std::int64_t> entitiesOnCycle(const StepScan& scan, const EntityIndex& index, const WalkGraph& graph)
{
    const std::vector<std::int64_t>& ids = scan.ids();
    const std::vector<size_t>& offsets = scan.offsets();
    const std::vector<std::int64_t>& refs = scan.refs();
    const std::vector<WalkEdge>& edges = graph.edges;
    const std::vector<size_t>& firstEdge = graph.first;

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
            if (top.nextRef < offsets[top.entity + 1] && !scan.unknown(top.entity)) {
                const auto found = index.find(refs[top.nextRef++]);
                if (found == index.end())
                    continue; // unresolved: the reader's own checks report it
                if (scan.usage(top.entity) && scan.usage(found->second))
                    continue;
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

// The transfer recurses into an assembly's components, with their placements: 8 MB of stack,
// a thread's usual, overflowed between 3,600 and 4,500 levels. No real assembly comes near this.
constexpr size_t kDeepestAssembly = 1000;
// The reader recurses once per level of a record's lists, on a thread's stack: real files nest
// a few levels, a hostile one overflows the stack in the middle of an allocation.
constexpr int kDeepestList = 1000;

// The longest chain of assemblies and their components, in levels. Iterative; the edges make no
// cycle by now.
size_t deepestAssembly(const StepScan& scan, const WalkGraph& graph)
{
    const size_t count = graph.first.size() - 1;
    const auto usage = [&](const WalkEdge& e) { return scan.role(e.via) == StepScan::Role::AssemblyUsage; };
    std::vector<size_t> depth(count, 0);
    std::vector<unsigned char> done(count, 0);
    std::vector<std::pair<size_t, size_t>> path; // entity, its next edge
    size_t deepest = 0;
    for (size_t start = 0; start < count; ++start) {
        if (done[start])
            continue;
        path.push_back({start, graph.first[start]});
        while (!path.empty()) {
            auto& [entity, next] = path.back();
            if (next < graph.first[entity + 1]) {
                const WalkEdge& e = graph.edges[next++];
                if (usage(e) && !done[e.to])
                    path.push_back({e.to, graph.first[e.to]});
                continue;
            }
            for (size_t e = graph.first[entity]; e < graph.first[entity + 1]; ++e) {
                if (usage(graph.edges[e]))
                    depth[entity] = std::max(depth[entity], 1 + depth[graph.edges[e].to]);
            }
            done[entity] = 1;
            deepest = std::max(deepest, depth[entity]);
            path.pop_back();
        }
    }
    return deepest;
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
    } else if (scan.deepestList() > kDeepestList) {
        check.fault = StepFileCheck::NestedTooDeep;
        check.reason = StepImporter::tr("The STEP file is damaged: a record holds lists nested %1 levels deep, deeper "
                                        "than the reader can follow (%2 at most).")
                           .arg(scan.deepestList())
                           .arg(kDeepestList);
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
    const WalkGraph graph = walkGraph(scan, index);
    const std::vector<std::int64_t> cycle = entitiesOnCycle(scan, index, graph);
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
    if (const size_t levels = deepestAssembly(scan, graph); levels > kDeepestAssembly) {
        check.fault = StepFileCheck::NestedTooDeep;
        check.reason = StepImporter::tr("The STEP file's assembly is nested %1 levels deep, deeper than the reader "
                                        "can follow (%2 at most).")
                           .arg(levels)
                           .arg(kDeepestAssembly);
        return;
    }
    check.sound = true;
}

} // namespace

namespace {

// An exchange opens with "ISO-10303-21;" and "HEADER;", after blanks and comments at most: a file
// that has not by then is no STEP file, and is not read on (a sparse file of gigabytes of zeros).
constexpr qint64 kOpeningWithin = qint64(1) << 20;
constexpr qint64 kBlock = qint64(1) << 20;

StepFileCheck refusal(StepFileCheck::Fault fault, const QString& reason)
{
    StepFileCheck check;
    check.fault = fault;
    check.reason = reason;
    return check;
}

} // namespace

StepFileCheck StepImporter::checkFile(const QString& path, const std::function<bool()>& cancelled)
{
    QFile file;
    const OpenedFile opened = FileUtils::openRegularFile(path, file);
    switch (opened.status) {
    case OpenedFile::Missing:
        return refusal(StepFileCheck::Missing, tr("The STEP file does not exist: %1").arg(path));
    case OpenedFile::NotRegularFile: // a pipe or a device would be read for ever, a folder not at all
        return refusal(StepFileCheck::NotRegularFile, tr("The STEP file is not a regular file: %1").arg(path));
    case OpenedFile::OpenFailed:
        return refusal(StepFileCheck::CannotOpen, tr("The STEP file cannot be opened: %1").arg(opened.errorString));
    default:
        break;
    }
    if (opened.size == 0)
        return refusal(StepFileCheck::Empty, tr("The STEP file is empty: %1").arg(path));

    // The bytes scanned are the bytes the reader gets: a file rewritten after this check
    // cannot reach it unchecked. What the file grows by after it was opened is not read.
    StepFileCheck check;
    StepScan scan(readerKnowsType);
    const auto notStep = [&] {
        StepFileCheck refused = refusal(StepFileCheck::NotStep, tr("The file is not a readable STEP file: %1").arg(path));
        refused.bytesRead = check.bytesRead;
        return refused;
    };
    bool inRange = true;
    while (inRange && !scan.ended() && check.bytesRead < opened.size) {
        if (cancelled && cancelled()) {
            check.cancelled = true;
            return check;
        }
        if (scan.hopeless() || (!scan.opened() && check.bytesRead >= kOpeningWithin))
            return notStep();
        const qint64 wanted = std::min(kBlock, opened.size - check.bytesRead);
        const qsizetype before = check.bytes.size();
        try {
            if (check.bytes.capacity() < before + wanted)
                check.bytes.reserve(qsizetype(std::min(opened.size, std::max<qint64>(2 * check.bytes.capacity(), before + wanted))));
            check.bytes.resize(before + wanted);
        } catch (const std::bad_alloc&) {
            return refusal(StepFileCheck::TooLarge,
                           tr("The STEP file is too large for the memory available: %1 MB.").arg(opened.size >> 20));
        }
        const qint64 n = file.read(check.bytes.data() + before, wanted);
        check.bytes.resize(before + std::max<qint64>(n, 0));
        if (n <= 0)
            break;
        check.bytesRead += n;
        inRange = scan.feed(check.bytes.constData() + before, size_t(n));
    }
    inRange = inRange && scan.finish();
    if (inRange && (scan.hopeless() || !scan.opened()))
        return notStep();
    if (scan.ended())
        check.bytes.truncate(scan.endOffset());
    check.bytes.squeeze();
    judge(scan, inRange, check);
    return check;
}

StepFileCheck StepImporter::checkBytes(const QByteArray& bytes)
{
    StepFileCheck check;
    StepScan scan(readerKnowsType);
    const bool inRange = scan.feed(bytes.constData(), size_t(bytes.size())) && scan.finish();
    if (inRange && (scan.hopeless() || !scan.opened())) {
        check = refusal(StepFileCheck::NotStep, tr("The file is not a readable STEP file: %1").arg(QString()));
        check.bytes = bytes;
        return check;
    }
    check.bytes = scan.ended() ? bytes.left(scan.endOffset()) : bytes;
    judge(scan, inRange, check);
    return check;
}
