#include "Simulator.h"

#include "Escapes.h"
#include "Events.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace thermosim {
namespace {

constexpr char kEscape = 0x1b;
constexpr char kMeasure = 'M';
// An ESC at the end of a read may be the first half of a command; only once the second half
// fails to follow is it reported.
constexpr Nanos kLoneEscapeWait = 50 * kNanosPerMs;
constexpr std::size_t kFloodChunk = 4096;
constexpr std::size_t kPacedFloodChunk = 64;

int signalPipe[2] = {-1, -1};

void onSignal(int signal)
{
    const int saved = errno;
    const char byte = static_cast<char>(signal);
    [[maybe_unused]] const ssize_t ignored = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

bool installSignalHandlers(std::string& error)
{
    if (::pipe(signalPipe) != 0) {
        error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    for (const int fd : signalPipe) {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGHUP, &action, nullptr);
    // Events go to a pipe whose reader may be gone; that must not kill the link cleanup.
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGPIPE, &ignore, nullptr);
    return true;
}

std::uint64_t freshSeed()
{
    return static_cast<std::uint64_t>(monotonicNow()) ^
           (static_cast<std::uint64_t>(::getpid()) << 32);
}

} // namespace

Simulator::Simulator(const Options& options)
    : Simulator(options, options.seed.value_or(freshSeed()))
{
}

Simulator::Simulator(const Options& options, std::uint64_t seed)
    : m_options(options), m_transmitter(options.baud), m_maker(seed),
      m_mix(seed, options.mixLateMs), m_mode(options.mode), m_unique(options.unique),
      m_shortLength(options.shortLength), m_delay(options.delayMs * kNanosPerMs),
      m_pauseAt(options.pauseAt), m_pause(options.pauseMs * kNanosPerMs)
{
    if (options.reply && !options.reply->empty())
        m_fixedReply = options.reply;
}

void Simulator::fail(const std::string& what)
{
    emitEvent("error " + what);
}

bool Simulator::plugIn(std::string& error)
{
    if (!m_pty.open(error))
        return false;
    if (m_link.enabled() && !m_link.pointTo(m_pty.slavePath(), error)) {
        m_pty.close();
        return false;
    }
    m_transmitter.attach(m_pty.masterFd());
    m_lineBroken = false;
    emitEvent("device " + m_pty.slavePath());
    return true;
}

void Simulator::unplug()
{
    for (const Chunk& chunk : m_transmitter.clear()) {
        if (chunk.kind == Chunk::Kind::Send)
            fail("send: unplugged before the bytes went out");
    }
    m_transmitter.attach(-1);
    m_pending.clear();
    m_flooding = false;
    m_unexpected.clear();
    m_escapePending = false;
    // The link stays and leads nowhere, as Wine's comN link does once an adapter is pulled.
    m_pty.close();
    emitEvent("unplugged");
}

int Simulator::run()
{
    std::string error;
    if (!installSignalHandlers(error)) {
        fail(error);
        return 1;
    }
    if (!m_options.installPrefix.empty() &&
        !m_link.configure(m_options.installPrefix, m_options.com, error)) {
        fail(error);
        return 1;
    }
    if (!plugIn(error)) {
        fail(error);
        return 1;
    }

    while (!m_stop) {
        const Nanos now = monotonicNow();
        while (!m_pending.empty() && m_pending.front().due <= now) {
            const PendingAnswer pending = std::move(m_pending.front());
            m_pending.pop_front();
            answer(pending);
        }
        if (m_escapePending && now - m_escapeSince >= kLoneEscapeWait) {
            m_escapePending = false;
            m_unexpected.push_back(kEscape);
            flushUnexpected();
        }
        pump(now);
        if (m_stop)
            break;

        std::array<pollfd, 3> fds{};
        nfds_t count = 0;
        fds[count++] = {signalPipe[0], POLLIN, 0};
        const int controlIndex = m_options.control ? static_cast<int>(count) : -1;
        if (m_options.control)
            fds[count++] = {STDIN_FILENO, POLLIN, 0};
        const int lineIndex = m_pty.isOpen() && !m_lineBroken ? static_cast<int>(count) : -1;
        if (lineIndex >= 0) {
            const short events =
                static_cast<short>(POLLIN | (m_transmitter.waitingForRoom() ? POLLOUT : 0));
            fds[count++] = {m_pty.masterFd(), events, 0};
        }

        const Nanos deadline = nextDeadline();
        int timeoutMs = -1;
        bool sleepAfter = false;
        if (deadline != kNoDeadline) {
            const Nanos left = deadline - monotonicNow();
            if (left >= kNanosPerMs) {
                timeoutMs = static_cast<int>(std::min<Nanos>(left / kNanosPerMs, INT_MAX));
            } else {
                // poll() only counts whole milliseconds; the rest of the way is slept to the
                // absolute deadline so paced bytes keep their rate.
                timeoutMs = 0;
                sleepAfter = left > 0;
            }
        }

        const int ready = ::poll(fds.data(), count, timeoutMs);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            fail(std::string("poll: ") + std::strerror(errno));
            return 1;
        }
        if (ready == 0) {
            if (sleepAfter)
                sleepUntil(deadline);
            continue;
        }
        if (fds[0].revents != 0) {
            char drained[16];
            while (::read(signalPipe[0], drained, sizeof drained) > 0) {
            }
            m_stop = true;
            break;
        }
        if (controlIndex >= 0 && fds[static_cast<std::size_t>(controlIndex)].revents != 0) {
            readControl();
            if (m_stop)
                break;
        }
        if (lineIndex >= 0 && m_pty.isOpen()) {
            const short revents = fds[static_cast<std::size_t>(lineIndex)].revents;
            if (revents & (POLLIN | POLLHUP | POLLERR))
                readLine(monotonicNow());
        }
    }
    m_link.remove();
    return 0;
}

Nanos Simulator::nextDeadline() const
{
    // A broken line is never pumped, so its stale deadline would make poll() spin.
    Nanos deadline = m_pty.isOpen() && !m_lineBroken ? m_transmitter.deadline() : kNoDeadline;
    if (!m_pending.empty())
        deadline = std::min(deadline, m_pending.front().due);
    if (m_escapePending)
        deadline = std::min(deadline, m_escapeSince + kLoneEscapeWait);
    return deadline;
}

void Simulator::pump(Nanos now)
{
    if (!m_pty.isOpen() || m_lineBroken)
        return;
    const auto started = [](const Chunk& chunk, Nanos at) {
        if (chunk.kind == Chunk::Kind::Reply && chunk.startsReply)
            emitEvent("replying " + std::to_string(chunk.query) + " " + std::to_string(at));
    };
    const auto finished = [](const Chunk& chunk, Nanos at) {
        if (chunk.kind == Chunk::Kind::Reply && chunk.endsReply)
            emitEvent("replied " + std::to_string(chunk.query) + " " + std::to_string(at));
        else if (chunk.kind == Chunk::Kind::Send)
            emitEvent("ok send");
    };
    const auto refill = [this](Chunk& chunk) {
        if (!m_flooding)
            return false;
        chunk.kind = Chunk::Kind::Flood;
        chunk.bytes = m_maker.randomBytes(m_options.baud > 0 ? kPacedFloodChunk : kFloodChunk);
        return true;
    };
    std::string error;
    if (!m_transmitter.pump(now, started, finished, refill, error)) {
        // Without this the same failing write would be retried in a tight loop.
        m_lineBroken = true;
        fail(error);
    }
}

void Simulator::readLine(Nanos now)
{
    char buffer[4096];
    const ssize_t got = ::read(m_pty.masterFd(), buffer, sizeof buffer);
    if (got < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK))
        return;
    if (got <= 0) {
        // Our own slave descriptor should make this impossible; stop listening rather than
        // spin on a line that keeps reporting hang-up.
        m_lineBroken = true;
        fail(got == 0 ? std::string("read: end of file on the line")
                      : std::string("read: ") + std::strerror(errno));
        return;
    }
    for (ssize_t i = 0; i < got; ++i) {
        const char byte = buffer[i];
        if (m_escapePending) {
            m_escapePending = false;
            if (byte == kMeasure) {
                flushUnexpected();
                onCommand(now);
                continue;
            }
            m_unexpected.push_back(kEscape);
        }
        if (byte == kEscape) {
            m_escapePending = true;
            m_escapeSince = now;
        } else {
            m_unexpected.push_back(byte);
        }
    }
    flushUnexpected();
}

void Simulator::flushUnexpected()
{
    if (m_unexpected.empty())
        return;
    emitEvent("unexpected " + hexBytes(m_unexpected));
    m_unexpected.clear();
}

void Simulator::onCommand(Nanos now)
{
    const std::uint64_t query = ++m_queries;
    emitEvent("query " + std::to_string(query) + " " + std::to_string(now));
    if (m_mode == Mode::Flood) {
        m_flooding = true;
        return;
    }
    if (m_mode == Mode::Silent)
        return;
    if (m_mode != Mode::Mix) {
        m_pending.push_back({now + m_delay, query, std::nullopt});
        return;
    }
    MixPlan plan = m_mix.next();
    emitEvent("mix " + std::to_string(query) + " " + plan.description);
    if (plan.silent)
        return;
    plan.shape.stale = m_options.stale;
    plan.shape.staleGap = m_options.staleGapMs * kNanosPerMs;
    m_pending.push_back({now + m_delay + plan.late, query, std::move(plan.shape)});
}

void Simulator::answer(const PendingAnswer& pending)
{
    // The mode is looked at again here because a control line may change it during --delay.
    if (m_mode == Mode::Silent || m_mode == Mode::Flood)
        return;
    // The mix's answers are always numbered, so a check can match each to its command.
    const bool mixed = pending.shape.has_value();
    const std::uint64_t query = pending.query;
    const auto reply = [this, query, mixed] { return replyBytes(query, mixed); };
    for (Chunk& chunk : answerChunks(mixed ? *pending.shape : currentShape(), query, reply))
        m_transmitter.push(std::move(chunk));
}

AnswerShape Simulator::currentShape() const
{
    AnswerShape shape;
    shape.stale = m_options.stale;
    shape.staleGap = m_options.staleGapMs * kNanosPerMs;
    shape.acknowledge = m_mode == Mode::Acknowledge;
    shape.ackGap = m_options.ackGapMs * kNanosPerMs;
    shape.copies = m_mode == Mode::Twice ? 2 : 1;
    shape.copyGap = m_options.twiceGapMs * kNanosPerMs;
    shape.pauseAt = m_pauseAt;
    shape.pause = m_pause;
    return shape;
}

std::string Simulator::replyBytes(std::uint64_t query, bool numbered)
{
    std::string bytes;
    if (numbered)
        bytes = m_maker.numbered(query);
    else if (m_fixedReply)
        bytes = *m_fixedReply;
    else
        bytes = m_unique ? m_maker.numbered(query) : m_maker.next();
    if (m_mode == Mode::Garbage)
        bytes = m_maker.randomBytes(bytes.size());
    if (m_shortLength > 0 && bytes.size() > static_cast<std::size_t>(m_shortLength))
        bytes.resize(static_cast<std::size_t>(m_shortLength));
    return bytes;
}

} // namespace thermosim
