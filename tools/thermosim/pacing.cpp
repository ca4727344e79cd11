#include "pacing.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <unistd.h>

namespace thermosim {

Nanos monotonicNow()
{
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<Nanos>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

void sleepUntil(Nanos deadline)
{
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(deadline / 1000000000);
    ts.tv_nsec = static_cast<long>(deadline % 1000000000);
    ::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr);
}

Transmitter::Transmitter(long baud)
{
    // 1 start + 8 data + 2 stop bits.
    if (baud > 0)
        charTime_ = (Nanos{11} * 1000000000 + baud - 1) / baud;
}

void Transmitter::attach(int fd)
{
    fd_ = fd;
    blocked_ = false;
    lineIdle_ = true;
    deadline_ = queue_.empty() || fd_ < 0 ? kNoDeadline : 0;
}

void Transmitter::push(Chunk chunk)
{
    queue_.push_back(std::move(chunk));
    if (fd_ >= 0 && !blocked_)
        deadline_ = std::min(deadline_, std::max(holdUntil_, Nanos{0}));
}

std::vector<Chunk> Transmitter::clear()
{
    std::vector<Chunk> dropped(std::make_move_iterator(queue_.begin()),
                               std::make_move_iterator(queue_.end()));
    queue_.clear();
    sent_ = 0;
    holdUntil_ = 0;
    lineIdle_ = true;
    blocked_ = false;
    deadline_ = kNoDeadline;
    return dropped;
}

void Transmitter::dropKind(Chunk::Kind kind)
{
    if (!queue_.empty() && queue_.front().kind == kind)
        sent_ = 0;
    queue_.erase(std::remove_if(queue_.begin(), queue_.end(),
                                [kind](const Chunk& chunk) { return chunk.kind == kind; }),
                 queue_.end());
    deadline_ = queue_.empty() ? kNoDeadline : 0;
}

bool Transmitter::pump(Nanos now, const Finished& finished, const Refill& refill,
                       std::string& error)
{
    deadline_ = kNoDeadline;
    blocked_ = false;
    if (fd_ < 0)
        return true;
    for (;;) {
        if (queue_.empty()) {
            Chunk more;
            if (!refill(more)) {
                lineIdle_ = true;
                return true;
            }
            queue_.push_back(std::move(more));
        }
        if (now < holdUntil_) {
            deadline_ = holdUntil_;
            return true;
        }
        Chunk& front = queue_.front();
        const std::size_t remaining = front.bytes.size() - sent_;
        if (remaining > 0) {
            std::size_t allowed = remaining;
            if (charTime_ > 0) {
                if (lineIdle_) {
                    wireFree_ = now;
                    lineIdle_ = false;
                }
                const Nanos due = (now - wireFree_) / charTime_;
                if (due <= 0) {
                    deadline_ = wireFree_ + charTime_;
                    return true;
                }
                allowed = std::min(remaining, static_cast<std::size_t>(due));
            }
            const ssize_t written = ::write(fd_, front.bytes.data() + sent_, allowed);
            if (written < 0) {
                if (errno == EINTR)
                    continue;
                if (errno == EAGAIN || errno == EWOULDBLOCK) {
                    // Waiting for room stalls the simulated wire; it restarts from then.
                    blocked_ = true;
                    lineIdle_ = true;
                    return true;
                }
                error = std::string("write: ") + std::strerror(errno);
                return false;
            }
            sent_ += static_cast<std::size_t>(written);
            if (charTime_ > 0)
                wireFree_ += written * charTime_;
            if (static_cast<std::size_t>(written) < allowed) {
                blocked_ = true;
                lineIdle_ = true;
                return true;
            }
            if (sent_ < front.bytes.size())
                continue;
        }
        Chunk done = std::move(front);
        queue_.pop_front();
        sent_ = 0;
        const Nanos at = monotonicNow();
        if (done.pauseAfter > 0) {
            holdUntil_ = at + done.pauseAfter;
            lineIdle_ = true;
        }
        finished(done, at);
        now = std::max(now, at);
    }
}

} // namespace thermosim
