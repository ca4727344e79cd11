#include "link/Exchange.h"

#include "core/SampleCaptions.h"
#include "link/MSComm.h"

#include <algorithm>
#include <chrono>

namespace {

core::ExchangeTime now()
{
    return core::ExchangeClock::now();
}

Exchange::Form toForm(core::ExchangeForm form)
{
    return form == core::ExchangeForm::OneShot ? Exchange::Form::OneShot : Exchange::Form::Sampling;
}

} // namespace

Exchange::Exchange(MSComm& line, QObject* parent) : QObject(parent), m_line(line)
{
    m_wake.setSingleShot(true);
    m_wake.setTimerType(Qt::PreciseTimer);
    connect(&m_wake, &QTimer::timeout, this, &Exchange::onWake);
    connect(&m_line, &MSComm::dataArrived, this, &Exchange::onData);
    connect(&m_line, &MSComm::lineLost, this, &Exchange::onLineLost);
}

void Exchange::setTimeout(int milliseconds)
{
    if (!m_machine.busy())
        m_machine = core::ExchangeMachine(std::chrono::milliseconds(milliseconds));
}

void Exchange::request(Form form)
{
    if (!m_machine.busy()) {
        m_askedPort = m_line.CommPort();
        hearWaiting();
    }
    carry(m_machine.request(
        form == Form::OneShot ? core::ExchangeForm::OneShot : core::ExchangeForm::Sampling, now()));
}

// Bytes left waiting while no exchange ran are heard now: a line that talks when the command
// is due is heard out before the command goes.
void Exchange::hearWaiting()
{
    m_line.readWaiting();
    m_line.setInputLen(0);
    const QByteArray bytes = m_line.Input();
    if (!bytes.isEmpty())
        carry(m_machine.bytesArrived(std::string_view(bytes.constData(), size_t(bytes.size())),
                                     now()));
}

void Exchange::onData()
{
    // Bytes that come while no exchange runs are left where they are until the next command is
    // due: a line that floods then costs no work at all.
    if (!m_machine.busy())
        return;
    m_line.setInputLen(0);
    const QByteArray bytes = m_line.Input();
    if (!bytes.isEmpty())
        carry(m_machine.bytesArrived(std::string_view(bytes.constData(), bytes.size()), now()));
}

void Exchange::onWake()
{
    // Under load the ready-read notice can come after the timer: bytes that already wait in
    // the system's buffer are read first, so a reply still coming in is never cut.
    m_line.readWaiting();
    carry(m_machine.timeReached(now()));
}

void Exchange::onLineLost(const QString& message)
{
    if (!m_machine.busy())
        return;
    m_abandonReason = message;
    carry(m_machine.abandon(now()));
}

void Exchange::abandonNow()
{
    carry(m_machine.abandon(now()));
}

void Exchange::carry(core::ExchangeStep step)
{
    if (step.wakeAt) {
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*step.wakeAt - now());
        m_wake.start(std::max(wait, std::chrono::milliseconds(0)));
    } else {
        m_wake.stop();
    }

    const Form finished = toForm(step.finishedForm);
    switch (step.outcome) {
    case core::ExchangeOutcome::None:
        break;
    case core::ExchangeOutcome::Replied:
        emit replied(finished, QByteArray(step.reply.data(), qsizetype(step.reply.size())));
        break;
    case core::ExchangeOutcome::NoAnswer:
    case core::ExchangeOutcome::PartAnswer:
    case core::ExchangeOutcome::TooLong:
    case core::ExchangeOutcome::LineBusy:
        emit failed(finished,
                    QString::fromStdString(core::captions::exchangeFailed(step, m_askedPort)));
        break;
    case core::ExchangeOutcome::Abandoned:
        emit failed(finished, m_abandonReason);
        break;
    }
    if (step.send)
        send();
}

void Exchange::send()
{
    m_askedPort = m_line.CommPort();
    // A line that is closed (unplugged, or held by another program when it was opened) is
    // tried again, and one whose link now leads to another device follows it, so sampling
    // resumes by itself once the thermometer is back.
    m_line.setPortOpen(true);
    if (m_line.PortOpen()) {
        if (m_line.Output(
                QByteArray(core::kMeasureCommand.data(), qsizetype(core::kMeasureCommand.size()))))
            return;
    }
    // A command that never left cannot be answered: say why now rather than wait out the
    // deadline. The failure is told after this call returns, as a reply would be.
    m_abandonReason = QString::fromStdString(
        core::captions::notOpen(m_askedPort, m_line.lastError().toStdString()));
    QTimer::singleShot(0, this, &Exchange::abandonNow);
}
