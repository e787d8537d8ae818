// Work beside the window: the one way the program runs anything on a thread of its own.
//
// A job runs on a helper thread while the thread that waits for it reports on a progress range,
// so that whatever shows the progress stays live. One policy holds for every job:
// - Cancel (a break asked through the waiter's range) sets the job's stop flag. A job that owns
//   every shape and record it reads (Owned) is then left to end alone and the waiter returns at
//   once; a job that reads the caller's data (Shared) is waited for, and must ask the flag (or
//   hand its range to OpenCASCADE) at every step so that the wait stays short.
// - An exception that leaves the job ends it; it is carried to the waiter as a failure, with its
//   text. Running out of memory is a failure of its own kind: inside OutOfMemory::survive the
//   waiter throws std::bad_alloc, so the operation is refused whole.
// - Jobs still running when the program ends are told to stop and waited for (waitForAll), since
//   OpenCASCADE's statics must outlive them.
// When no thread can be had (memory short), the waiter runs the job itself.
#pragma once

#include "foundation/outofmemory.h"

#include <Message_ProgressRange.hxx>
#include <Standard_OutOfMemory.hxx>
#include <Standard_Handle.hxx>

#include <QString>

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

class Message_ProgressIndicator;
class Message_ProgressScope;

namespace Jobs {

// Whether a job reads only what it owns, which decides what Cancel does to it.
enum class Reads
{
    Owned, // left to end alone on Cancel; the waiter returns at once
    Shared // told to stop and waited for
};

enum class Outcome
{
    Done,
    Cancelled,
    Failed,
    OutOfMemory
};

// What a job asks of the one who waits: only whether to stop.
class Stop
{
public:
    Stop();
    // One that is never asked, for work run where nothing could be had beside (no allocation).
    static Stop never() noexcept { return Stop(nullptr); }
    bool requested() const { return m_flag && m_flag->load(); }
    // A range for OpenCASCADE's algorithms: they stop at their next report once stop is asked.
    // It reports nothing, since the window follows the waiter's reports only.
    Message_ProgressRange range() const;
    void request() const
    {
        if (m_flag)
            m_flag->store(true);
    }
    // For work that takes the flag itself.
    const std::atomic<bool>& flag() const;

private:
    explicit Stop(std::nullptr_t) noexcept {}
    std::shared_ptr<std::atomic<bool>> m_flag;
    opencascade::handle<Message_ProgressIndicator> m_indicator;
};

namespace detail {
struct Core;
// Starts body on a helper thread (or keeps it for wait when no thread can be had); null when
// not even that could be allocated.
std::shared_ptr<Core> start(const char* context, Reads reads, bool releaseMemory,
                            std::function<void(const Stop&)> body);
Outcome wait(const std::shared_ptr<Core>& core, const Message_ProgressRange& progress, QString* error);
Outcome wait(const std::shared_ptr<Core>& core, Message_ProgressScope& scope, QString* error);
void leave(const std::shared_ptr<Core>& core);
// Runs body here and now, guarded as a job is.
Outcome runHere(const char* context, const std::function<void()>& body, QString& error);
} // namespace detail

// How a job ended, with what it returned when it ran to its end.
template <typename T>
struct Result
{
    Outcome outcome = Outcome::Failed;
    std::optional<T> value;
    QString error; // the exception's text for Failed

    bool done() const { return outcome == Outcome::Done; }
    // The value of a job that ran to its end; otherwise throws what ended it, for callers inside
    // a guard of their own: std::bad_alloc for memory, std::runtime_error with its text else.
    T take()
    {
        if (outcome == Outcome::OutOfMemory)
            throw std::bad_alloc();
        if (outcome != Outcome::Done || !value)
            throw std::runtime_error(outcome == Outcome::Cancelled ? std::string("cancelled") : error.toStdString());
        return std::move(*value);
    }
};

// One job begun at construction; wait() reports while it runs and gives its result. A job never
// waited for is told to stop at destruction, then waited for (Shared) or left to end (Owned).
// Where nothing can be allocated for it beside, the job runs here in the constructor.
template <typename T>
class Job
{
public:
    Job(const char* context, Reads reads, const std::function<T(const Stop&)>& work, bool releaseMemory = false)
    {
        try {
            m_value = std::make_shared<std::optional<T>>();
            m_core = detail::start(context, reads, releaseMemory,
                                   [value = m_value, work](const Stop& stop) { value->emplace(work(stop)); });
        } catch (const std::bad_alloc&) {
            m_core = nullptr;
        } catch (const Standard_OutOfMemory&) {
            m_core = nullptr;
        }
        if (!m_core) {
            m_here = detail::runHere(context, [this, &work] { m_hereValue.emplace(work(Stop::never())); }, m_error);
            if (m_here == Outcome::OutOfMemory && OutOfMemory::inScope())
                throw std::bad_alloc();
        }
    }
    ~Job() { detail::leave(m_core); }
    Job(const Job&) = delete;
    Job& operator=(const Job&) = delete;

    Result<T> wait(const Message_ProgressRange& progress)
    {
        return finish(m_core ? detail::wait(m_core, progress, &m_error) : m_here);
    }
    Result<T> wait(Message_ProgressScope& scope) { return finish(m_core ? detail::wait(m_core, scope, &m_error) : m_here); }

private:
    Result<T> finish(Outcome outcome)
    {
        Result<T> result;
        result.outcome = outcome;
        result.error = m_error;
        std::optional<T>* value = m_core ? m_value.get() : &m_hereValue;
        if (outcome == Outcome::Done && value && value->has_value())
            result.value = std::move(**value);
        else if (outcome == Outcome::Done)
            result.outcome = Outcome::Failed;
        return result;
    }

    std::shared_ptr<std::optional<T>> m_value;
    std::shared_ptr<detail::Core> m_core;
    QString m_error;
    Outcome m_here = Outcome::Failed;
    std::optional<T> m_hereValue;
};

// Runs work beside, reporting on progress until it ends (or, Owned, until Cancel).
template <typename T>
Result<T> run(const Message_ProgressRange& progress, const char* context, Reads reads,
              const std::function<T(const Stop&)>& work, bool releaseMemory = false)
{
    Job<T> job(context, reads, work, releaseMemory);
    return job.wait(progress);
}

// Runs work, which returns true when it succeeded; true only when it did, ran to its end, and
// neither threw nor was cancelled.
bool succeeded(const Message_ProgressRange& progress, const char* context, Reads reads,
               const std::function<bool(const Stop&)>& work, bool releaseMemory = false);

// Runs work(k) for each k below count on helper threads side by side, while the caller reports on
// progress a share of weight(k) (1 without weights) as each ends. On Cancel the jobs not begun
// are skipped and those running are asked to stop and waited for: work reads the caller's data.
// Done when every job ran; a job's exception is carried as the first failure, the others run on.
Outcome forEach(const Message_ProgressRange& progress, const char* context, size_t count,
                const std::function<void(size_t, const Stop&)>& work,
                const std::function<double(size_t)>& weight = nullptr, QString* error = nullptr);

// Drops the last reference to what work left behind on a thread of its own: a big part's
// topology takes longer to free than a window should freeze.
void release(std::shared_ptr<void> leftovers);

// Tells every job still running to stop and waits for all. Called before main returns.
void waitForAll();

} // namespace Jobs
