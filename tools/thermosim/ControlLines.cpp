// The control lines a test or a user types on standard input, and what each one changes.

#include "Escapes.h"
#include "Events.h"
#include "Simulator.h"
#include "Values.h"

#include <cerrno>
#include <unistd.h>
#include <utility>
#include <vector>

namespace thermosim {
namespace {

std::string commandWord(std::string_view line)
{
    return std::string(line.substr(0, line.find(' ')));
}

} // namespace

void Simulator::readControl()
{
    char buffer[4096];
    const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR)
        return;
    if (got <= 0) {
        m_stop = true;
        return;
    }
    m_controlBuffer.append(buffer, static_cast<std::size_t>(got));
    std::size_t start = 0;
    for (std::size_t end; !m_stop && (end = m_controlBuffer.find('\n', start)) != std::string::npos;
         start = end + 1) {
        std::string_view line(m_controlBuffer.data() + start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (!line.empty())
            onControlLine(line);
    }
    m_controlBuffer.erase(0, start);
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
        if (!m_pty.isOpen())
            return refuse("unplugged");
        const core::Result<std::string> bytes = unescape(argument);
        if (!bytes.ok())
            return refuse(bytes.reason());
        Chunk chunk;
        chunk.kind = Chunk::Kind::Send;
        chunk.bytes = *bytes.value();
        // Acknowledged once written, which is what a test waits for before it reads. Written
        // straight away, so a control line that follows (say, unplug) finds it on the line.
        m_transmitter.push(std::move(chunk));
        pump(monotonicNow());
    } else if (command == "reply") {
        const core::Result<std::string> bytes = unescape(argument);
        if (!bytes.ok())
            return refuse(bytes.reason());
        m_fixedReply =
            bytes.value()->empty() ? std::nullopt : std::optional<std::string>(*bytes.value());
        done();
    } else if (command == "mode") {
        Mode mode = Mode::Normal;
        if (!parseMode(argument, mode))
            return refuse(std::string("expected ") + kExpectedMode);
        m_mode = mode;
        if (m_mode != Mode::Flood && m_flooding) {
            m_flooding = false;
            m_transmitter.dropKind(Chunk::Kind::Flood);
        }
        done();
    } else if (command == "unique") {
        if (!parseSwitch(argument, m_unique))
            return refuse("expected on or off");
        done();
    } else if (command == "pause") {
        const std::size_t between = argument.find(' ');
        std::vector<std::size_t> at;
        long ms = 0;
        if (between == std::string_view::npos ||
            !parsePositions(argument.substr(0, between), kMaxShort, at) ||
            !parseNumber(argument.substr(between + 1), 0, kMaxGapMs, ms))
            return refuse("expected the characters before each pause, " +
                          expectedPositions(kMaxShort) + ", and its length in ms, " +
                          expectedNumber(0, kMaxGapMs));
        m_pauseAt = std::move(at);
        m_pause = ms * kNanosPerMs;
        done();
    } else if (command == "short" || command == "delay") {
        long value = 0;
        const long max = command == "short" ? kMaxShort : kMaxDelayMs;
        if (!parseNumber(argument, 0, max, value))
            return refuse("expected " + expectedNumber(0, max));
        if (command == "short")
            m_shortLength = value;
        else
            m_delay = value * kNanosPerMs;
        done();
    } else if (command == "unplug") {
        if (!m_pty.isOpen())
            return refuse("already unplugged");
        unplug();
        done();
    } else if (command == "plug") {
        if (m_pty.isOpen())
            return refuse("already plugged");
        std::string why;
        if (!plugIn(why))
            return refuse(why);
        done();
    } else if (command == "quit") {
        done();
        m_stop = true;
    } else {
        refuse("unknown command");
    }
}

} // namespace thermosim
