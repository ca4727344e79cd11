#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// The command-and-reply exchange with the thermometer, as a machine that is told what happened
// and answers what to do. It reads no line and keeps no timer, so the Qt program, the Windows
// program and the tests drive the very same rules.
//
// A reply is one whole line: it ends at its line end (LF) once it is long enough, at once. A
// shorter line that ends is an acknowledgement and is thrown away. A line that stops without
// a line end is still coming, however long it pauses, unless it is long enough and stays quiet
// for a long while (the measurement exchange allows a reply with no line end at all). The
// command never goes into a line that is talking: whatever the line says before it is heard
// out and thrown away, so no earlier answer's tail can become the head of this one's reply.
namespace core {

using ExchangeClock = std::chrono::steady_clock;
using ExchangeTime = ExchangeClock::time_point;

// The measurement command, ESC "M".
inline constexpr std::string_view kMeasureCommand{"\x1b"
                                                  "M"};
// A sampling tick's reply is a line of at least this many characters...
inline constexpr std::size_t kSamplingThreshold = 51;
// ...and the one-shot form's at least this many.
inline constexpr std::size_t kOneShotThreshold = 50;
// No exchange waits longer than this for the line to fall quiet, nor then for its reply.
inline constexpr std::chrono::milliseconds kReplyDeadline{3000};
// A line that ended has fallen quiet, and the command may go, once nothing more came for this
// long: a USB adapter holds received bytes back for up to 16 ms before it hands them on.
inline constexpr std::chrono::milliseconds kSettleGap{20};
// A line that stops without a line end has ended only after this long a quiet: serial adapters
// and a busy machine pause inside a line for tens of milliseconds, and a reply cut there is
// worth nothing. Only a reply without any line end waits this long.
inline constexpr std::chrono::milliseconds kQuietWithoutLineEnd{300};
// After a whole first answer, the one-shot form waits this long for a second one to start.
inline constexpr std::chrono::milliseconds kSecondAnswerWait{250};
// A line longer than this without a line end is no reply; the program never holds more.
inline constexpr std::size_t kMaxReplyBytes = 4096;

enum class ExchangeForm
{
    Sampling, // a timer tick: one answer
    OneShot,  // the OneShot button: an acknowledgement or a first answer, then the reply
};

enum class ExchangeOutcome
{
    None,       // nothing finished
    Replied,    // `reply` holds the whole reply line
    NoAnswer,   // the deadline passed and nothing came
    PartAnswer, // the deadline passed with no reply; the longest line heard had `heard` characters
    TooLong,    // the line went on past kMaxReplyBytes without a line end
    LineBusy,   // the line never fell quiet, so the command was not sent
    Abandoned,  // the front end gave the exchange up (see abandon())
};

// What the front end must do after each call, in this order: (1) arm a call of timeReached()
// at `wakeAt`, replacing any earlier one, or cancel it when `wakeAt` is empty; (2) when
// `outcome` is not None, deliver it for `finishedForm`; (3) when `send` is set, send
// kMeasureCommand for `sendForm`. Arming first keeps a request made while the outcome is
// delivered from having its wake-up overwritten.
struct ExchangeStep
{
    ExchangeOutcome outcome = ExchangeOutcome::None;
    ExchangeForm finishedForm = ExchangeForm::Sampling;
    std::string reply;
    std::size_t heard = 0;

    bool send = false;
    ExchangeForm sendForm = ExchangeForm::Sampling;

    std::optional<ExchangeTime> wakeAt;
};

// One exchange at a time: a sampling tick asked for while one runs is let go and counted;
// OneShot asked for then is queued (once) and starts as soon as the running exchange ends.
// The front end hands over every byte it reads, when it reads it, and reads what waits on the
// line before each request() and timeReached(), so the machine knows whether the line talks.
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

    // The program is closing: the running exchange and a queued OneShot are dropped.
    void stop();

    bool busy() const { return m_phase != Phase::Idle; }
    long ticksLetGo() const { return m_ticksLetGo; }

private:
    enum class Phase
    {
        Idle,
        Settling,     // the line talks: hear it out before the command goes
        Answer,       // the only answer (sampling) or the first one (one-shot)
        AwaitSecond,  // one-shot: a whole first answer came; does a second one follow?
        SecondAnswer, // one-shot: the reply after an acknowledgement or a first answer
    };

    ExchangeStep start(ExchangeForm form, ExchangeTime now);
    ExchangeStep sendCommand(ExchangeTime now);
    void take(std::string_view bytes, ExchangeStep& step, ExchangeTime now);
    void lineEnded(ExchangeStep& step, ExchangeTime now);
    ExchangeStep advance(ExchangeTime now);
    ExchangeStep finishLate(ExchangeTime now);
    ExchangeStep finish(ExchangeOutcome outcome, std::string reply, ExchangeTime now);
    std::size_t replyThreshold() const;
    ExchangeClock::duration quietNeeded() const;
    bool lineQuiet(ExchangeTime now) const;
    std::optional<ExchangeTime> nextWake() const;

    std::chrono::milliseconds m_deadlineAfter;
    Phase m_phase = Phase::Idle;
    ExchangeForm m_form = ExchangeForm::Sampling;
    ExchangeTime m_deadline{};
    // The last byte heard on the line, in any phase, and whether it ended a line.
    std::optional<ExchangeTime> m_lastHeard;
    bool m_lastEndedLine = true;
    // The line coming in now, since the last line end of this exchange.
    std::string m_line;
    std::string m_firstAnswer;
    // The longest line thrown away as too short for a reply, to say how much did come.
    std::size_t m_longestShortLine = 0;
    ExchangeTime m_awaitSince{};
    bool m_oneShotQueued = false;
    long m_ticksLetGo = 0;
};

} // namespace core
