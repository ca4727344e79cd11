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
        // Bytes around a reply that are none: a leftover, an acknowledgement, noise.
        Extra,
        Send,
        Flood,
    };
    Kind kind = Kind::Reply;
    std::string bytes;
    std::uint64_t query = 0;
    Nanos pauseAfter = 0;
    // A reply that stops for breath goes out as several chunks; only its first one starts
    // the reply and only its last one ends it.
    bool startsReply = true;
    bool endsReply = true;
};

// Writes queued chunks to the line. With a baud rate, byte k of a burst is written when it
// would have fully arrived over a real wire, measured from absolute deadlines so the rate
// does not drift however late the process wakes up.
class Transmitter
{
public:
    using Started = std::function<void(const Chunk&, Nanos)>;
    using Finished = std::function<void(const Chunk&, Nanos)>;
    using Refill = std::function<bool(Chunk&)>;

    explicit Transmitter(long baud);

    void attach(int fd);
    void push(Chunk chunk);
    std::vector<Chunk> clear();
    void dropKind(Chunk::Kind kind);

    bool idle() const { return m_queue.empty(); }
    bool waitingForRoom() const { return m_blocked; }
    Nanos deadline() const { return m_deadline; }

    // Writes whatever is due at `now`; calls `started` after the first byte of each chunk,
    // `finished` after its last and asks `refill` for more whenever the queue runs dry.
    bool pump(Nanos now, const Started& started, const Finished& finished, const Refill& refill,
              std::string& error);

private:
    Nanos m_charTime = 0;
    int m_fd = -1;
    std::deque<Chunk> m_queue;
    std::size_t m_sent = 0;
    Nanos m_holdUntil = 0;
    Nanos m_wireFree = 0;
    bool m_lineIdle = true;
    bool m_blocked = false;
    Nanos m_deadline = kNoDeadline;
};

} // namespace thermosim
