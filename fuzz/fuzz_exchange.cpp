// The exchange with the thermometer under any line: answers that each carry fields of their
// own, cut into pieces at any places and times, stray bytes anywhere, floods, ticks and OneShot
// asked for at any moment, the port lost or changed. Whatever the line does, a reply's fields
// are the whole fields of one answer the thermometer sent, and the command never goes into a
// line that is still talking.
#include "FuzzSupport.h"
#include "core/ExchangeMachine.h"
#include "core/ReplyFields.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>

namespace {

using core::ExchangeForm;
using core::ExchangeOutcome;
using core::ExchangeStep;
using core::ExchangeTime;
using FuzzSupport::Reader;
using std::chrono::milliseconds;

// Answer number k, 54 characters: its weather field names k, and so does its temperature, in
// tenths modulo 1000, written as the thermometer writes one.
std::string answer(unsigned k)
{
    char text[80];
    std::snprintf(text, sizeof text, "QVX1 %06u%9sW%014u r000p000P000 +%02u.%u", k % 1000000, "", k,
                  k % 1000 / 10, k % 10);
    return text;
}

// A stray byte is any byte but the point: noise that spells a temperature at the very place of
// one would be an answer by any rule.
char stray(std::uint8_t byte)
{
    return byte == '.' ? '\0' : char(byte);
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
            sent();
    }

    void request(ExchangeForm form)
    {
        if (!m_machine.busy())
            m_requestedAt = m_now;
        step(m_machine.request(form, m_now));
    }

    // The thermometer sends an answer, cut at `cuts` with a pause after each piece, once it
    // has finished what it sent before.
    void answerLater(const std::string& bytes, const std::vector<std::size_t>& cuts,
                     const std::vector<milliseconds>& pauses)
    {
        ExchangeTime at = std::max(m_now, m_lineFreeAt);
        std::size_t from = 0;
        for (std::size_t i = 0; i <= cuts.size(); ++i) {
            const std::size_t to = i < cuts.size() ? std::min(cuts[i], bytes.size()) : bytes.size();
            if (to > from) {
                m_coming.emplace(at, bytes.substr(from, to - from));
                m_lineFreeAt = at;
            }
            if (i < pauses.size())
                at += pauses[i];
            from = std::max(from, to);
        }
        // A thermometer without line ends says where an answer ends only by falling quiet.
        if (bytes.back() != '\n')
            m_lineFreeAt += core::kQuietWithoutLineEnd + milliseconds(1);
    }

    // Stray bytes, noise and lines of the thermometer's own come between its answers, glued to
    // them or not. A byte changed or slipped in inside an answer is a corrupt answer, which no
    // rule can tell from a sound one without a checksum the thermometer does not send.
    void between(const std::string& bytes)
    {
        m_lineFreeAt = std::max(m_now, m_lineFreeAt);
        m_coming.emplace(m_lineFreeAt, bytes);
    }

    void sent(unsigned k, const std::string& bytes) { m_answers[core::weatherField(bytes)] = k; }

    void bytesWaiting()
    {
        // The front end says so only when bytes do wait; they come at once.
        if (m_coming.empty() || m_coming.begin()->first > m_now)
            return;
        step(m_machine.bytesWaiting(m_now));
    }

    // The line was lost: the port is opened afresh, and what was on the way is gone.
    void abandon()
    {
        forget();
        step(m_machine.abandon(m_now));
    }

    // Another port.
    void closeLine()
    {
        forget();
        step(m_machine.closeLine(m_now));
    }

    // Time goes by; the bytes and wake-ups due meanwhile come at their times.
    void wait(milliseconds span)
    {
        const ExchangeTime until = m_now + span;
        for (;;) {
            const bool bytesFirst =
                !m_coming.empty() && (!m_wakeAt || m_coming.begin()->first <= *m_wakeAt);
            const std::optional<ExchangeTime> next =
                bytesFirst ? std::optional<ExchangeTime>(m_coming.begin()->first) : m_wakeAt;
            if (!next || *next > until)
                break;
            m_now = std::max(m_now, *next);
            if (bytesFirst) {
                const std::string bytes = m_coming.begin()->second;
                m_coming.erase(m_coming.begin());
                hear(bytes);
            } else {
                m_wakeAt.reset();
                step(m_machine.timeReached(m_now));
            }
        }
        m_now = until;
    }

    bool busy() const { return m_machine.busy(); }

private:
    void hear(const std::string& bytes)
    {
        if (bytes.empty())
            return;
        m_lastHeard = m_now;
        m_lastEndedLine = bytes.back() == '\n';
        step(m_machine.bytesArrived(bytes, m_now));
    }

    void forget()
    {
        m_lastHeard.reset();
        m_lastEndedLine = true;
        m_coming.clear();
    }

    void sent()
    {
        UIQ_CHECK(!m_commandOut);
        // Never into a talking line.
        if (m_lastHeard) {
            const auto quiet = m_now - *m_lastHeard;
            UIQ_CHECK(quiet >= (m_lastEndedLine ? core::kSettleGap : core::kQuietWithoutLineEnd));
        }
        m_commandOut = true;
    }

    void finished(const ExchangeStep& step)
    {
        // No exchange outlives its two deadlines: one to fall quiet, one for the reply.
        UIQ_CHECK(m_now - m_requestedAt <=
                  2 * core::kReplyDeadline + core::kSecondAnswerWait + core::kSettleGap);
        if (step.outcome == ExchangeOutcome::LineBusy)
            UIQ_CHECK(!m_commandOut);
        else if (step.outcome != ExchangeOutcome::Abandoned)
            UIQ_CHECK(m_commandOut);
        if (step.outcome == ExchangeOutcome::Replied)
            checkReply(step.reply);
        else
            UIQ_CHECK(step.reply.empty());
        m_commandOut = false;
        // A queued OneShot may start inside the same step; its request is now.
        m_requestedAt = m_now;
    }

    // Both fields are whole, and both are those of one answer the thermometer sent.
    void checkReply(const std::string& reply)
    {
        UIQ_CHECK(reply.size() >= core::kWholeFields);
        UIQ_CHECK(reply.find('\n') == std::string::npos);
        const auto found = m_answers.find(core::weatherField(reply));
        UIQ_CHECK(found != m_answers.end());
        UIQ_CHECK(core::temperatureField(reply) == core::temperatureField(answer(found->second)));
    }

    core::ExchangeMachine m_machine;
    ExchangeTime m_now = ExchangeTime{} + std::chrono::hours(1);
    std::optional<ExchangeTime> m_wakeAt;
    std::multimap<ExchangeTime, std::string> m_coming;
    ExchangeTime m_lineFreeAt{};
    std::map<std::string, unsigned> m_answers;
    std::optional<ExchangeTime> m_lastHeard;
    bool m_lastEndedLine = true;
    bool m_commandOut = false;
    ExchangeTime m_requestedAt{};
};

} // namespace

// Each event is a byte of what happens, then a wait in ms; an answer brings how it ends and
// where and how long it pauses, stray bytes their count and bytes.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Reader in(data, size);
    Harness harness;
    unsigned answers = 0;
    for (std::size_t events = 0; events < 400 && in.rest().size() > 0; ++events) {
        const auto what = in.take<std::uint8_t>();
        const auto wait = milliseconds(in.take<std::uint16_t>() % 4000);
        switch (what % 10) {
        case 0:
            harness.request(ExchangeForm::Tick);
            break;
        case 1:
            harness.request(ExchangeForm::OneShot);
            break;
        case 2:
        case 3: {
            const auto how = in.take<std::uint8_t>();
            std::string bytes = answer(++answers);
            harness.sent(answers, bytes);
            // Most thermometers end their answers with CR LF; some with LF, some not at all.
            bytes += how % 4 == 0 ? "" : how % 4 == 1 ? "\n" : "\r\n";
            std::vector<std::size_t> cuts;
            std::vector<milliseconds> pauses;
            for (int i = 0; i < (how >> 2) % 4; ++i) {
                cuts.push_back(in.take<std::uint8_t>() % (bytes.size() + 1));
                pauses.push_back(milliseconds(in.take<std::uint16_t>() % 1500));
            }
            std::sort(cuts.begin(), cuts.end());
            harness.answerLater(bytes, cuts, pauses);
            break;
        }
        case 4: {
            const std::size_t count = in.take<std::uint8_t>() % 9;
            std::string bytes;
            for (std::size_t i = 0; i < count; ++i)
                bytes += stray(in.take<std::uint8_t>());
            harness.between(bytes);
            break;
        }
        case 5: {
            // A run of one byte, as long lines and floods are.
            const std::size_t count = in.take<std::uint16_t>() % 6000;
            harness.between(std::string(count, char(in.take<std::uint8_t>())));
            break;
        }
        case 6:
            harness.bytesWaiting();
            break;
        case 7:
            harness.abandon();
            break;
        case 8:
            harness.closeLine();
            break;
        default: {
            // Short lines, as acknowledgements and broken answers are.
            const std::size_t count = in.take<std::uint8_t>() % 64;
            std::string bytes;
            for (std::size_t i = 0; i < count; ++i) {
                const auto byte = in.take<std::uint8_t>();
                bytes += byte % 5 == 0 ? '\n' : byte % 5 == 1 ? '\r' : char('a' + byte % 7);
            }
            harness.between(bytes);
            break;
        }
        }
        harness.wait(wait);
    }
    // Left alone, every exchange ends: the running one, and a OneShot queued behind it.
    harness.wait(5 * core::kReplyDeadline);
    UIQ_CHECK(!harness.busy());
    return 0;
}
