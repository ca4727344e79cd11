#pragma once

#include <QString>
#include <sys/types.h>
#include <vector>

namespace bench {

// Processes that do nothing but keep a core busy, so a figure meets a machine with more to run
// than it has cores. Each is this harness started again as "uiq-bench --hog"; they end with
// the object, and with the process that started them should it die first.
class CpuHogs
{
public:
    CpuHogs() = default;
    ~CpuHogs();
    CpuHogs(const CpuHogs&) = delete;
    CpuHogs& operator=(const CpuHogs&) = delete;

    // One more than there are cores online.
    static int countForThisMachine();

    bool start(int count);
    // The CPU time the hogs have used so far, in nanoseconds, from /proc.
    qint64 cpuNs() const;
    int count() const { return int(m_pids.size()); }
    void stop();
    QString problem() const { return m_problem; }

private:
    std::vector<pid_t> m_pids;
    QString m_problem;
};

// The body of a hog: spins until killed. Called by main() for "--hog PARENT".
[[noreturn]] void runHog(long parent);

} // namespace bench
