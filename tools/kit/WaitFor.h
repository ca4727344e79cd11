#pragma once

#include <QDeadlineTimer>
#include <QSignalSpy>
#include <functional>

// Sleeps in the event loop until done() holds, looking again each time sender emits signal;
// false when ms pass first. Each wake-up comes from the signal itself, so no time is lost to
// polling naps between passes of the loop.
template <typename Sender, typename Signal>
bool waitFor(const Sender* sender, Signal signal, const std::function<bool()>& done, int ms)
{
    QSignalSpy spy(sender, signal);
    const QDeadlineTimer deadline(ms, Qt::PreciseTimer);
    while (!done()) {
        const qint64 left = deadline.remainingTime();
        if (left <= 0)
            return false;
        spy.wait(int(left));
        spy.clear();
    }
    return true;
}
