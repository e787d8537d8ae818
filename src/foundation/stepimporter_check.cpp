// A scan of the exchange file's entity numbers and references before OpenCASCADE reads it:
// its reader crashes on numbers beyond the int range and on scopes, reads unset memory when a
// number is defined twice, and its transfer recurses without end on an entity that refers back
// to itself. The scan splits the file as that reader does (StepScan), or damage hidden where
// the two disagree would reach it unseen. A text or comment that never closes is damage too:
// the reader goes on past its opening to the end of the file.
#include "foundation/stepimporter.h"
#include "foundation/stepscan.h"

#include <QFile>

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

// The number of an entity on a reference cycle, or 0 when there is none. Iterative, so
// that a long chain of references cannot exhaust the stack here either.
std::int64_t entityOnCycle(const StepScan& scan, const EntityIndex& index)
{
    const std::vector<std::int64_t>& ids = scan.ids();
    const std::vector<size_t>& offsets = scan.offsets();
    const std::vector<std::int64_t>& refs = scan.refs();

    enum : unsigned char { Unvisited, OnPath, Done };
    std::vector<unsigned char> mark(ids.size(), Unvisited);
    std::vector<std::pair<size_t, size_t>> path; // entity, next reference to follow
    for (size_t start = 0; start < ids.size(); ++start) {
        if (mark[start] != Unvisited)
            continue;
        mark[start] = OnPath;
        path.emplace_back(start, offsets[start]);
        while (!path.empty()) {
            auto& [entity, next] = path.back();
            if (next == offsets[entity + 1]) {
                mark[entity] = Done;
                path.pop_back();
                continue;
            }
            const auto target = index.find(refs[next++]);
            if (target == index.end())
                continue; // unresolved: the reader's own checks report it
            if (mark[target->second] == OnPath)
                return ids[target->second];
            if (mark[target->second] == Unvisited) {
                mark[target->second] = OnPath;
                path.emplace_back(target->second, offsets[target->second]);
            }
        }
    }
    return 0;
}

} // namespace

StepFileCheck StepImporter::checkFile(const QString& path, const std::function<bool()>& cancelled)
{
    StepFileCheck check;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        check.sound = true; // the reader reports what cannot be opened
        return check;
    }
    check.readLength = file.size();
    StepScan scan;
    QByteArray block(1 << 20, Qt::Uninitialized);
    bool inRange = true;
    while (inRange && !scan.ended()) {
        if (cancelled && cancelled()) {
            check.cancelled = true;
            return check;
        }
        const qint64 n = file.read(block.data(), block.size());
        if (n <= 0)
            break;
        inRange = scan.feed(block.constData(), size_t(n));
    }
    inRange = inRange && scan.finish();
    if (scan.ended())
        check.readLength = scan.endOffset();
    check.complete = scan.ended();

    if (!inRange) {
        check.reason = tr("The STEP file is damaged: the entity number %1 is out of range.")
                           .arg(QString::fromStdString(scan.badNumber()));
    } else if (scan.unclosed() == StepScan::Open::Comment) {
        check.reason = tr("The STEP file is damaged: the comment opened on line %1 never closes.").arg(scan.unclosedLine());
    } else if (scan.unclosed() == StepScan::Open::Text) {
        check.reason = tr("The STEP file is damaged: the text opened on line %1 never closes.").arg(scan.unclosedLine());
    } else if (scan.scoped()) {
        check.reason = tr("The STEP file uses scopes (&SCOPE), which cannot be read.");
    }
    if (!check.reason.isEmpty())
        return check;
    EntityIndex index;
    if (const std::int64_t twice = indexEntities(scan, index)) {
        check.reason = tr("The STEP file is damaged: the entity number #%1 is defined more than once.").arg(twice);
        return check;
    }
    if (const std::int64_t entity = entityOnCycle(scan, index)) {
        check.reason = tr("The STEP file is damaged: entity #%1 refers back to itself.").arg(entity);
        return check;
    }
    check.sound = true;
    return check;
}
