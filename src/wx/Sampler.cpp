#include "wx/Sampler.h"

#include "wx/Clock.h"
#include "wx/Fields.h"
#include "wx/WeatherFile.h"
#include "wx/WeatherText.h"

namespace {
const QString kDegrees = QStringLiteral("\u00b0C");
}

Sampler::Sampler(Exchange& exchange, const Clock& clock, std::function<QString()> weatherPath,
                 QObject* parent)
    : QObject(parent), m_exchange(exchange), m_clock(clock), m_weatherPath(std::move(weatherPath))
{
    connect(&m_exchange, &Exchange::replied, this, &Sampler::onReply);
    connect(&m_exchange, &Exchange::failed, this, &Sampler::onFailure);
}

void Sampler::tick()
{
    // A tick that comes while the thermometer is still being asked is let go; the counter
    // only moves for ticks that really ask.
    if (!m_exchange.start(Exchange::Form::Sampling))
        ++m_ticksLetGo;
}

void Sampler::oneShot()
{
    if (!m_exchange.start(Exchange::Form::OneShot))
        m_oneShotPending = true;
}

void Sampler::onReply(Exchange::Form form, const QByteArray& reply)
{
    const QString temperature = QString::fromLatin1(Fields::temperature(reply)) + kDegrees;
    if (form == Exchange::Form::OneShot) {
        const bool wrote = WriteWeatherFile(Fields::weather(reply));
        emit status(withFileError(QStringLiteral("One shot ") + temperature));
        emit sampled(form, wrote);
    } else {
        const bool due = m_counter.step();
        const bool wrote = due && WriteWeatherFile(Fields::weather(reply));
        emit status(withFileError(temperature));
        emit sampled(form, wrote);
    }
    runPendingOneShot();
}

void Sampler::onFailure(Exchange::Form form, const QString& reason)
{
    Q_UNUSED(form);
    emit status(reason);
    runPendingOneShot();
}

void Sampler::runPendingOneShot()
{
    if (m_oneShotPending && !m_exchange.busy()) {
        m_oneShotPending = false;
        m_exchange.start(Exchange::Form::OneShot);
    }
}

bool Sampler::WriteWeatherFile(const QByteArray& weatherField)
{
    const QDateTime now = m_clock.now();
    emit weatherTextComposed(WeatherText::display(now, weatherField));
    const QString path = m_weatherPath();
    const QString error = WeatherFile::write(path, WeatherText::file(now, weatherField));
    m_fileError =
        error.isEmpty() ? QString() : QStringLiteral("cannot write %1: %2").arg(path, error);
    return error.isEmpty();
}

QString Sampler::withFileError(const QString& caption) const
{
    return m_fileError.isEmpty() ? caption : caption + QStringLiteral(" \u2013 ") + m_fileError;
}
