#include "childprocess.h"

#include <cerrno>
#include <csignal>
#include <cstdio>

#include <sys/wait.h>
#include <unistd.h>

namespace TestSupport {

std::string ChildOutcome::describe() const
{
    if (exited)
        return "exited with " + std::to_string(exitCode);
    if (signal != 0)
        return "killed by signal " + std::to_string(signal);
    return "did not start";
}

ChildOutcome runInChild(const std::function<int()>& body)
{
    ChildOutcome outcome;
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0)
        return outcome;
    if (pid == 0) {
        int code = 111;
        try {
            code = body();
        } catch (...) {
            code = 112;
        }
        ::_exit(code);
    }
    int status = 0;
    // No deadline: a slow machine must not fail the test; a hang is CTest's to end.
    while (::waitpid(pid, &status, 0) < 0)
        if (errno != EINTR)
            return outcome;
    if (WIFEXITED(status)) {
        outcome.exited = true;
        outcome.exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        outcome.signal = WTERMSIG(status);
    }
    return outcome;
}

bool setSoftLimit(int resource, rlim_t value)
{
    rlimit limit{};
    if (::getrlimit(resource, &limit) != 0)
        return false;
    if (limit.rlim_max != RLIM_INFINITY && value > limit.rlim_max)
        return false;
    limit.rlim_cur = value;
    return ::setrlimit(resource, &limit) == 0;
}

rlim_t addressSpaceInUse()
{
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (!statm)
        return 0;
    unsigned long pages = 0;
    const int read = std::fscanf(statm, "%lu", &pages);
    std::fclose(statm);
    return read == 1 ? rlim_t(pages) * rlim_t(::sysconf(_SC_PAGESIZE)) : 0;
}

} // namespace TestSupport
