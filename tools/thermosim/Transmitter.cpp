#include "Transmitter.h"

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
        m_charTime = (Nanos{11} * 1000000000 + baud - 1) / baud;
}

void Transmitter::attach(int fd)
{
    m_fd = fd;
    m_blocked = false;
    m_lineIdle = true;
    m_deadline = m_queue.empty() || m_fd < 0 ? kNoDeadline : 0;
}

void Transmitter::push(Chunk chunk)
{
    m_queue.push_back(std::move(chunk));
    if (m_fd >= 0 && !m_blocked)
        m_deadline = std::min(m_deadline, std::max(m_holdUntil, Nanos{0}));
}

std::vector<Chunk> Transmitter::clear()
{
    std::vector<Chunk> dropped(std::make_move_iterator(m_queue.begin()),
                               std::make_move_iterator(m_queue.end()));
    m_queue.clear();
    m_sent = 0;
    m_holdUntil = 0;
    m_lineIdle = true;
    m_blocked = false;
    m_deadline = kNoDeadline;
    return dropped;
}

void Transmitter::dropKind(Chunk::Kind kind)
{
    if (!m_queue.empty() && m_queue.front().kind == kind)
        m_sent = 0;
    m_queue.erase(std::remove_if(m_queue.begin(), m_queue.end(),
                                 [kind](const Chunk& chunk) { return chunk.kind == kind; }),
                  m_queue.end());
    m_deadline = m_queue.empty() ? kNoDeadline : 0;
}

bool Transmitter::pump(Nanos now, const Started& started, const Finished& finished,
                       const Refill& refill, std::string& error)
{
    m_deadline = kNoDeadline;
    m_blocked = false;
    if (m_fd < 0)
        return true;
    for (;;) {
        if (m_queue.empty()) {
            Chunk more;
            if (!refill(more)) {
                m_lineIdle = true;
                return true;
            }
            m_queue.push_back(std::move(more));
        }
        if (now < m_holdUntil) {
            m_deadline = m_holdUntil;
            return true;
        }
        Chunk& front = m_queue.front();
        const std::size_t remaining = front.bytes.size() - m_sent;
        if (remaining > 0) {
            std::size_t allowed = remaining;
            if (m_charTime > 0) {
                if (m_lineIdle) {
                    m_wireFree = now;
                    m_lineIdle = false;
                }
                const Nanos due = (now - m_wireFree) / m_charTime;
                if (due <= 0) {
                    m_deadline = m_wireFree + m_charTime;
                    return true;
                }
                allowed = std::min(remaining, static_cast<std::size_t>(due));
            }
            const ssize_t written = ::write(m_fd, front.bytes.data() + m_sent, allowed);
            if (written < 0) {
                if (errno == EINTR)
                    continue;
                if (errno == EAGAIN || errno == EWOULDBLOCK) {
                    // Waiting for room stalls the simulated wire; it restarts from then.
                    m_blocked = true;
                    m_lineIdle = true;
                    return true;
                }
                error = std::string("write: ") + std::strerror(errno);
                return false;
            }
            if (m_sent == 0 && written > 0)
                started(front, monotonicNow());
            m_sent += static_cast<std::size_t>(written);
            if (m_charTime > 0)
                m_wireFree += written * m_charTime;
            if (static_cast<std::size_t>(written) < allowed) {
                m_blocked = true;
                m_lineIdle = true;
                return true;
            }
            if (m_sent < front.bytes.size())
                continue;
        }
        Chunk done = std::move(front);
        m_queue.pop_front();
        m_sent = 0;
        const Nanos at = monotonicNow();
        if (done.pauseAfter > 0) {
            m_holdUntil = at + done.pauseAfter;
            m_lineIdle = true;
        }
        finished(done, at);
        now = std::max(now, at);
    }
}

} // namespace thermosim
