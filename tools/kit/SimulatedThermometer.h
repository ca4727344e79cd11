#pragma once

#include "thermosim/Values.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <functional>

// Drives uiquorvix-thermosim from a test: starts it on a fresh pseudo-terminal, talks to it
// through its control lines and turns its event lines into counters and signals.
// Every call that changes the device returns only after the simulator confirmed it.
class SimulatedThermometer : public QObject
{
    Q_OBJECT

public:
    // The simulator's own list of modes.
    using Mode = thermosim::Mode;

    static constexpr int kDefaultTimeoutMs = 5000;

    explicit SimulatedThermometer(const QStringList& options = {}, QObject* parent = nullptr);
    ~SimulatedThermometer() override;

    bool start();
    // Like start(), and the simulator also keeps winePrefix/dosdevices/comN pointing at it.
    bool installAs(const QString& winePrefix, int com);
    // Asks the simulator to quit; true when it exited normally with status 0.
    bool stop();

    bool isRunning() const;
    qint64 processId() const;
    QString devicePath() const { return m_device; }
    QString linkPath() const { return m_link; }

    bool send(const QByteArray& bytes);
    // An empty reply goes back to generated replies.
    bool setReply(const QByteArray& reply);
    bool setMode(Mode mode);
    bool setShort(int characters);
    bool setDelay(int ms);
    // Generated replies name the command they answer (--unique).
    bool setUnique(bool on);
    // Every reply stops after `at` characters for `ms` milliseconds; (0, 0) turns it off.
    bool setPause(int at, int ms);
    // Every reply stops after each of `at` (ascending) characters for `ms` milliseconds: a
    // reply delivered in packets.
    bool setPause(const QList<int>& at, int ms);
    bool unplug();
    bool plug();

    int queries() const { return m_queryCount; }
    int replies() const { return m_replyCount; }
    // Replies whose first byte is on the line: one more than replies() while one is under way.
    int replyingCount() const { return m_replyingCount; }
    bool waitForQueries(int count, int ms = kDefaultTimeoutMs);
    bool waitForReplies(int count, int ms = kDefaultTimeoutMs);
    bool waitForReplying(int count, int ms = kDefaultTimeoutMs);
    // CLOCK_MONOTONIC nanoseconds, comparable with monotonicNs().
    QList<qint64> queryTimes() const { return m_queryTimes; }
    QList<qint64> replyTimes() const { return m_replyTimes; }
    QList<qint64> replyingTimes() const { return m_replyingTimes; }
    // Drops the recorded times (the counts stay), so a long run does not grow.
    void forgetTimes()
    {
        m_queryTimes.clear();
        m_replyTimes.clear();
        m_replyingTimes.clear();
    }
    QByteArray unexpectedBytes() const { return m_unexpected; }
    QStringList errors() const { return m_errors; }
    QStringList log() const { return m_log; }
    // What went wrong, for a message: the last error, unexpected bytes or the simulator's
    // exit; empty while all is well.
    QString problem() const;

    // For shutdown tests: end the control input, then wait for the process to go.
    void closeControl();
    bool waitForExit(int ms = kDefaultTimeoutMs);
    int exitCode() const { return m_process.exitCode(); }
    QProcess::ExitStatus exitStatus() const { return m_process.exitStatus(); }

    // Printable ASCII stays as it is, everything else becomes \xHH, so any byte survives a
    // control line.
    static QByteArray escape(const QByteArray& bytes);
    static qint64 monotonicNs();

signals:
    void deviceChanged(const QString& path);
    void queried(int number, qint64 monotonicNs);
    // With --mix, what the device does with command `number`: "plain", "pause 23 80", ...
    void mixed(int number, const QByteArray& plan);
    void replying(int number, qint64 monotonicNs);
    void replied(int number, qint64 monotonicNs);
    void unexpectedReceived(const QByteArray& bytes);
    void unplugged();
    void errorReported(const QString& text);
    void progressed();

private:
    bool control(const QByteArray& command, const QByteArray& argument = {});
    bool waitFor(const std::function<bool()>& done, int ms);
    void readEvents();
    void parseEvent(const QByteArray& line);

    QStringList m_options;
    QStringList m_installOptions;
    QProcess m_process;
    QByteArray m_pending;
    QString m_device;
    QString m_link;
    static constexpr int kLogLines = 200;
    int m_queryCount = 0;
    int m_replyCount = 0;
    int m_replyingCount = 0;
    QList<qint64> m_queryTimes;
    QList<qint64> m_replyTimes;
    QList<qint64> m_replyingTimes;
    QByteArray m_unexpected;
    QStringList m_errors;
    QStringList m_log;
    QHash<QByteArray, int> m_acks;
    QHash<QByteArray, int> m_refusals;
    bool m_exited = false;
};
