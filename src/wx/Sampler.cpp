#include "wx/Sampler.h"

#include "core/WeatherField.h"
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
    m_exchange.request(Exchange::Form::Sampling);
}

void Sampler::oneShot()
{
    m_exchange.request(Exchange::Form::OneShot);
}

void Sampler::onReply(Exchange::Form form, const QByteArray& reply)
{
    const QString temperature = QString::fromLatin1(Fields::temperature(reply)) + kDegrees;
    const QByteArray weather = Fields::weather(reply);
    const bool due = form == Exchange::Form::OneShot || m_counter.step();
    // The old file stays as it was rather than take a field that would split its lines.
    if (due && core::breaksLine(std::string_view(weather.constData(), weather.size()))) {
        emit status(malformed());
        emit sampled(form, false);
        return;
    }
    const bool wrote = due && WriteWeatherFile(weather);
    const QString prefix =
        form == Exchange::Form::OneShot ? QStringLiteral("One shot ") : QString();
    emit status(withFileError(prefix + temperature));
    emit sampled(form, wrote);
}

QString Sampler::malformed() const
{
    return QStringLiteral("The thermometer's reply on %1 was malformed; the weather file was "
                          "not written")
        .arg(m_exchange.askedPort());
}

void Sampler::onFailure(Exchange::Form form, const QString& reason)
{
    Q_UNUSED(form);
    emit status(reason);
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
