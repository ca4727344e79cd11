#pragma once

#include "devicelink.h"
#include "options.h"
#include "pacing.h"
#include "pty.h"
#include "reply.h"

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

namespace thermosim {

class Simulator
{
public:
    explicit Simulator(const Options& options);
    int run();

private:
    struct PendingAnswer
    {
        Nanos due;
        std::uint64_t query;
    };

    bool plugIn(std::string& error);
    void unplug();
    void readLine(Nanos now);
    void flushUnexpected();
    void onCommand(Nanos now);
    void answer(std::uint64_t query);
    void readControl();
    void onControlLine(std::string_view line);
    void pump(Nanos now);
    Nanos nextDeadline() const;
    void fail(const std::string& what);

    Options options_;
    PseudoTerminal pty_;
    DeviceLink link_;
    Transmitter transmitter_;
    ReplyMaker maker_;

    Mode mode_;
    std::optional<std::string> fixedReply_;
    long shortLength_;
    Nanos delay_;

    std::uint64_t queries_ = 0;
    std::deque<PendingAnswer> pending_;
    bool flooding_ = false;
    bool lineBroken_ = false;

    std::string unexpected_;
    bool escapePending_ = false;
    Nanos escapeSince_ = 0;

    std::string controlBuffer_;
    bool stop_ = false;
};

} // namespace thermosim
