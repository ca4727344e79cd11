#pragma once

#include "core/Sampling.h"
#include "link/Exchange.h"

#include <QObject>
#include <functional>

class Clock;
class DosDevices;

// What a sampling tick and the OneShot button do: ask the thermometer, show the temperature,
// and write the weather file on OneShot and on every seventh tick. A weather field that would
// break the file's lines is never written.
class Sampler : public QObject
{
    Q_OBJECT

public:
    Sampler(Exchange& exchange, const Clock& clock, const DosDevices& dosDevices,
            std::function<QString()> weatherPath, QObject* parent = nullptr);

    void tick();
    void oneShot();

    const core::TickCounter& counter() const { return m_sampling.counter(); }
    // Ticks that came while the thermometer was still being asked.
    long ticksLetGo() const { return m_exchange.ticksLetGo(); }
    // The thermometer is being asked right now.
    bool busy() const { return m_exchange.busy(); }
    // Why the last write of the weather file failed; empty once a write succeeds.
    QString fileError() const { return QString::fromStdString(m_sampling.fileError()); }

signals:
    void status(const QString& caption);
    void weatherTextComposed(const QString& text);
    void sampled(Exchange::Form form, bool wroteFile);

private:
    void onReply(Exchange::Form form, const QByteArray& reply);
    void onFailure(Exchange::Form form, const QString& reason);
    bool WriteWeatherFile(const QByteArray& weatherField);

    Exchange& m_exchange;
    const Clock& m_clock;
    const DosDevices& m_dosDevices;
    std::function<QString()> m_weatherPath;
    core::Sampling m_sampling;
};
