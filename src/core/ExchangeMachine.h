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
// A reply is one whole line with the shape of the thermometer's answer (AnswerShape.h): it ends
// at its line end (LF), at once. A shorter line that ends is an acknowledgement and is thrown
// away; a long one out of shape is no reading. Once the thermometer on a line has ended an
// answer with a line end, a line of its that stops is still coming, however long it pauses;
// only a thermometer that has never ended an answer on this line has a reply without a line end
// taken after a long quiet. The command never goes into a line that is talking or that stopped
// inside a line: whatever the line says before it is heard out and thrown away, so no earlier
// answer's tail can become the head of this one's reply.
namespace core {

using ExchangeClock = std::chrono::steady_clock;
using ExchangeTime = ExchangeClock::time_point;

// The measurement command, ESC "M".
inline constexpr std::string_view kMeasureCommand{"\x1b"
                                                  "M"};
// No exchange waits longer than this for the line to fall quiet, nor then for its reply.
inline constexpr std::chrono::milliseconds kReplyDeadline{3000};
// A line that ended has fallen quiet, and the command may go, once nothing more came for this
// long: a USB adapter holds received bytes back for up to 16 ms before it hands them on. A line
// that stopped inside is waited out until its line end, or a whole deadline of silence.
inline constexpr std::chrono::milliseconds kSettleGap{20};
// A thermometer that has never ended an answer with a line end has ended one after this long a
// quiet, once it holds every field: serial adapters and a busy machine pause inside a line for
// tens of milliseconds.
inline constexpr std::chrono::milliseconds kQuietWithoutLineEnd{300};
// After a whole first answer, the one-shot form waits this long for a second one, and no
// longer for a second line that falls silent.
inline constexpr std::chrono::milliseconds kSecondAnswerWait{250};
// A line longer than this without a line end is no reply; the program never holds more.
inline constexpr std::size_t kMaxReplyBytes = 4096;

enum class ExchangeForm
{
    Tick,    // a timer tick: one answer
    OneShot, // the OneShot button: an acknowledgement or a first answer, then the reply
};

enum class ExchangeOutcome
{
    None,       // nothing finished
    Replied,    // `reply` holds the whole answer, without its line end
    NoAnswer,   // the deadline passed and nothing came
    PartAnswer, // the deadline passed with no reply; the longest line heard had `heard` characters
    TooLong,    // the line went on past kMaxReplyBytes without a line end
    Misshapen,  // a whole line of `heard` characters came, but not in the answer's shape
    LineBusy,   // the line never fell quiet, so the command was not sent
    Abandoned,  // the front end gave the exchange up, or the port closed under it
};

// What the front end must do after each call, in this order: (1) arm a call of timeReached()
// at `wakeAt`, replacing any earlier one, or cancel it when `wakeAt` is empty; (2) when
// `outcome` is not None, deliver it for `finishedForm`; (3) when `send` is set, send
// kMeasureCommand. Arming first keeps a request made while the outcome is delivered from having
// its wake-up overwritten.
struct ExchangeStep
{
    ExchangeOutcome outcome = ExchangeOutcome::None;
    ExchangeForm finishedForm = ExchangeForm::Tick;
    std::string reply;
    // Characters, without the line end.
    std::size_t heard = 0;
    // The length of this line's last whole answer, 0 when none came yet.
    std::size_t answerLength = 0;

    bool send = false;

    std::optional<ExchangeTime> wakeAt;
};

// One exchange at a time: a sampling tick asked for while one runs is let go and counted;
// OneShot asked for then is queued (once) and starts as soon as the running exchange ends.
// The front end hands over every byte it reads, when it reads it, and says when bytes wait
// that it has not handed over yet, so the machine knows whether the line talks.
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
    // Bytes wait on the line that will be handed over shortly: the line talks now.
    ExchangeStep bytesWaiting(ExchangeTime now);
    ExchangeStep timeReached(ExchangeTime now);
    // The line failed under the exchange (closed, lost, or the command could not go): it ends
    // as Abandoned, the line starts afresh, and a queued OneShot starts.
    ExchangeStep abandon(ExchangeTime now);
    // The port closes or changes: a running exchange ends as Abandoned, a queued OneShot is
    // dropped, and the next port starts with a fresh line.
    ExchangeStep closeLine(ExchangeTime now);

    bool busy() const { return m_phase != Phase::Idle; }
    long ticksLetGo() const { return m_ticksLetGo; }

private:
    enum class Phase
    {
        Idle,
        Settling,     // the line talks: hear it out before the command goes
        Answer,       // the only answer (sampling) or the first one (one-shot)
        AwaitSecond,  // one-shot: a whole first line came; does a second one follow?
        SecondAnswer, // one-shot: the reply after an acknowledgement or a first line
    };

    ExchangeStep start(ExchangeForm form, ExchangeTime now);
    ExchangeStep sendCommand(ExchangeTime now);
    void take(std::string_view bytes, ExchangeStep& step, ExchangeTime now);
    void lineEnded(std::string line, bool byLineEnd, ExchangeStep& step, ExchangeTime now);
    ExchangeStep advance(ExchangeTime now);
    ExchangeStep finishLate(ExchangeTime now);
    ExchangeStep finish(ExchangeOutcome outcome, std::string reply, std::size_t heard,
                        ExchangeTime now);
    void forgetLine();
    void forgetExchange();
    std::size_t lineLength() const;
    bool quietEndsLine() const;
    bool pastDeadline(ExchangeTime now) const;
    bool awaitsSecondLine() const;
    ExchangeClock::duration quietNeeded() const;
    bool lineQuiet(ExchangeTime now) const;
    std::optional<ExchangeTime> nextWake() const;

    std::chrono::milliseconds m_deadlineAfter;
    Phase m_phase = Phase::Idle;
    ExchangeForm m_form = ExchangeForm::Tick;
    ExchangeTime m_deadline{};
    bool m_oneShotQueued = false;
    long m_ticksLetGo = 0;

    // What is known of the line, in any phase, until the port closes or changes.
    std::optional<ExchangeTime> m_lastHeard;
    bool m_lastEndedLine = true;
    // The thermometer here has ended an answer with a line end, so it ends them all.
    bool m_endsLines = false;
    std::size_t m_answerLength = 0;
    // The front end said bytes wait that it has not handed over yet.
    bool m_bytesWaiting = false;

    // This exchange: the line coming in now, since the last line end, and what came before it.
    std::string m_line;
    std::optional<std::string> m_firstAnswer;
    // The last whole line out of shape, and the longest line too short for a reply, to say
    // what did come.
    std::size_t m_misshapen = 0;
    std::size_t m_longestShortLine = 0;
    ExchangeTime m_awaitSince{};
};

} // namespace core
