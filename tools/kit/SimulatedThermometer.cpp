#include "SimulatedThermometer.h"

#include "WaitFor.h"

#include <QByteArrayList>
#include <QDir>
#include <chrono>

#ifndef UIQ_THERMOSIM_PATH
#error "UIQ_THERMOSIM_PATH must name the uiquorvix-thermosim binary"
#endif

SimulatedThermometer::SimulatedThermometer(const QStringList& options, QObject* parent)
    : QObject(parent), m_options(options)
{
    // Diagnostics from the simulator belong in the test log.
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    connect(&m_process, &QProcess::readyReadStandardOutput, this,
            &SimulatedThermometer::readEvents);
    connect(&m_process, &QProcess::finished, this, [this] {
        readEvents();
        m_exited = true;
        emit progressed();
    });
    connect(&m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            m_exited = true;
        emit progressed();
    });
}

SimulatedThermometer::~SimulatedThermometer()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    stop();
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(1000);
    }
}

qint64 SimulatedThermometer::monotonicNs()
{
    // libstdc++ and libc++ read CLOCK_MONOTONIC here, the clock of the simulator's events.
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

QByteArray SimulatedThermometer::escape(const QByteArray& bytes)
{
    static const char digits[] = "0123456789abcdef";
    QByteArray text;
    text.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto value = static_cast<unsigned char>(c);
        if (value == '\\') {
            text += "\\\\";
        } else if (value >= 0x20 && value < 0x7f) {
            text += c;
        } else {
            text += "\\x";
            text += digits[value >> 4];
            text += digits[value & 0x0f];
        }
    }
    return text;
}

bool SimulatedThermometer::isRunning() const
{
    return m_process.state() != QProcess::NotRunning && !m_exited;
}

qint64 SimulatedThermometer::processId() const
{
    return m_process.processId();
}

bool SimulatedThermometer::start()
{
    if (m_process.state() != QProcess::NotRunning)
        return false;
    m_exited = false;
    m_device.clear();
    m_process.setProgram(QStringLiteral(UIQ_THERMOSIM_PATH));
    m_process.setArguments(m_options + m_installOptions + QStringList{QStringLiteral("--control")});
    m_process.start();
    if (waitFor([this] { return !m_device.isEmpty(); }, kDefaultTimeoutMs))
        return true;
    qWarning("thermosim did not report a device; its output: %s",
             qPrintable(m_log.join(QLatin1Char('|'))));
    m_process.kill();
    m_process.waitForFinished(1000);
    return false;
}

bool SimulatedThermometer::installAs(const QString& winePrefix, int com)
{
    m_installOptions = {QStringLiteral("--install"), winePrefix, QStringLiteral("--com"),
                        QString::number(com)};
    m_link = QDir(winePrefix).filePath(QStringLiteral("dosdevices/com%1").arg(com));
    return start();
}

bool SimulatedThermometer::stop()
{
    if (m_process.state() != QProcess::NotRunning && !m_exited) {
        m_process.write("quit\n");
        waitFor([this] { return m_exited; }, kDefaultTimeoutMs);
    }
    return m_exited && m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
}

void SimulatedThermometer::closeControl()
{
    m_process.closeWriteChannel();
}

bool SimulatedThermometer::waitForExit(int ms)
{
    return waitFor([this] { return m_exited; }, ms);
}

bool SimulatedThermometer::send(const QByteArray& bytes)
{
    return control("send", escape(bytes));
}

bool SimulatedThermometer::setReply(const QByteArray& reply)
{
    return control("reply", escape(reply));
}

bool SimulatedThermometer::setMode(Mode mode)
{
    return control("mode", thermosim::modeName(mode));
}

bool SimulatedThermometer::setShort(int characters)
{
    return control("short", QByteArray::number(characters));
}

bool SimulatedThermometer::setDelay(int ms)
{
    return control("delay", QByteArray::number(ms));
}

bool SimulatedThermometer::setUnique(bool on)
{
    return control("unique", on ? "on" : "off");
}

bool SimulatedThermometer::setPause(int at, int ms)
{
    return setPause(QList<int>{at}, ms);
}

bool SimulatedThermometer::setPause(const QList<int>& at, int ms)
{
    QByteArrayList positions;
    for (const int position : at)
        positions << QByteArray::number(position);
    return control("pause", positions.join(',') + ' ' + QByteArray::number(ms));
}

bool SimulatedThermometer::unplug()
{
    return control("unplug");
}

bool SimulatedThermometer::plug()
{
    return control("plug");
}

bool SimulatedThermometer::waitForQueries(int count, int ms)
{
    return waitFor([this, count] { return queries() >= count; }, ms);
}

bool SimulatedThermometer::waitForReplies(int count, int ms)
{
    return waitFor([this, count] { return replies() >= count; }, ms);
}

bool SimulatedThermometer::waitForReplying(int count, int ms)
{
    return waitFor([this, count] { return replyingCount() >= count; }, ms);
}

bool SimulatedThermometer::control(const QByteArray& command, const QByteArray& argument)
{
    if (!isRunning())
        return false;
    const int acks = m_acks.value(command);
    const int refusals = m_refusals.value(command);
    QByteArray line = command;
    if (!argument.isEmpty())
        line += ' ' + argument;
    m_process.write(line + '\n');
    // One control line is in flight at a time, so a new answer naming this command is ours.
    waitFor(
        [&] {
            return m_acks.value(command) > acks || m_refusals.value(command) > refusals || m_exited;
        },
        kDefaultTimeoutMs);
    if (m_acks.value(command) > acks)
        return true;
    qWarning("thermosim did not confirm \"%s\"; its output: %s", command.constData(),
             qPrintable(m_log.join(QLatin1Char('|'))));
    return false;
}

bool SimulatedThermometer::waitFor(const std::function<bool()>& done, int ms)
{
    // An exit ends the wait early: nothing the simulator would have done can come after it.
    ::waitFor(
        this, &SimulatedThermometer::progressed, [&] { return done() || m_exited; }, ms);
    return done();
}

QString SimulatedThermometer::problem() const
{
    if (!m_errors.isEmpty())
        return QStringLiteral("the simulator reported: %1").arg(m_errors.last());
    if (!m_unexpected.isEmpty())
        return QStringLiteral("the simulator received unexpected bytes: %1")
            .arg(QString::fromLatin1(m_unexpected.toHex(' ')));
    if (m_exited)
        return QStringLiteral("the simulator exited");
    return {};
}

void SimulatedThermometer::readEvents()
{
    m_pending += m_process.readAllStandardOutput();
    qsizetype start = 0;
    for (qsizetype end; (end = m_pending.indexOf('\n', start)) >= 0; start = end + 1)
        parseEvent(m_pending.mid(start, end - start));
    m_pending.remove(0, start);
}

void SimulatedThermometer::parseEvent(const QByteArray& line)
{
    // Only the recent lines are kept: they explain a failure, and a long run stays small.
    if (m_log.size() >= kLogLines)
        m_log.removeFirst();
    m_log << QString::fromUtf8(line);
    const qsizetype space = line.indexOf(' ');
    const QByteArray word = space < 0 ? line : line.left(space);
    const QByteArray rest = space < 0 ? QByteArray() : line.mid(space + 1);
    const QList<QByteArray> fields = rest.split(' ');

    if (word == "device") {
        m_device = QString::fromUtf8(rest);
        emit deviceChanged(m_device);
    } else if ((word == "query" || word == "replying" || word == "replied") && fields.size() == 2) {
        const int number = fields[0].toInt();
        const qint64 at = fields[1].toLongLong();
        if (word == "query") {
            ++m_queryCount;
            m_queryTimes << at;
            emit queried(number, at);
        } else if (word == "replying") {
            ++m_replyingCount;
            m_replyingTimes << at;
            emit replying(number, at);
        } else {
            ++m_replyCount;
            m_replyTimes << at;
            emit replied(number, at);
        }
    } else if (word == "mix" && fields.size() >= 2) {
        emit mixed(fields[0].toInt(), rest.mid(rest.indexOf(' ') + 1));
    } else if (word == "unexpected") {
        const QByteArray bytes = QByteArray::fromHex(QByteArray(rest).replace(' ', ""));
        m_unexpected += bytes;
        emit unexpectedReceived(bytes);
    } else if (word == "unplugged") {
        emit unplugged();
    } else if (word == "ok") {
        ++m_acks[rest];
    } else if (word == "error") {
        m_errors << QString::fromUtf8(rest);
        ++m_refusals[rest.left(rest.indexOf(':'))];
        emit errorReported(QString::fromUtf8(rest));
    }
    emit progressed();
}
