#pragma once

#include <QObject>
#include <QString>
#include <ctime>
#include <functional>
#include <vector>

namespace bench {

// CLOCK_MONOTONIC in nanoseconds: the clock of the simulator's event lines.
qint64 monotonicNs();
// User plus system time of every thread of this process, in nanoseconds.
qint64 processCpuNs();

// The CPU time of the thread that made it, readable from any other thread without waking
// the one it belongs to.
class ThreadCpuClock
{
public:
    ThreadCpuClock();
    qint64 nowNs() const;

private:
    clockid_t m_clock;
};

// Reads a clock at given moments after it is made, from a thread of its own, so the thread
// being measured is left asleep; ending it early drops the readings not yet due.
class ReadingsLater
{
public:
    struct Reading
    {
        qint64 cpuNs;
        // Every thread of the process, the reading one included.
        qint64 processCpuNs;
        qint64 atNs;
    };
    ReadingsLater(const ThreadCpuClock& clock, std::vector<int> msAfter);
    ~ReadingsLater();
    // Ends the wait and returns the readings taken.
    std::vector<Reading> finish();

private:
    struct State;
    State* m_state;
};

// Page faults of this process so far: minor ones (the page was still in memory) and major
// ones (it had to be read back from disk).
struct Faults
{
    qint64 minor = 0;
    qint64 major = 0;
};
Faults faultsOfThisProcess();

struct Memory
{
    qint64 residentKiB = -1;
    qint64 peakKiB = -1;
};
Memory memoryOfThisProcess();

double median(std::vector<double> values);
// Nearest rank: the smallest value that at least p percent of the values do not exceed.
double percentile(std::vector<double> values, double p);

// What the figures wait on. Slots that change a figure's state call notify(), and a waiter
// sleeps until that signal: QTest::qWaitFor naps between passes of the loop, which would add
// its naps to every latency and CPU figure.
class Progress : public QObject
{
    Q_OBJECT

public:
    void notify() { emit changed(); }
    // True once done() holds; false when ms pass first.
    bool waitFor(const std::function<bool()>& done, int ms);

signals:
    void changed();
};

} // namespace bench
