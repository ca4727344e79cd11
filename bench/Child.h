#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>
#include <sys/types.h>

// A program started straight with posix_spawn and read through a pipe, for the start-up and
// memory figures: QProcess would add its own set-up to every start that is timed.
class Child
{
public:
    Child() = default;
    ~Child();
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    // The environment is this process's own with the given variables set; standard error
    // goes to errorLog.
    bool start(const QString& program, const QStringList& arguments,
               const QMap<QString, QString>& environment, const QString& errorLog);
    // CLOCK_MONOTONIC just before the spawn.
    qint64 startedAt() const { return m_startedAt; }
    // Reads until a whole line starting with prefix comes and returns it, with the time it
    // was read; false at end of output or after ms.
    bool readLine(const QByteArray& prefix, int ms, QByteArray& line, qint64& at);
    // SIGTERM, then waits for the exit; true when it exited with status 0 or of the signal.
    bool stop();
    QString problem() const { return m_problem; }

private:
    pid_t m_pid = -1;
    int m_output = -1;
    qint64 m_startedAt = 0;
    qint64 m_readAt = 0;
    QByteArray m_pending;
    QString m_problem;
};
