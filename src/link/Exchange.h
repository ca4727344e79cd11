#pragma once

#include "core/ExchangeMachine.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>

class MSComm;

// The exchange with the thermometer on the Qt event loop: it hands the line's bytes and one
// single-shot timer's wake-ups to the exchange machine of the core, and carries out what the
// machine answers. Nothing here waits inside a loop.
class Exchange : public QObject
{
    Q_OBJECT

public:
    enum class Form
    {
        Sampling,
        OneShot
    };

    static constexpr int kDefaultTimeoutMs = int(core::kReplyDeadline.count());

    explicit Exchange(MSComm& line, QObject* parent = nullptr);

    // Takes effect from the next exchange on; meant for tests that must not wait seconds.
    void setTimeout(int milliseconds);
    bool busy() const { return m_machine.busy(); }
    // Sampling ticks let go because an exchange was still running.
    long ticksLetGo() const { return m_machine.ticksLetGo(); }
    // The port the running or last exchange asked, whatever the port is now: COM3 is 3.
    int askedPort() const { return m_askedPort; }

    // Asks the thermometer. A sampling tick that comes while an exchange runs is let go;
    // OneShot then runs right after it. The outcome comes later as replied() or failed(),
    // never inside this call.
    void request(Form form);

signals:
    void replied(Exchange::Form form, const QByteArray& reply);
    void failed(Exchange::Form form, const QString& reason);

private:
    void hearWaiting();
    void onData();
    void onWake();
    void onLineLost(const QString& message);
    void abandonNow();
    void carry(core::ExchangeStep step);
    void send();

    MSComm& m_line;
    core::ExchangeMachine m_machine;
    QTimer m_wake;
    int m_askedPort = 0;
    QString m_abandonReason;
};
