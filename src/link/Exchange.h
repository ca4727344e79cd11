#pragma once

#include <QByteArray>
#include <QObject>
#include <QTimer>

class MSComm;

// One command-and-reply exchange with the thermometer, driven by the line's ready-read
// signal and bounded by a deadline, so the window never waits inside a loop.
// Sampling form: send ESC "M", take everything waiting once at least 51 characters wait.
// One-shot form: send ESC "M", wait for 5 and throw them away, then wait for 50 and take
// everything waiting. Only one exchange runs at a time.
class Exchange : public QObject
{
    Q_OBJECT

public:
    enum class Form
    {
        Sampling,
        OneShot
    };

    static constexpr int kDefaultTimeoutMs = 3000;

    explicit Exchange(MSComm& line, QObject* parent = nullptr);

    void setTimeout(int milliseconds) { m_deadline.setInterval(milliseconds); }
    bool busy() const { return m_busy; }
    Form form() const { return m_form; }

    // Starts an exchange; the outcome comes later as replied() or failed(), never nested
    // inside this call. Returns false, starting nothing, while another exchange runs.
    bool start(Form form);

signals:
    void replied(Exchange::Form form, const QByteArray& reply);
    void failed(Exchange::Form form, const QString& reason);

private:
    void checkWaiting();
    void giveUp();
    void lose(const QString& message);
    void finish();
    void failLater(const QString& reason);

    MSComm& m_line;
    QTimer m_deadline;
    Form m_form = Form::Sampling;
    bool m_busy = false;
    bool m_discardFirst = false;
    qint64 m_needed = 0;
};
