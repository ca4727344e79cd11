#pragma once

#include "Answer.h"
#include "DeviceLink.h"
#include "Mix.h"
#include "Options.h"
#include "PseudoTerminal.h"
#include "ReplyMaker.h"
#include "Transmitter.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace thermosim {

class Simulator
{
public:
    explicit Simulator(const Options& options);
    int run();

private:
    Simulator(const Options& options, std::uint64_t seed);

    struct PendingAnswer
    {
        Nanos due;
        std::uint64_t query;
        // Settled when the command arrived (the mix); otherwise read from the settings when due.
        std::optional<AnswerShape> shape;
    };

    bool plugIn(std::string& error);
    void unplug();
    void readLine(Nanos now);
    void flushUnexpected();
    void onCommand(Nanos now);
    void answer(const PendingAnswer& pending);
    AnswerShape currentShape() const;
    std::string replyBytes(std::uint64_t query, bool numbered);
    void readControl();
    void onControlLine(std::string_view line);
    void pump(Nanos now);
    Nanos nextDeadline() const;
    void fail(const std::string& what);

    Options m_options;
    PseudoTerminal m_pty;
    DeviceLink m_link;
    Transmitter m_transmitter;
    ReplyMaker m_maker;
    Mix m_mix;

    Mode m_mode;
    std::optional<std::string> m_fixedReply;
    bool m_unique;
    long m_shortLength;
    Nanos m_delay;
    std::vector<std::size_t> m_pauseAt;
    Nanos m_pause;

    std::uint64_t m_queries = 0;
    // In the order the commands came. Only the front is ever due: an answer whose delay was
    // shortened meanwhile waits for the late one ahead of it, as a real device's would.
    std::deque<PendingAnswer> m_pending;
    bool m_flooding = false;
    bool m_lineBroken = false;

    std::string m_unexpected;
    bool m_escapePending = false;
    Nanos m_escapeSince = 0;

    std::string m_controlBuffer;
    bool m_stop = false;
};

} // namespace thermosim
