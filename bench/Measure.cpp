#include "Measure.h"

#include "WaitFor.h"

#include <QFile>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <ctime>
#include <mutex>
#include <pthread.h>
#include <sys/resource.h>
#include <thread>

namespace bench {

qint64 monotonicNs()
{
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

qint64 processCpuNs()
{
    timespec ts{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

ThreadCpuClock::ThreadCpuClock() : m_clock(CLOCK_THREAD_CPUTIME_ID)
{
    pthread_getcpuclockid(pthread_self(), &m_clock);
}

qint64 ThreadCpuClock::nowNs() const
{
    timespec ts{};
    ::clock_gettime(m_clock, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

struct ReadingsLater::State
{
    std::mutex mutex;
    std::condition_variable ended;
    bool ending = false;
    std::vector<Reading> readings;
    std::thread reader;
};

ReadingsLater::ReadingsLater(const ThreadCpuClock& clock, std::vector<int> msAfter)
    : m_state(new State)
{
    const auto start = std::chrono::steady_clock::now();
    m_state->reader = std::thread([this, &clock, start, msAfter] {
        std::unique_lock<std::mutex> lock(m_state->mutex);
        for (const int ms : msAfter) {
            const auto due = start + std::chrono::milliseconds(ms);
            if (m_state->ended.wait_until(lock, due, [this] { return m_state->ending; }))
                return;
            m_state->readings.push_back({clock.nowNs(), processCpuNs(), monotonicNs()});
        }
    });
}

ReadingsLater::~ReadingsLater()
{
    finish();
    delete m_state;
}

std::vector<ReadingsLater::Reading> ReadingsLater::finish()
{
    {
        const std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->ending = true;
    }
    m_state->ended.notify_all();
    if (m_state->reader.joinable())
        m_state->reader.join();
    return m_state->readings;
}

Faults faultsOfThisProcess()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return {usage.ru_minflt, usage.ru_majflt};
}

Memory memoryOfThisProcess()
{
    Memory memory;
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return memory;
    const auto kib = [](const QByteArray& line) {
        return line.mid(line.indexOf(':') + 1).trimmed().split(' ').value(0).toLongLong();
    };
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            memory.residentKiB = kib(line);
        else if (line.startsWith("VmHWM:"))
            memory.peakKiB = kib(line);
    }
    return memory;
}

double median(std::vector<double> values)
{
    if (values.empty())
        return std::nan("");
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return std::nan("");
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<std::size_t>(std::ceil(p / 100.0 * double(values.size())));
    return values[std::clamp<std::size_t>(rank, 1, values.size()) - 1];
}

bool Progress::waitFor(const std::function<bool()>& done, int ms)
{
    return ::waitFor(this, &Progress::changed, done, ms);
}

} // namespace bench
