#include "core/ExchangeMachine.h"

#include "core/AnswerShape.h"
#include "core/ReplyFields.h"

#include <algorithm>
#include <utility>

namespace core {

ExchangeStep ExchangeMachine::request(ExchangeForm form, ExchangeTime now)
{
    if (!busy())
        return start(form, now);
    if (form == ExchangeForm::Tick)
        ++m_ticksLetGo;
    else
        m_oneShotQueued = true;
    ExchangeStep step;
    step.wakeAt = nextWake();
    return step;
}

ExchangeStep ExchangeMachine::bytesArrived(std::string_view bytes, ExchangeTime now)
{
    m_bytesWaiting = false;
    if (bytes.empty())
        return advance(now);
    m_lastHeard = now;
    m_lastEndedLine = bytes.back() == '\n';
    if (m_phase == Phase::Idle || m_phase == Phase::Settling)
        return advance(now);
    ExchangeStep step;
    take(bytes, step, now);
    if (step.outcome != ExchangeOutcome::None)
        return step;
    return advance(now);
}

ExchangeStep ExchangeMachine::bytesWaiting(ExchangeTime now)
{
    m_lastHeard = now;
    m_bytesWaiting = true;
    return advance(now);
}

ExchangeStep ExchangeMachine::timeReached(ExchangeTime now)
{
    return advance(now);
}

ExchangeStep ExchangeMachine::abandon(ExchangeTime now)
{
    forgetLine();
    if (!busy())
        return advance(now);
    return finish(ExchangeOutcome::Abandoned, {}, 0, now);
}

ExchangeStep ExchangeMachine::closeLine(ExchangeTime now)
{
    m_oneShotQueued = false;
    forgetLine();
    if (!busy())
        return {};
    return finish(ExchangeOutcome::Abandoned, {}, 0, now);
}

// Bytes the system already holds at the deadline came in time: the answer is not given up
// before they are handed over, a moment later.
bool ExchangeMachine::pastDeadline(ExchangeTime now) const
{
    return now >= m_deadline && (!m_bytesWaiting || now >= m_deadline + kSettleGap);
}

void ExchangeMachine::forgetLine()
{
    m_bytesWaiting = false;
    m_lastHeard.reset();
    m_lastEndedLine = true;
    m_endsLines = false;
    m_answerLength = 0;
}

void ExchangeMachine::forgetExchange()
{
    m_line.clear();
    m_firstAnswer.reset();
    m_misshapen = 0;
    m_longestShortLine = 0;
}

ExchangeStep ExchangeMachine::start(ExchangeForm form, ExchangeTime now)
{
    m_form = form;
    forgetExchange();
    if (lineQuiet(now))
        return sendCommand(now);
    m_phase = Phase::Settling;
    m_deadline = now + m_deadlineAfter;
    ExchangeStep step;
    step.wakeAt = nextWake();
    return step;
}

ExchangeStep ExchangeMachine::sendCommand(ExchangeTime now)
{
    m_phase = Phase::Answer;
    m_deadline = now + m_deadlineAfter;
    forgetExchange();
    ExchangeStep step;
    step.send = true;
    step.wakeAt = nextWake();
    return step;
}

// Splits what came into lines; bytes after the line that finishes the exchange belong to no
// reply of it.
void ExchangeMachine::take(std::string_view bytes, ExchangeStep& step, ExchangeTime now)
{
    while (!bytes.empty() && step.outcome == ExchangeOutcome::None && busy()) {
        if (m_phase == Phase::AwaitSecond)
            m_phase = Phase::SecondAnswer;
        const std::size_t end = bytes.find('\n');
        const std::size_t count = end == std::string_view::npos ? bytes.size() : end + 1;
        if (count > kMaxReplyBytes - m_line.size()) {
            step = finish(ExchangeOutcome::TooLong, {}, 0, now);
            return;
        }
        m_line.append(bytes.substr(0, count));
        bytes.remove_prefix(count);
        if (end != std::string_view::npos) {
            std::string line = std::exchange(m_line, {});
            line.pop_back();
            lineEnded(std::move(line), true, step, now);
        }
    }
}

// A line is whole, at its line end or after a long quiet: an answer, an acknowledgement to
// throw away, or something out of the answer's shape.
void ExchangeMachine::lineEnded(std::string line, bool byLineEnd, ExchangeStep& step,
                                ExchangeTime now)
{
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    const bool oneShotFirst = m_form == ExchangeForm::OneShot && m_phase == Phase::Answer;
    switch (judgeAnswer(line)) {
    case AnswerShape::Short:
        m_longestShortLine = std::max(m_longestShortLine, line.size());
        if (m_firstAnswer)
            step = finish(ExchangeOutcome::Replied, std::move(*m_firstAnswer), 0, now);
        // The one-shot form takes the line after an acknowledgement as its reply.
        else if (oneShotFirst)
            m_phase = Phase::SecondAnswer;
        return;
    case AnswerShape::Misshapen:
        m_misshapen = line.size();
        if (oneShotFirst) {
            // A second line may still be a whole answer.
            m_phase = Phase::AwaitSecond;
            m_awaitSince = now;
        } else if (m_firstAnswer) {
            step = finish(ExchangeOutcome::Replied, std::move(*m_firstAnswer), 0, now);
        } else {
            step = finish(ExchangeOutcome::Misshapen, {}, m_misshapen, now);
        }
        return;
    case AnswerShape::Whole:
        break;
    }
    if (byLineEnd)
        m_endsLines = true;
    m_answerLength = line.size();
    if (!oneShotFirst) {
        step = finish(ExchangeOutcome::Replied, std::move(line), 0, now);
        return;
    }
    // A whole first answer is kept, in case no second one follows.
    m_firstAnswer = std::move(line);
    m_phase = Phase::AwaitSecond;
    m_awaitSince = now;
}

ExchangeStep ExchangeMachine::advance(ExchangeTime now)
{
    switch (m_phase) {
    case Phase::Idle:
        return {};
    case Phase::Settling:
        if (lineQuiet(now))
            return sendCommand(now);
        if (now >= m_deadline)
            return finish(ExchangeOutcome::LineBusy, {}, 0, now);
        break;
    case Phase::Answer:
    case Phase::SecondAnswer:
        if (quietEndsLine() && now - *m_lastHeard >= kQuietWithoutLineEnd) {
            // A reply with no line end at all, long enough and long quiet: its line has ended.
            m_lastEndedLine = true;
            ExchangeStep step;
            lineEnded(std::exchange(m_line, {}), false, step, now);
            if (step.outcome != ExchangeOutcome::None)
                return step;
        } else if (awaitsSecondLine() && now - *m_lastHeard >= kSecondAnswerWait) {
            // What followed a whole first line fell silent before it was a line: the first
            // stands, rather than wait out the deadline for a stray byte.
            return finishLate(now);
        }
        if (pastDeadline(now))
            return finishLate(now);
        break;
    case Phase::AwaitSecond:
        if (now >= m_deadline || now - m_awaitSince >= kSecondAnswerWait)
            return finishLate(now);
        break;
    }
    ExchangeStep step;
    step.wakeAt = nextWake();
    return step;
}

ExchangeStep ExchangeMachine::finishLate(ExchangeTime now)
{
    if (m_firstAnswer)
        return finish(ExchangeOutcome::Replied, std::move(*m_firstAnswer), 0, now);
    if (m_misshapen > 0)
        return finish(ExchangeOutcome::Misshapen, {}, m_misshapen, now);
    const std::size_t heard = std::max(lineLength(), m_longestShortLine);
    if (heard == 0)
        return finish(ExchangeOutcome::NoAnswer, {}, 0, now);
    return finish(ExchangeOutcome::PartAnswer, {}, heard, now);
}

ExchangeStep ExchangeMachine::finish(ExchangeOutcome outcome, std::string reply, std::size_t heard,
                                     ExchangeTime now)
{
    const ExchangeForm finished = m_form;
    m_phase = Phase::Idle;
    forgetExchange();

    ExchangeStep step;
    if (m_oneShotQueued) {
        m_oneShotQueued = false;
        step = start(ExchangeForm::OneShot, now);
    }
    step.outcome = outcome;
    step.finishedForm = finished;
    step.reply = std::move(reply);
    step.heard = heard;
    step.answerLength = m_answerLength;
    return step;
}

// The line coming in, without a carriage return that may be the start of its line end.
std::size_t ExchangeMachine::lineLength() const
{
    return !m_line.empty() && m_line.back() == '\r' ? m_line.size() - 1 : m_line.size();
}

// Only a thermometer that has never ended an answer with a line end has its line ended by a
// quiet, and only once the line holds every field.
bool ExchangeMachine::quietEndsLine() const
{
    return !m_endsLines && lineLength() >= kWholeFields;
}

// The one-shot form heard a whole first line, and a second one has begun.
bool ExchangeMachine::awaitsSecondLine() const
{
    return m_phase == Phase::SecondAnswer && (m_firstAnswer || m_misshapen > 0) && m_lastHeard;
}

// Bytes that stopped inside a line are an answer still coming, whatever thermometer sent them:
// its line end is waited for, and only a line silent for as long as any reply may take is
// given up. A command sent into it would have the line's tail for the head of its reply.
ExchangeClock::duration ExchangeMachine::quietNeeded() const
{
    return m_lastEndedLine ? ExchangeClock::duration(kSettleGap)
                           : ExchangeClock::duration(m_deadlineAfter);
}

bool ExchangeMachine::lineQuiet(ExchangeTime now) const
{
    return !m_lastHeard || now - *m_lastHeard >= quietNeeded();
}

std::optional<ExchangeTime> ExchangeMachine::nextWake() const
{
    ExchangeTime wake = m_deadline;
    switch (m_phase) {
    case Phase::Idle:
        return std::nullopt;
    case Phase::Settling:
        if (m_lastHeard)
            wake = std::min(wake, *m_lastHeard + quietNeeded());
        break;
    case Phase::Answer:
    case Phase::SecondAnswer:
        if (m_bytesWaiting)
            wake += kSettleGap;
        if (quietEndsLine())
            wake = std::min<ExchangeTime>(wake, *m_lastHeard + kQuietWithoutLineEnd);
        if (awaitsSecondLine())
            wake = std::min<ExchangeTime>(wake, *m_lastHeard + kSecondAnswerWait);
        break;
    case Phase::AwaitSecond:
        wake = std::min<ExchangeTime>(wake, m_awaitSince + kSecondAnswerWait);
        break;
    }
    return wake;
}

} // namespace core
