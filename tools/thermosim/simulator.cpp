#include "simulator.h"

#include "escapes.h"
#include "events.h"

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
// What an acknowledging thermometer sends before its reply: ACK, "OK", CR LF.
constexpr const char* kAcknowledgement = "\x06OK\r\n";

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

std::string commandWord(std::string_view line)
{
    return std::string(line.substr(0, line.find(' ')));
}

} // namespace

Simulator::Simulator(const Options& options)
    : options_(options), transmitter_(options.baud), maker_(options.seed.value_or(freshSeed())),
      mode_(options.mode), shortLength_(options.shortLength), delay_(options.delayMs * kNanosPerMs)
{
    if (options.reply && !options.reply->empty())
        fixedReply_ = options.reply;
}

void Simulator::fail(const std::string& what)
{
    emitEvent("error " + what);
}

bool Simulator::plugIn(std::string& error)
{
    if (!pty_.open(error))
        return false;
    if (link_.enabled() && !link_.pointTo(pty_.slavePath(), error)) {
        pty_.close();
        return false;
    }
    transmitter_.attach(pty_.masterFd());
    lineBroken_ = false;
    emitEvent("device " + pty_.slavePath());
    return true;
}

void Simulator::unplug()
{
    for (const Chunk& chunk : transmitter_.clear()) {
        if (chunk.kind == Chunk::Kind::Send)
            fail("send: unplugged before the bytes went out");
    }
    transmitter_.attach(-1);
    pending_.clear();
    flooding_ = false;
    unexpected_.clear();
    escapePending_ = false;
    // The link stays and leads nowhere, as Wine's comN link does once an adapter is pulled.
    pty_.close();
    emitEvent("unplugged");
}

int Simulator::run()
{
    std::string error;
    if (!installSignalHandlers(error)) {
        fail(error);
        return 1;
    }
    if (!options_.installPrefix.empty() &&
        !link_.configure(options_.installPrefix, options_.com, error)) {
        fail(error);
        return 1;
    }
    if (!plugIn(error)) {
        fail(error);
        return 1;
    }

    while (!stop_) {
        const Nanos now = monotonicNow();
        while (!pending_.empty() && pending_.front().due <= now) {
            const std::uint64_t query = pending_.front().query;
            pending_.pop_front();
            answer(query);
        }
        if (escapePending_ && now - escapeSince_ >= kLoneEscapeWait) {
            escapePending_ = false;
            unexpected_.push_back(kEscape);
            flushUnexpected();
        }
        pump(now);
        if (stop_)
            break;

        std::array<pollfd, 3> fds{};
        nfds_t count = 0;
        fds[count++] = {signalPipe[0], POLLIN, 0};
        const int controlIndex = options_.control ? static_cast<int>(count) : -1;
        if (options_.control)
            fds[count++] = {STDIN_FILENO, POLLIN, 0};
        const int lineIndex = pty_.isOpen() && !lineBroken_ ? static_cast<int>(count) : -1;
        if (lineIndex >= 0) {
            const short events =
                static_cast<short>(POLLIN | (transmitter_.waitingForRoom() ? POLLOUT : 0));
            fds[count++] = {pty_.masterFd(), events, 0};
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
            stop_ = true;
            break;
        }
        if (controlIndex >= 0 && fds[static_cast<std::size_t>(controlIndex)].revents != 0) {
            readControl();
            if (stop_)
                break;
        }
        if (lineIndex >= 0 && pty_.isOpen()) {
            const short revents = fds[static_cast<std::size_t>(lineIndex)].revents;
            if (revents & (POLLIN | POLLHUP | POLLERR))
                readLine(monotonicNow());
        }
    }
    link_.remove();
    return 0;
}

Nanos Simulator::nextDeadline() const
{
    // A broken line is never pumped, so its stale deadline would make poll() spin.
    Nanos deadline = pty_.isOpen() && !lineBroken_ ? transmitter_.deadline() : kNoDeadline;
    if (!pending_.empty())
        deadline = std::min(deadline, pending_.front().due);
    if (escapePending_)
        deadline = std::min(deadline, escapeSince_ + kLoneEscapeWait);
    return deadline;
}

void Simulator::pump(Nanos now)
{
    if (!pty_.isOpen() || lineBroken_)
        return;
    const auto finished = [](const Chunk& chunk, Nanos at) {
        if (chunk.kind == Chunk::Kind::Reply)
            emitEvent("replied " + std::to_string(chunk.query) + " " + std::to_string(at));
        else if (chunk.kind == Chunk::Kind::Send)
            emitEvent("ok send");
    };
    const auto refill = [this](Chunk& chunk) {
        if (!flooding_)
            return false;
        chunk.kind = Chunk::Kind::Flood;
        chunk.bytes = maker_.randomBytes(options_.baud > 0 ? kPacedFloodChunk : kFloodChunk);
        return true;
    };
    std::string error;
    if (!transmitter_.pump(now, finished, refill, error)) {
        // Without this the same failing write would be retried in a tight loop.
        lineBroken_ = true;
        fail(error);
    }
}

void Simulator::readLine(Nanos now)
{
    char buffer[4096];
    const ssize_t got = ::read(pty_.masterFd(), buffer, sizeof buffer);
    if (got < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK))
        return;
    if (got <= 0) {
        // Our own slave descriptor should make this impossible; stop listening rather than
        // spin on a line that keeps reporting hang-up.
        lineBroken_ = true;
        fail(got == 0 ? std::string("read: end of file on the line")
                      : std::string("read: ") + std::strerror(errno));
        return;
    }
    for (ssize_t i = 0; i < got; ++i) {
        const char byte = buffer[i];
        if (escapePending_) {
            escapePending_ = false;
            if (byte == kMeasure) {
                flushUnexpected();
                onCommand(now);
                continue;
            }
            unexpected_.push_back(kEscape);
        }
        if (byte == kEscape) {
            escapePending_ = true;
            escapeSince_ = now;
        } else {
            unexpected_.push_back(byte);
        }
    }
    flushUnexpected();
}

void Simulator::flushUnexpected()
{
    if (unexpected_.empty())
        return;
    emitEvent("unexpected " + hexBytes(unexpected_));
    unexpected_.clear();
}

void Simulator::onCommand(Nanos now)
{
    const std::uint64_t query = ++queries_;
    emitEvent("query " + std::to_string(query) + " " + std::to_string(now));
    if (mode_ == Mode::Flood) {
        flooding_ = true;
        return;
    }
    if (mode_ == Mode::Silent)
        return;
    pending_.push_back({now + delay_, query});
}

void Simulator::answer(std::uint64_t query)
{
    // The mode is looked at again here because a control line may change it during --delay.
    if (mode_ == Mode::Silent || mode_ == Mode::Flood)
        return;
    if (options_.stale) {
        Chunk stale;
        stale.kind = Chunk::Kind::Stale;
        stale.bytes = *options_.stale;
        stale.pauseAfter = options_.staleGapMs * kNanosPerMs;
        transmitter_.push(std::move(stale));
    }
    if (mode_ == Mode::Acknowledge) {
        Chunk acknowledgement;
        acknowledgement.kind = Chunk::Kind::Stale;
        acknowledgement.bytes = kAcknowledgement;
        acknowledgement.pauseAfter = options_.ackGapMs * kNanosPerMs;
        transmitter_.push(std::move(acknowledgement));
    }
    const int copies = mode_ == Mode::Twice ? 2 : 1;
    for (int copy = 0; copy < copies; ++copy) {
        Chunk reply;
        reply.query = query;
        reply.bytes = fixedReply_ ? *fixedReply_ : maker_.next();
        if (mode_ == Mode::Garbage)
            reply.bytes = maker_.randomBytes(reply.bytes.size());
        if (shortLength_ > 0 && reply.bytes.size() > static_cast<std::size_t>(shortLength_))
            reply.bytes.resize(static_cast<std::size_t>(shortLength_));
        if (copy + 1 < copies)
            reply.pauseAfter = options_.twiceGapMs * kNanosPerMs;
        transmitter_.push(std::move(reply));
    }
}

void Simulator::readControl()
{
    char buffer[4096];
    const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR)
        return;
    if (got <= 0) {
        stop_ = true;
        return;
    }
    controlBuffer_.append(buffer, static_cast<std::size_t>(got));
    std::size_t start = 0;
    for (std::size_t end; !stop_ && (end = controlBuffer_.find('\n', start)) != std::string::npos;
         start = end + 1) {
        std::string_view line(controlBuffer_.data() + start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (!line.empty())
            onControlLine(line);
    }
    controlBuffer_.erase(0, start);
}

void Simulator::onControlLine(std::string_view line)
{
    const std::string command = commandWord(line);
    const std::size_t space = line.find(' ');
    const std::string_view argument =
        space == std::string_view::npos ? std::string_view() : line.substr(space + 1);
    const auto refuse = [&](const std::string& why) { fail(command + ": " + why); };
    const auto done = [&] { emitEvent("ok " + command); };

    if (command == "send") {
        if (!pty_.isOpen())
            return refuse("unplugged");
        Chunk chunk;
        chunk.kind = Chunk::Kind::Send;
        std::string why;
        if (!unescape(argument, chunk.bytes, why))
            return refuse(why);
        // Acknowledged once written, which is what a test waits for before it reads. Written
        // straight away, so a control line that follows (say, unplug) finds it on the line.
        transmitter_.push(std::move(chunk));
        pump(monotonicNow());
    } else if (command == "reply") {
        std::string bytes;
        std::string why;
        if (!unescape(argument, bytes, why))
            return refuse(why);
        fixedReply_ = bytes.empty() ? std::nullopt : std::optional<std::string>(bytes);
        done();
    } else if (command == "mode") {
        Mode mode = Mode::Normal;
        if (!parseMode(argument, mode))
            return refuse("expected normal, silent, garbage, flood, twice or acknowledge");
        mode_ = mode;
        if (mode_ != Mode::Flood && flooding_) {
            flooding_ = false;
            transmitter_.dropKind(Chunk::Kind::Flood);
        }
        done();
    } else if (command == "short" || command == "delay") {
        long value = 0;
        const long max = command == "short" ? kMaxShort : kMaxDelayMs;
        if (!parseNumber(argument, 0, max, value))
            return refuse("expected a whole number from 0 to " + std::to_string(max));
        if (command == "short")
            shortLength_ = value;
        else
            delay_ = value * kNanosPerMs;
        done();
    } else if (command == "unplug") {
        if (!pty_.isOpen())
            return refuse("already unplugged");
        unplug();
        done();
    } else if (command == "plug") {
        if (pty_.isOpen())
            return refuse("already plugged");
        std::string why;
        if (!plugIn(why))
            return refuse(why);
        done();
    } else if (command == "quit") {
        done();
        stop_ = true;
    } else {
        refuse("unknown command");
    }
}

} // namespace thermosim
