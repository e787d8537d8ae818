#include "foundation/occutils.h"

#include <Message_ProgressRange.hxx>
#include <Message_ProgressScope.hxx>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

// Jobs left to end alone after a Cancel: joined once done, and all of them before main returns.
class AbandonedJobs
{
public:
    ~AbandonedJobs() { joinAll(); }
    void joinAll()
    {
        std::vector<std::pair<std::thread, std::shared_ptr<std::atomic<bool>>>> jobs;
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            jobs.swap(m_jobs);
        }
        for (auto& job : jobs)
            job.first.join();
    }
    void add(std::thread thread, std::shared_ptr<std::atomic<bool>> done)
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        for (auto it = m_jobs.begin(); it != m_jobs.end();) {
            if (*it->second) {
                it->first.join();
                it = m_jobs.erase(it);
            } else {
                ++it;
            }
        }
        m_jobs.emplace_back(std::move(thread), std::move(done));
    }

private:
    std::mutex m_mutex;
    std::vector<std::pair<std::thread, std::shared_ptr<std::atomic<bool>>>> m_jobs;
};

AbandonedJobs& abandonedJobs()
{
    static AbandonedJobs jobs;
    return jobs;
}

// A thread for work, or none when the system has none to give (memory short: the thread's own
// state is allocated too): the caller then does the work itself rather than ending the program
// on the throw. The work is handed over inside the guard: copying it may allocate as well.
template <typename F>
std::optional<std::thread> threadFor(F&& work)
{
    try {
        return std::thread(std::forward<F>(work));
    } catch (const std::system_error&) {
        return std::nullopt;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

// The helper is waited for however the wait ends: it works on the waiting frame's data.
struct JoinOnExit
{
    std::thread& thread;
    ~JoinOnExit()
    {
        if (thread.joinable())
            thread.join();
    }
};

} // namespace

namespace OccUtils {

void releaseAside(std::shared_ptr<void> leftovers)
{
    AbandonedJobs& abandoned = abandonedJobs();
    auto done = std::make_shared<std::atomic<bool>>(false);
    auto held = std::make_shared<std::shared_ptr<void>>(std::move(leftovers));
    std::optional<std::thread> release = threadFor([held, done] {
        held->reset();
        *done = true;
    });
    if (release)
        abandoned.add(std::move(*release), done);
    else
        held->reset();
}

std::mutex& stepTranslation()
{
    static std::mutex translation;
    return translation;
}

void waitForAbandonedJobs()
{
    abandonedJobs().joinAll();
}

bool runUnlessCancelled(const Message_ProgressRange& progress, const char* context,
                        const std::function<void(const std::atomic<bool>& stop)>& job)
{
    Message_ProgressScope waiting(progress, nullptr, 1.0, true);
    auto stop = std::make_shared<std::atomic<bool>>(false);
    const auto run = [context, job, stop] {
        guardedCall(false, context, [&] {
            job(*stop);
            return true;
        });
    };
    if (!waiting.IsActive()) {
        run();
        return true;
    }
    AbandonedJobs& abandoned = abandonedJobs(); // made before the job's thread: it outlives it
    auto done = std::make_shared<std::atomic<bool>>(false);
    std::optional<std::thread> worker = threadFor([run, done] {
        run();
        *done = true;
    });
    if (!worker) {
        run();
        return true;
    }
    while (!*done) {
        if (waiting.UserBreak()) {
            *stop = true;
            abandoned.add(std::move(*worker), done);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        waiting.Next();
    }
    worker->join();
    return true;
}

bool runReporting(const Message_ProgressRange& progress, const char* context, const std::function<bool()>& job)
{
    if (!progress.IsActive())
        return guardedCall(false, context, job);
    std::atomic<bool> done{false}, broken{false};
    bool succeeded = false;
    std::optional<std::thread> helper = threadFor([&] {
        succeeded = guardedCall(false, context, job);
#if defined(__GLIBC__)
        // What the job freed stays in this thread's allocator arena, which no later work of the
        // caller reuses: a big export would keep the process that much larger for good. The
        // trim takes half a second after a big part, here while the caller keeps reporting
        // (the trim covers every arena). After a Cancel the user waits for the return: the
        // next job's end gives it back.
        if (!broken)
            malloc_trim(0);
#endif
        done = true;
    });
    if (!helper)
        return guardedCall(false, context, job); // without reports meanwhile
    const JoinOnExit joinOnExit{*helper};
    // Its length is unknown: each report takes a share of what is left.
    Message_ProgressScope waiting(progress, nullptr, 1.0, true);
    while (!done) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        waiting.Next();
        if (waiting.UserBreak())
            broken = true;
    }
    helper->join();
    return succeeded;
}

} // namespace OccUtils
