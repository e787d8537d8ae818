#include "foundation/jobs.h"

#include "foundation/occutils.h"
#include "foundation/outofmemory.h"

#include <Message_ProgressIndicator.hxx>
#include <Message_ProgressScope.hxx>
#include <Standard_Failure.hxx>
#include <Standard_OutOfMemory.hxx>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

namespace {

constexpr std::chrono::milliseconds kReportEvery{20};

class StopIndicator : public Message_ProgressIndicator
{
public:
    explicit StopIndicator(std::shared_ptr<std::atomic<bool>> flag) : m_flag(std::move(flag)) {}
    Standard_Boolean UserBreak() override { return m_flag->load(); }
    void Show(const Message_ProgressScope&, const Standard_Boolean) override {}

private:
    std::shared_ptr<std::atomic<bool>> m_flag;
};

} // namespace

namespace Jobs {

Stop::Stop()
    : m_flag(std::make_shared<std::atomic<bool>>(false))
    , m_indicator(new StopIndicator(m_flag))
{
}

const std::atomic<bool>& Stop::flag() const
{
    static const std::atomic<bool> never{false};
    return m_flag ? *m_flag : never;
}

Message_ProgressRange Stop::range() const
{
    return m_indicator.IsNull() ? Message_ProgressRange() : m_indicator->Start();
}

namespace detail {

struct Core
{
    const char* context = "";
    Reads reads = Reads::Shared;
    bool releaseMemory = false;
    std::function<void(const Stop&)> body;
    Stop stop;

    std::mutex mutex;
    std::condition_variable endedChanged;
    bool ended = false;
    bool ran = false;
    bool threaded = false;
    Outcome outcome = Outcome::Done;
    QString error;
};

namespace {

// Every thread a job ran on: joined once its job ended, and all of them before main returns.
class Registry
{
public:
    ~Registry() { joinAll(); }

    bool add(const std::shared_ptr<Core>& core, const std::function<void()>& run)
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        reapEnded();
        try {
            m_threads.emplace_back(std::thread(run), core);
        } catch (const std::system_error&) {
            return false;
        } catch (const std::bad_alloc&) {
            return false;
        }
        return true;
    }

    void join(const Core* core)
    {
        std::thread thread;
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            const auto it = std::find_if(m_threads.begin(), m_threads.end(),
                                         [core](const auto& entry) { return entry.second.get() == core; });
            if (it == m_threads.end())
                return;
            thread = std::move(it->first);
            m_threads.erase(it);
        }
        if (thread.joinable())
            thread.join();
    }

    void joinAll()
    {
        std::vector<std::pair<std::thread, std::shared_ptr<Core>>> threads;
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            threads.swap(m_threads);
        }
        for (auto& entry : threads)
            entry.second->stop.request();
        for (auto& entry : threads)
            if (entry.first.joinable())
                entry.first.join();
    }

private:
    // Under m_mutex.
    void reapEnded()
    {
        for (auto it = m_threads.begin(); it != m_threads.end();) {
            bool ended = false;
            {
                const std::lock_guard<std::mutex> lock(it->second->mutex);
                ended = it->second->ended;
            }
            if (ended) {
                it->first.join();
                it = m_threads.erase(it);
            } else {
                ++it;
            }
        }
    }

    std::mutex m_mutex;
    std::vector<std::pair<std::thread, std::shared_ptr<Core>>> m_threads;
};

Registry& registry()
{
    static Registry instance;
    return instance;
}

// Runs body, turning whatever it throws into an outcome. The job's own guards (a guarded call,
// an operation that refuses itself for memory) answer first, as they would on the caller's thread.
Outcome runGuarded(const char* context, const std::function<void()>& body, QString& error)
{
    try {
        body();
        return Outcome::Done;
    } catch (const std::bad_alloc&) {
        return Outcome::OutOfMemory;
    } catch (const Standard_OutOfMemory&) {
        return Outcome::OutOfMemory;
    } catch (const Standard_Failure& failure) {
        OccUtils::detail::warnOccFailure(context, failure);
        error = OccUtils::currentExceptionMessage();
    } catch (const std::exception& exception) {
        OccUtils::detail::warnStdException(context, exception);
        error = OccUtils::currentExceptionMessage();
    } catch (...) {
        OccUtils::detail::warnUnknown(context);
        error = OccUtils::currentExceptionMessage();
    }
    return Outcome::Failed;
}

void runCore(Core& core)
{
    QString error;
    const Outcome outcome = runGuarded(core.context, [&core] { core.body(core.stop); }, error);
    // What the job owned is freed here, on its own thread.
    core.body = nullptr;
    if (outcome == Outcome::OutOfMemory)
        OccUtils::detail::noteOutOfMemory(core.context);
    // What the job freed stays in this thread's allocator arena, which no later work reuses.
    if (core.releaseMemory && !core.stop.requested())
        OutOfMemory::releaseFreedMemory();
    const std::lock_guard<std::mutex> lock(core.mutex);
    core.ended = true;
    core.outcome = outcome;
    core.error = error;
    core.endedChanged.notify_all();
}

bool ended(Core& core)
{
    const std::lock_guard<std::mutex> lock(core.mutex);
    return core.ended;
}

bool waitEnded(Core& core, std::chrono::milliseconds longest)
{
    std::unique_lock<std::mutex> lock(core.mutex);
    return core.endedChanged.wait_for(lock, longest, [&core] { return core.ended; });
}

void runHereUnlessRan(Core& core)
{
    if (core.threaded || core.ran)
        return;
    core.ran = true;
    runCore(core);
}

Outcome conclude(const std::shared_ptr<Core>& core, bool stopAsked, QString* error)
{
    registry().join(core.get());
    Outcome outcome;
    {
        const std::lock_guard<std::mutex> lock(core->mutex);
        outcome = core->outcome;
        if (error)
            *error = core->error;
    }
    if (outcome == Outcome::OutOfMemory && OutOfMemory::inScope())
        throw std::bad_alloc();
    if (stopAsked && outcome == Outcome::Done)
        return Outcome::Cancelled;
    return outcome;
}

// Waits for core's end, reporting through report() every few hundredths of a second; broken()
// tells that the user asked to stop.
template <typename Report, typename Broken>
Outcome waitReporting(const std::shared_ptr<Core>& core, Report report, Broken broken, QString* error)
{
    runHereUnlessRan(*core);
    bool stopAsked = false;
    while (!waitEnded(*core, kReportEvery)) {
        if (!stopAsked && broken()) {
            stopAsked = true;
            core->stop.request();
            if (core->reads == Reads::Owned)
                return Outcome::Cancelled; // left to end alone; the registry joins it
        }
        report();
    }
    return conclude(core, stopAsked || broken(), error);
}

} // namespace

std::shared_ptr<Core> start(const char* context, Reads reads, bool releaseMemory, std::function<void(const Stop&)> body)
{
    std::shared_ptr<Core> core;
    try {
        core = std::make_shared<Core>();
    } catch (const std::bad_alloc&) {
        return nullptr; // the caller runs the job itself
    } catch (const Standard_OutOfMemory&) {
        return nullptr;
    }
    core->context = context;
    core->reads = reads;
    core->releaseMemory = releaseMemory;
    core->body = std::move(body);
    // The thread holds the core: an abandoned job still has all it needs.
    core->threaded = registry().add(core, [core] { runCore(*core); });
    return core;
}

Outcome wait(const std::shared_ptr<Core>& core, const Message_ProgressRange& progress, QString* error)
{
    // Its length is unknown: each report takes a share of what is left.
    Message_ProgressScope waiting(progress, nullptr, 1.0, true);
    return waitReporting(core, [&waiting] { waiting.Next(); }, [&waiting] { return waiting.UserBreak(); }, error);
}

Outcome wait(const std::shared_ptr<Core>& core, Message_ProgressScope& scope, QString* error)
{
    return waitReporting(core, [&scope] { scope.Show(); }, [&scope] { return scope.UserBreak(); }, error);
}

Outcome runHere(const char* context, const std::function<void()>& body, QString& error)
{
    return runGuarded(context, body, error);
}

void leave(const std::shared_ptr<Core>& core)
{
    if (!core || !core->threaded || ended(*core)) {
        if (core)
            registry().join(core.get());
        return;
    }
    core->stop.request();
    if (core->reads == Reads::Shared) {
        while (!waitEnded(*core, std::chrono::milliseconds(100))) {
        }
        registry().join(core.get());
    }
}

} // namespace detail

bool succeeded(const Message_ProgressRange& progress, const char* context, Reads reads,
               const std::function<bool(const Stop&)>& work, bool releaseMemory)
{
    const Result<bool> result = run<bool>(progress, context, reads, work, releaseMemory);
    return result.done() && *result.value;
}

Outcome forEach(const Message_ProgressRange& progress, const char* context, size_t count,
                const std::function<void(size_t, const Stop&)>& work, const std::function<double(size_t)>& weight,
                QString* error)
{
    const auto share = [&weight](size_t k) { return weight ? std::max(0.0, weight(k)) : 1.0; };
    double total = 0.0;
    for (size_t k = 0; k < count; ++k)
        total += share(k);
    Message_ProgressScope scope(progress, nullptr, total > 0.0 ? total : 1.0);
    if (count == 0)
        return Outcome::Done;

    struct Shared
    {
        std::mutex mutex;
        std::condition_variable changed;
        std::deque<size_t> ended;
        std::atomic<size_t> next{0};
        std::atomic<size_t> running{0};
        Stop stop;
        Outcome outcome = Outcome::Done;
        QString error;
    } shared;

    const auto one = [&](size_t k) {
        QString failure;
        const Outcome outcome = detail::runGuarded(context, [&] { work(k, shared.stop); }, failure);
        const std::lock_guard<std::mutex> lock(shared.mutex);
        if (outcome != Outcome::Done && shared.outcome == Outcome::Done) {
            shared.outcome = outcome;
            shared.error = failure;
        }
        if (outcome == Outcome::OutOfMemory)
            shared.stop.request(); // the others would only run short too
        shared.ended.push_back(k);
        shared.changed.notify_one();
    };
    const auto loop = [&](const Stop&) {
        for (size_t k = shared.next++; k < count && !shared.stop.requested(); k = shared.next++)
            one(k);
        if (--shared.running == 0 && !shared.stop.requested())
            OutOfMemory::releaseFreedMemory(); // the last helper gives back what they all freed
    };

    const size_t wanted = std::min<size_t>(count, std::max(1U, std::thread::hardware_concurrency()));
    std::vector<std::shared_ptr<detail::Core>> helpers;
    shared.running = wanted;
    for (size_t h = 0; h < wanted; ++h) {
        std::shared_ptr<detail::Core> core;
        try {
            helpers.reserve(wanted);
            core = detail::start(context, Reads::Shared, false, loop);
        } catch (const std::bad_alloc&) {
        } catch (const Standard_OutOfMemory&) {
        }
        if (!core || !core->threaded) {
            shared.running -= wanted - h; // no more threads to be had: those begun share the jobs
            break;
        }
        helpers.push_back(std::move(core));
    }

    bool stopAsked = false;
    size_t reported = 0;
    const auto reportEnded = [&] {
        std::unique_lock<std::mutex> lock(shared.mutex);
        std::deque<size_t> now;
        now.swap(shared.ended);
        lock.unlock();
        for (const size_t k : now)
            scope.Next(share(k));
        reported += now.size();
        return !now.empty();
    };
    if (helpers.empty()) {
        // Not one thread: this one does them all, reporting as each ends.
        for (size_t k = 0; k < count; ++k) {
            if (scope.UserBreak()) {
                stopAsked = true;
                shared.stop.request();
                break;
            }
            one(k);
            reportEnded();
        }
    } else {
        const auto helpersRunning = [&] {
            for (const auto& core : helpers)
                if (!detail::ended(*core))
                    return true;
            return false;
        };
        while (helpersRunning()) {
            {
                std::unique_lock<std::mutex> lock(shared.mutex);
                shared.changed.wait_for(lock, kReportEvery, [&] { return !shared.ended.empty(); });
            }
            if (!reportEnded())
                scope.Show(); // the window keeps painting through a long job
            if (!stopAsked && scope.UserBreak()) {
                stopAsked = true;
                shared.stop.request();
            }
        }
        reportEnded();
        for (const auto& core : helpers) {
            QString ignored;
            detail::conclude(core, false, &ignored);
        }
    }
    if (error)
        *error = shared.error;
    if (shared.outcome == Outcome::OutOfMemory && OutOfMemory::inScope())
        throw std::bad_alloc();
    if (shared.outcome != Outcome::Done)
        return shared.outcome;
    return stopAsked || reported < count ? Outcome::Cancelled : Outcome::Done;
}

void release(std::shared_ptr<void> leftovers)
{
    try {
        auto held = std::make_shared<std::shared_ptr<void>>(std::move(leftovers));
        auto core = detail::start("Jobs::release", Reads::Owned, true, [held](const Stop&) { held->reset(); });
        if (!core || !core->threaded)
            held->reset();
        detail::leave(core);
    } catch (const std::bad_alloc&) {
        leftovers.reset(); // freed here then
    } catch (const Standard_OutOfMemory&) {
        leftovers.reset();
    }
}

void waitForAll()
{
    detail::registry().joinAll();
}

} // namespace Jobs
