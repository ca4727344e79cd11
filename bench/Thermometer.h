#pragma once

#include "Measure.h"

#include <QProcess>
#include <QStringList>
#include <vector>

// uiquorvix-thermosim for the figures. Unlike the tests' driver it keeps no log of the
// simulator's lines, so ten thousand exchanges leave the harness the size it was and the
// memory figure sees only the program's own growth.
class Thermometer : public QObject
{
    Q_OBJECT

public:
    // Every event line calls progress.notify(), so a figure can wait on the simulator.
    Thermometer(const QStringList& options, bench::Progress& progress, QObject* parent = nullptr);
    ~Thermometer() override;

    // Returns once the simulator named its device; false when it did not.
    bool start();
    QString device() const { return m_device; }
    QString problem() const { return m_problem; }

    // With --control: sends a control line and returns once the simulator carried it out.
    bool control(const QByteArray& line);

    qint64 queries() const { return m_queries; }
    qint64 replies() const { return m_replies; }
    // The CLOCK_MONOTONIC time of the last byte of the reply to query n (from 1), when the
    // simulator was told to keep that many; -1 when it is not known.
    void keepReplyTimes(qsizetype count) { m_replyTimes.assign(std::size_t(count) + 1, -1); }
    qint64 replyTime(qint64 query) const;

private:
    void readEvents();
    void parse(const QByteArray& line);

    bench::Progress& m_progress;
    QStringList m_options;
    QProcess m_process;
    QByteArray m_pending;
    QString m_device;
    QString m_problem;
    qint64 m_queries = 0;
    qint64 m_replies = 0;
    qint64 m_acknowledged = 0;
    std::vector<qint64> m_replyTimes;
    bool m_gone = false;
};
