#include "Thermometer.h"

#ifndef UIQ_THERMOSIM_PATH
#error "UIQ_THERMOSIM_PATH must name the uiquorvix-thermosim binary"
#endif

namespace {
constexpr int kStartTimeoutMs = 10000;
}

Thermometer::Thermometer(const QStringList& options, bench::Progress& progress, QObject* parent)
    : QObject(parent), m_progress(progress), m_options(options)
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    connect(&m_process, &QProcess::readyReadStandardOutput, this, &Thermometer::readEvents);
    connect(&m_process, &QProcess::finished, this, [this] {
        readEvents();
        m_gone = true;
        if (m_problem.isEmpty())
            m_problem = QStringLiteral("the simulator exited");
        m_progress.notify();
    });
    connect(&m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            m_gone = true;
            m_problem = m_process.errorString();
        }
        m_progress.notify();
    });
}

Thermometer::~Thermometer()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    // SIGTERM ends the simulator cleanly, which also removes a link made with --install.
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(1000);
    }
}

bool Thermometer::start()
{
    m_process.start(QStringLiteral(UIQ_THERMOSIM_PATH), m_options);
    if (!m_progress.waitFor([this] { return !m_device.isEmpty() || m_gone; }, kStartTimeoutMs)) {
        m_problem = QStringLiteral("the simulator named no device");
        return false;
    }
    return !m_device.isEmpty();
}

bool Thermometer::control(const QByteArray& line)
{
    const qint64 before = m_acknowledged;
    m_process.write(line + '\n');
    return m_progress.waitFor([&] { return m_acknowledged > before || m_gone; }, 5000) &&
           m_acknowledged > before;
}

qint64 Thermometer::replyTime(qint64 query) const
{
    return query > 0 && std::size_t(query) < m_replyTimes.size() ? m_replyTimes[std::size_t(query)]
                                                                 : -1;
}

void Thermometer::readEvents()
{
    m_pending += m_process.readAllStandardOutput();
    qsizetype start = 0;
    for (qsizetype end; (end = m_pending.indexOf('\n', start)) >= 0; start = end + 1)
        parse(m_pending.mid(start, end - start));
    m_pending.remove(0, start);
    m_progress.notify();
}

void Thermometer::parse(const QByteArray& line)
{
    const QList<QByteArray> words = line.split(' ');
    if (words[0] == "device" && words.size() == 2) {
        m_device = QString::fromLocal8Bit(words[1]);
    } else if (words[0] == "query") {
        ++m_queries;
    } else if (words[0] == "replied" && words.size() == 3) {
        ++m_replies;
        const qint64 query = words[1].toLongLong();
        if (query > 0 && std::size_t(query) < m_replyTimes.size())
            m_replyTimes[std::size_t(query)] = words[2].toLongLong();
    } else if (words[0] == "ok") {
        ++m_acknowledged;
    } else if (words[0] == "error" || words[0] == "unexpected") {
        m_problem = QStringLiteral("the simulator reported: %1").arg(QString::fromUtf8(line));
    }
}
