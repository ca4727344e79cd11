#include "link/Exchange.h"

#include "link/MSComm.h"

namespace {

const QByteArray kMeasureCommand("\x1b"
                                 "M");
constexpr qint64 kSamplingReplyLength = 51;
constexpr qint64 kOneShotHeadLength = 5;
constexpr qint64 kOneShotReplyLength = 50;

} // namespace

Exchange::Exchange(MSComm& line, QObject* parent) : QObject(parent), m_line(line)
{
    m_deadline.setSingleShot(true);
    m_deadline.setInterval(kDefaultTimeoutMs);
    connect(&m_deadline, &QTimer::timeout, this, &Exchange::giveUp);
    connect(&m_line, &MSComm::dataArrived, this, &Exchange::checkWaiting);
    connect(&m_line, &MSComm::lineLost, this, &Exchange::lose);
}

bool Exchange::start(Form form)
{
    if (m_busy)
        return false;
    m_form = form;
    m_busy = true;

    // A line that is closed (unplugged, or held by another program when it was opened) is
    // tried again, and one whose link now leads to another device follows it, so sampling
    // resumes by itself once the thermometer is back.
    m_line.setPortOpen(true);
    if (!m_line.PortOpen()) {
        const QString why = m_line.lastError();
        failLater(why.isEmpty() ? QStringLiteral("%1 is not open").arg(m_line.portName())
                                : QStringLiteral("%1 is not open: %2").arg(m_line.portName(), why));
        return true;
    }

    m_line.Output(kMeasureCommand);
    m_line.setInputLen(0);
    m_discardFirst = form == Form::OneShot;
    m_needed = m_discardFirst ? kOneShotHeadLength : kSamplingReplyLength;
    m_deadline.start();
    // Bytes that were already waiting are looked at after one pass of the event loop,
    // as they would be after the first pass of a polling wait.
    QTimer::singleShot(0, this, &Exchange::checkWaiting);
    return true;
}

void Exchange::checkWaiting()
{
    if (!m_busy || !m_deadline.isActive() || m_line.InBufferCount() < m_needed)
        return;
    if (m_discardFirst) {
        m_line.Input();
        m_line.setInputLen(0);
        m_discardFirst = false;
        m_needed = kOneShotReplyLength;
        QTimer::singleShot(0, this, &Exchange::checkWaiting);
        return;
    }
    const QByteArray reply = m_line.Input();
    finish();
    emit replied(m_form, reply);
}

void Exchange::giveUp()
{
    if (!m_busy)
        return;
    // Half a reply is worth nothing, and left in the buffer it would spoil the next one.
    m_line.setInputLen(0);
    m_line.Input();
    finish();
    emit failed(m_form,
                QStringLiteral("The thermometer did not answer on %1").arg(m_line.portName()));
}

void Exchange::lose(const QString& message)
{
    if (!m_busy)
        return;
    finish();
    emit failed(m_form, message);
}

void Exchange::finish()
{
    m_deadline.stop();
    m_busy = false;
}

void Exchange::failLater(const QString& reason)
{
    QTimer::singleShot(0, this, [this, reason] {
        finish();
        emit failed(m_form, reason);
    });
}
