#include "wx/Sampler.h"

#include "wx/Clock.h"
#include "wx/WeatherFile.h"
#include "wx/WeatherText.h"

Sampler::Sampler(Exchange& exchange, const Clock& clock, const DosDevices& dosDevices,
                 std::function<QString()> weatherPath, QObject* parent)
    : QObject(parent), m_exchange(exchange), m_clock(clock), m_dosDevices(dosDevices),
      m_weatherPath(std::move(weatherPath))
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
    const core::Sampling::Reading reading =
        m_sampling.replied(form == Exchange::Form::OneShot ? core::ExchangeForm::OneShot
                                                           : core::ExchangeForm::Sampling,
                           reply.toStdString(), m_exchange.askedPort());
    const bool wrote =
        reading.weatherField && WriteWeatherFile(QByteArray::fromStdString(*reading.weatherField));
    emit status(QString::fromStdString(m_sampling.caption(reading.caption)));
    emit sampled(form, wrote);
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
    const Result<Done> written =
        WeatherFile::write(m_dosDevices, path, WeatherText::file(now, weatherField));
    m_sampling.written(path.toStdString(),
                       written.ok() ? core::Result<Done>(Done{})
                                    : core::Result<Done>::failure(written.reason().toStdString()));
    return written.ok();
}
