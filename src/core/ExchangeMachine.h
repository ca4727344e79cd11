#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// The command-and-reply exchange with the thermometer, as a machine that is told what happened
// and answers what to do. It reads no line and keeps no timer, so the Qt program, the Windows
// program and the tests drive the very same rules.
namespace core {

using ExchangeClock = std::chrono::steady_clock;
using ExchangeTime = ExchangeClock::time_point;

// The measurement command, ESC "M".
inline constexpr std::string_view kMeasureCommand{"\x1b"
                                                  "M"};
// A sampling tick's reply is long enough once this many characters came.
inline constexpr std::size_t kSamplingThreshold = 51;
// An answer of at least this many characters, shorter than a reply, that falls quiet is an
// acknowledgement and is thrown away; the one-shot form then takes the next answer...
inline constexpr std::size_t kOneShotHeadThreshold = 5;
// ...and a reply it takes is at least this long.
inline constexpr std::size_t kOneShotThreshold = 50;
// No exchange waits longer than this for its reply.
inline constexpr std::chrono::milliseconds kReplyDeadline{3000};
// After the threshold, an answer that ends a line (LF) has ended when the line was quiet this
// long: about two and a half character times at 9600 baud (11 bits, 1.146 ms each), so no
// next character is on its way, yet short enough to hand the reply over within 1.05 times its
// wire time. A late byte after the line end would only be thrown away before the next command.
inline constexpr std::chrono::microseconds kQuietGap{3000};
// An answer that stops inside a line waits longer: a USB adapter holds bytes back for up to
// 16 ms, and a busy machine can keep the line's reader from running for tens of milliseconds;
// a reply cut there, or taken for an acknowledgement, is worth nothing.
inline constexpr std::chrono::milliseconds kQuietGapInsideLine{50};
// After a whole first answer, the one-shot form waits this long for a second one to start.
inline constexpr std::chrono::milliseconds kSecondAnswerWait{250};
// Bytes of one exchange kept at most; a line that floods cannot make the program grow.
inline constexpr std::size_t kMaxReplyBytes = 4096;

enum class ExchangeForm
{
    Sampling, // a timer tick: one answer
    OneShot,  // the OneShot button: an acknowledgement or a first answer, then the reply
};

enum class ExchangeOutcome
{
    None,      // nothing finished
    Replied,   // `reply` holds the whole reply
    TimedOut,  // the deadline passed without a reply
    Abandoned, // the front end gave the exchange up (see abandon())
};

// What the front end must do after each call, in this order: (1) arm a call of timeReached()
// at `wakeAt`, replacing any earlier one, or cancel it when `wakeAt` is empty; (2) when
// `outcome` is not None, deliver it for `finishedForm`; (3) when `send` is set, throw away
// every byte waiting unread on the line, then send kMeasureCommand for `sendForm`. Arming first
// keeps a request made while the outcome is delivered from having its wake-up overwritten.
struct ExchangeStep
{
    ExchangeOutcome outcome = ExchangeOutcome::None;
    ExchangeForm finishedForm = ExchangeForm::Sampling;
    std::string reply;

    bool send = false;
    ExchangeForm sendForm = ExchangeForm::Sampling;

    std::optional<ExchangeTime> wakeAt;
};

// One exchange at a time: a sampling tick asked for while one runs is let go and counted;
// OneShot asked for then is queued (once) and starts as soon as the running exchange ends.
// The front end feeds every byte it reads; bytes that come while no exchange runs are dropped.
class ExchangeMachine
{
public:
    // A deadline other than kReplyDeadline is for tests that must not wait seconds.
    explicit ExchangeMachine(std::chrono::milliseconds deadline = kReplyDeadline)
        : m_deadlineAfter(deadline)
    {
    }

    ExchangeStep request(ExchangeForm form, ExchangeTime now);
    ExchangeStep bytesArrived(std::string_view bytes, ExchangeTime now);
    ExchangeStep timeReached(ExchangeTime now);
    // The front end could not carry the exchange (the line is closed or was lost): it ends as
    // Abandoned, and a queued OneShot starts.
    ExchangeStep abandon(ExchangeTime now);

    bool busy() const { return m_phase != Phase::Idle; }
    ExchangeForm form() const { return m_form; }
    bool oneShotQueued() const { return m_oneShotQueued; }
    long ticksLetGo() const { return m_ticksLetGo; }

private:
    enum class Phase
    {
        Idle,
        Answer,       // the only answer (sampling) or the first one (one-shot)
        AwaitSecond,  // one-shot: a whole first answer came; does a second one follow?
        SecondAnswer, // one-shot: the reply after an acknowledgement or a first answer
    };

    ExchangeStep start(ExchangeForm form, ExchangeTime now);
    ExchangeStep advance(ExchangeTime now);
    ExchangeStep finishLate(ExchangeTime now);
    ExchangeStep finish(ExchangeOutcome outcome, std::string reply, ExchangeTime now);
    std::size_t replyThreshold() const;
    ExchangeClock::duration quietGap() const;
    std::optional<ExchangeTime> nextWake() const;

    std::chrono::milliseconds m_deadlineAfter;
    Phase m_phase = Phase::Idle;
    ExchangeForm m_form = ExchangeForm::Sampling;
    ExchangeTime m_deadline{};
    ExchangeTime m_lastByte{};
    std::string m_answer;
    std::string m_firstAnswer;
    bool m_oneShotQueued = false;
    long m_ticksLetGo = 0;
};

} // namespace core
