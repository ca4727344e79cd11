#include "core/ExchangeMachine.h"

#include <algorithm>
#include <utility>

namespace core {

ExchangeStep ExchangeMachine::request(ExchangeForm form, ExchangeTime now)
{
    if (!busy())
        return start(form, now);
    if (form == ExchangeForm::Sampling)
        ++m_ticksLetGo;
    else
        m_oneShotQueued = true;
    ExchangeStep step;
    step.wakeAt = nextWake();
    return step;
}

ExchangeStep ExchangeMachine::bytesArrived(std::string_view bytes, ExchangeTime now)
{
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

ExchangeStep ExchangeMachine::timeReached(ExchangeTime now)
{
    return advance(now);
}

ExchangeStep ExchangeMachine::abandon(ExchangeTime now)
{
    if (!busy())
        return advance(now);
    return finish(ExchangeOutcome::Abandoned, {}, now);
}

void ExchangeMachine::stop()
{
    m_phase = Phase::Idle;
    m_oneShotQueued = false;
    m_line.clear();
    m_firstAnswer.clear();
}

ExchangeStep ExchangeMachine::start(ExchangeForm form, ExchangeTime now)
{
    m_form = form;
    m_line.clear();
    m_firstAnswer.clear();
    m_longestShortLine = 0;
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
    m_line.clear();
    m_firstAnswer.clear();
    m_longestShortLine = 0;
    ExchangeStep step;
    step.send = true;
    step.sendForm = m_form;
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
            step = finish(ExchangeOutcome::TooLong, {}, now);
            return;
        }
        m_line.append(bytes.substr(0, count));
        bytes.remove_prefix(count);
        if (end != std::string_view::npos)
            lineEnded(step, now);
    }
}

// The line in m_line is whole: a reply, or an acknowledgement to throw away.
void ExchangeMachine::lineEnded(ExchangeStep& step, ExchangeTime now)
{
    std::string line = std::move(m_line);
    m_line.clear();
    if (line.size() < replyThreshold()) {
        m_longestShortLine = std::max(m_longestShortLine, line.size());
        // The one-shot form takes the line after an acknowledgement as its reply.
        if (m_form == ExchangeForm::OneShot && m_phase == Phase::Answer)
            m_phase = Phase::SecondAnswer;
        return;
    }
    if (m_form == ExchangeForm::Sampling || m_phase == Phase::SecondAnswer) {
        step = finish(ExchangeOutcome::Replied, std::move(line), now);
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
            return finish(ExchangeOutcome::LineBusy, {}, now);
        break;
    case Phase::Answer:
    case Phase::SecondAnswer:
        if (m_line.size() >= replyThreshold() && now - *m_lastHeard >= kQuietWithoutLineEnd) {
            // A reply with no line end at all, long enough and long quiet.
            ExchangeStep step;
            lineEnded(step, now);
            if (step.outcome != ExchangeOutcome::None)
                return step;
        } else if (now >= m_deadline) {
            return finishLate(now);
        }
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
    if (!m_firstAnswer.empty())
        return finish(ExchangeOutcome::Replied, std::move(m_firstAnswer), now);
    const std::size_t heard = std::max(m_line.size(), m_longestShortLine);
    if (heard == 0)
        return finish(ExchangeOutcome::NoAnswer, {}, now);
    ExchangeStep step = finish(ExchangeOutcome::PartAnswer, {}, now);
    step.heard = heard;
    return step;
}

ExchangeStep ExchangeMachine::finish(ExchangeOutcome outcome, std::string reply, ExchangeTime now)
{
    const ExchangeForm finished = m_form;
    m_phase = Phase::Idle;
    m_line.clear();
    m_firstAnswer.clear();

    ExchangeStep step;
    if (m_oneShotQueued) {
        m_oneShotQueued = false;
        step = start(ExchangeForm::OneShot, now);
    }
    step.outcome = outcome;
    step.finishedForm = finished;
    step.reply = std::move(reply);
    return step;
}

std::size_t ExchangeMachine::replyThreshold() const
{
    return m_form == ExchangeForm::Sampling ? kSamplingThreshold : kOneShotThreshold;
}

ExchangeClock::duration ExchangeMachine::quietNeeded() const
{
    return m_lastEndedLine ? ExchangeClock::duration(kSettleGap)
                           : ExchangeClock::duration(kQuietWithoutLineEnd);
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
        if (m_line.size() >= replyThreshold())
            wake = std::min<ExchangeTime>(wake, *m_lastHeard + kQuietWithoutLineEnd);
        break;
    case Phase::AwaitSecond:
        wake = std::min<ExchangeTime>(wake, m_awaitSince + kSecondAnswerWait);
        break;
    }
    return wake;
}

} // namespace core
