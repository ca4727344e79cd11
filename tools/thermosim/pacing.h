#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace thermosim {

using Nanos = std::int64_t;
constexpr Nanos kNanosPerMs = 1000000;
constexpr Nanos kNoDeadline = INT64_MAX;

Nanos monotonicNow();
// Returns early when a signal arrives so the caller can look at it.
void sleepUntil(Nanos deadline);

struct Chunk
{
    enum class Kind
    {
        Reply,
        Stale,
        Send,
        Flood,
    };
    Kind kind = Kind::Reply;
    std::string bytes;
    std::uint64_t query = 0;
    Nanos pauseAfter = 0;
};

// Writes queued chunks to the line. With a baud rate, byte k of a burst is written when it
// would have fully arrived over a real wire, measured from absolute deadlines so the rate
// does not drift however late the process wakes up.
class Transmitter
{
public:
    using Finished = std::function<void(const Chunk&, Nanos)>;
    using Refill = std::function<bool(Chunk&)>;

    explicit Transmitter(long baud);

    void attach(int fd);
    void push(Chunk chunk);
    std::vector<Chunk> clear();
    void dropKind(Chunk::Kind kind);

    bool idle() const { return queue_.empty(); }
    bool waitingForRoom() const { return blocked_; }
    Nanos deadline() const { return deadline_; }

    // Writes whatever is due at `now`; calls `finished` after the last byte of each chunk and
    // asks `refill` for more whenever the queue runs dry.
    bool pump(Nanos now, const Finished& finished, const Refill& refill, std::string& error);

private:
    Nanos charTime_ = 0;
    int fd_ = -1;
    std::deque<Chunk> queue_;
    std::size_t sent_ = 0;
    Nanos holdUntil_ = 0;
    Nanos wireFree_ = 0;
    bool lineIdle_ = true;
    bool blocked_ = false;
    Nanos deadline_ = kNoDeadline;
};

} // namespace thermosim
