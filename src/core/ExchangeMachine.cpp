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
    if (!busy() || bytes.empty())
        return advance(now);
    if (m_phase == Phase::AwaitSecond)
        m_phase = Phase::SecondAnswer;
    const std::size_t room = kMaxReplyBytes - std::min(kMaxReplyBytes, m_answer.size());
    m_answer.append(bytes.substr(0, room));
    m_lastByte = now;
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

ExchangeStep ExchangeMachine::start(ExchangeForm form, ExchangeTime now)
{
    m_phase = Phase::Answer;
    m_form = form;
    m_deadline = now + m_deadlineAfter;
    m_lastByte = now;
    m_answer.clear();
    m_firstAnswer.clear();
    ExchangeStep step;
    step.send = true;
    step.sendForm = form;
    step.wakeAt = nextWake();
    return step;
}

std::size_t ExchangeMachine::replyThreshold() const
{
    return m_form == ExchangeForm::Sampling ? kSamplingThreshold : kOneShotThreshold;
}

ExchangeClock::duration ExchangeMachine::quietGap() const
{
    const bool endsLine = !m_answer.empty() && m_answer.back() == '\n';
    return endsLine ? ExchangeClock::duration(kQuietGap)
                    : ExchangeClock::duration(kQuietGapInsideLine);
}

ExchangeStep ExchangeMachine::advance(ExchangeTime now)
{
    if (!busy())
        return {};

    const auto silence = now - m_lastByte;
    const bool whole = m_answer.size() >= replyThreshold();
    // A line that floods never falls quiet; what fills the buffer is all that can be taken.
    const bool ended = whole && (silence >= quietGap() || m_answer.size() >= kMaxReplyBytes);
    const bool acknowledgement =
        !whole && m_answer.size() >= kOneShotHeadThreshold && silence >= quietGap();
    const bool late = now >= m_deadline;

    switch (m_phase) {
    case Phase::Idle:
        break;
    case Phase::Answer:
    case Phase::SecondAnswer:
        if (ended || (late && whole)) {
            if (m_form == ExchangeForm::Sampling || m_phase == Phase::SecondAnswer)
                return finish(ExchangeOutcome::Replied, std::move(m_answer), now);
            // A whole first answer is kept, in case no second one follows.
            m_firstAnswer = std::move(m_answer);
            m_answer.clear();
            if (late)
                return finishLate(now);
            m_phase = Phase::AwaitSecond;
            break;
        }
        if (late)
            return finishLate(now);
        if (acknowledgement) {
            m_answer.clear();
            if (m_form == ExchangeForm::OneShot)
                m_phase = Phase::SecondAnswer;
        }
        break;
    case Phase::AwaitSecond:
        if (late || silence >= kSecondAnswerWait)
            return finishLate(now);
        break;
    }
    ExchangeStep step;
    step.wakeAt = nextWake();
    return step;
}

ExchangeStep ExchangeMachine::finishLate(ExchangeTime now)
{
    if (m_firstAnswer.empty())
        return finish(ExchangeOutcome::TimedOut, {}, now);
    return finish(ExchangeOutcome::Replied, std::move(m_firstAnswer), now);
}

ExchangeStep ExchangeMachine::finish(ExchangeOutcome outcome, std::string reply, ExchangeTime now)
{
    const ExchangeForm finished = m_form;
    m_phase = Phase::Idle;
    m_answer.clear();
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

std::optional<ExchangeTime> ExchangeMachine::nextWake() const
{
    if (!busy())
        return std::nullopt;
    ExchangeTime wake = m_deadline;
    if (m_phase == Phase::AwaitSecond)
        wake = std::min(wake, m_lastByte + kSecondAnswerWait);
    else if (m_answer.size() >= kOneShotHeadThreshold)
        wake = std::min<ExchangeTime>(wake, m_lastByte + quietGap());
    return wake;
}

} // namespace core
