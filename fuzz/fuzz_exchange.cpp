// The exchange with the thermometer under any line: bytes of any kind, in any pieces, at any
// times, with ticks and OneShot asked for at any moment. Whatever the line does, a reply is a
// whole line the line sent after the command went, starting where a line starts, and the
// command never goes into a line that is still talking.
#include "FuzzSupport.h"
#include "core/ExchangeMachine.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

using core::ExchangeForm;
using core::ExchangeOutcome;
using core::ExchangeStep;
using core::ExchangeTime;
using FuzzSupport::Reader;

std::size_t threshold(ExchangeForm form)
{
    return form == ExchangeForm::Sampling ? core::kSamplingThreshold : core::kOneShotThreshold;
}

class Harness
{
public:
    void step(ExchangeStep step)
    {
        // The machine's wake-up is kept as the front end would keep it.
        m_wakeAt = step.wakeAt;
        if (step.outcome != ExchangeOutcome::None)
            finished(step);
        if (step.send)
            sent(step.sendForm);
    }

    void hear(const std::string& bytes)
    {
        if (bytes.empty())
            return;
        // A line starts after a line end, and after a quiet long enough to end a line that
        // had none.
        if (m_lastHeard && m_now - *m_lastHeard >= core::kQuietWithoutLineEnd)
            m_lineStarts.push_back(m_heard.size());
        for (std::size_t at = bytes.find('\n'); at != std::string::npos;
             at = bytes.find('\n', at + 1))
            m_lineStarts.push_back(m_heard.size() + at + 1);
        m_heard += bytes;
        m_lastHeard = m_now;
        m_lastEndedLine = bytes.back() == '\n';
        step(m_machine.bytesArrived(bytes, m_now));
    }

    void request(ExchangeForm form)
    {
        if (!m_machine.busy()) {
            m_requestedAt = m_now;
            m_requestedForm = form;
        }
        step(m_machine.request(form, m_now));
    }

    // Time goes by; the wake-ups due meanwhile come at their times.
    void wait(std::chrono::milliseconds span)
    {
        const ExchangeTime until = m_now + span;
        while (m_wakeAt && *m_wakeAt <= until) {
            m_now = std::max(m_now, *m_wakeAt);
            m_wakeAt.reset();
            step(m_machine.timeReached(m_now));
        }
        m_now = until;
    }

    bool busy() const { return m_machine.busy(); }

private:
    void sent(ExchangeForm form)
    {
        UIQ_CHECK(!m_commandOut);
        // Never into a talking line.
        if (m_lastHeard) {
            const auto quiet = m_now - *m_lastHeard;
            UIQ_CHECK(quiet >= (m_lastEndedLine ? core::kSettleGap : core::kQuietWithoutLineEnd));
        }
        m_commandOut = true;
        m_sentForm = form;
        m_sentAt = m_now;
        m_heardAtSend = m_heard.size();
    }

    void finished(const ExchangeStep& step)
    {
        // No exchange outlives its two deadlines: one to fall quiet, one for the reply.
        UIQ_CHECK(m_now - m_requestedAt <= 2 * core::kReplyDeadline + core::kSecondAnswerWait);
        if (step.outcome == ExchangeOutcome::LineBusy) {
            UIQ_CHECK(!m_commandOut);
        } else if (step.outcome != ExchangeOutcome::Abandoned) {
            UIQ_CHECK(m_commandOut);
            UIQ_CHECK(step.finishedForm == m_sentForm);
        }
        if (step.outcome == ExchangeOutcome::Replied)
            checkReply(step.reply, step.finishedForm);
        else
            UIQ_CHECK(step.reply.empty());
        m_commandOut = false;
        // A queued OneShot may start inside the same step; its request is now.
        m_requestedAt = m_now;
    }

    // The reply is one whole line of what came after the command, from a line start.
    void checkReply(const std::string& reply, ExchangeForm form)
    {
        UIQ_CHECK(reply.size() >= threshold(form));
        UIQ_CHECK(reply.size() <= core::kMaxReplyBytes);
        const std::size_t lineEnd = reply.find('\n');
        UIQ_CHECK(lineEnd == std::string::npos || lineEnd + 1 == reply.size());
        bool found = false;
        for (const std::size_t start : m_lineStarts) {
            if (start >= m_heardAtSend &&
                std::string_view(m_heard).substr(start, reply.size()) == reply) {
                found = true;
                break;
            }
        }
        UIQ_CHECK(found);
    }

    core::ExchangeMachine m_machine;
    ExchangeTime m_now = ExchangeTime{} + std::chrono::hours(1);
    std::optional<ExchangeTime> m_wakeAt;
    std::string m_heard;
    std::vector<std::size_t> m_lineStarts{0};
    std::optional<ExchangeTime> m_lastHeard;
    bool m_lastEndedLine = true;
    bool m_commandOut = false;
    ExchangeForm m_sentForm = ExchangeForm::Sampling;
    ExchangeForm m_requestedForm = ExchangeForm::Sampling;
    ExchangeTime m_sentAt{};
    ExchangeTime m_requestedAt{};
    std::size_t m_heardAtSend = 0;
};

} // namespace

// Each event is a byte of what happens, then a wait in ms; a piece of line brings its length
// and bytes. Lines are made mostly of a few letters and line ends, so whole lines, short
// lines and long ones all come up.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Reader in(data, size);
    Harness harness;
    for (std::size_t events = 0; events < 400 && in.rest().size() > 0; ++events) {
        const auto what = in.take<std::uint8_t>();
        const auto wait = std::chrono::milliseconds(in.take<std::uint16_t>() % 4000);
        switch (what % 8) {
        case 0:
            harness.request(ExchangeForm::Sampling);
            break;
        case 1:
            harness.request(ExchangeForm::OneShot);
            break;
        case 2: {
            // A run of one byte, as long lines and floods are.
            const std::size_t count = in.take<std::uint16_t>() % 6000;
            harness.hear(std::string(count, char(in.take<std::uint8_t>())));
            break;
        }
        default: {
            const std::size_t count = in.take<std::uint8_t>();
            std::string bytes;
            for (std::size_t i = 0; i < count; ++i) {
                const auto byte = in.take<std::uint8_t>();
                bytes += byte % 5 == 0 ? '\n' : byte % 5 == 1 ? '\r' : char('a' + byte % 7);
            }
            harness.hear(bytes);
            break;
        }
        }
        harness.wait(wait);
    }
    // Left alone, every exchange ends.
    harness.wait(3 * core::kReplyDeadline);
    UIQ_CHECK(!harness.busy());
    return 0;
}
