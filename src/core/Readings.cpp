#include "core/Readings.h"

#include "core/Captions.h"
#include "core/ReplyFields.h"

namespace core {

Readings::Reading Readings::replied(ExchangeForm form, const std::string& reply,
                                    const std::string& port)
{
    const bool oneShot = form == ExchangeForm::OneShot;
    // OneShot leaves the tick counter as it is.
    const bool due = oneShot || m_counter.step();
    const std::string weather = weatherField(reply);
    // The old file stays as it was rather than take a field that would split its lines.
    Reading reading;
    if (due && breaksLine(weather)) {
        reading.refused = captions::malformed(port);
        return reading;
    }
    reading.temperature = temperatureField(reply);
    if (due)
        reading.weatherField = weather;
    return reading;
}

void Readings::written(const std::string& path, const Outcome& outcome)
{
    m_failedPath = path;
    m_lastWrite = outcome;
}

std::string Readings::caption(const std::string& reading) const
{
    return m_lastWrite.ok() ? reading
                            : captions::withFileError(reading, m_failedPath, m_lastWrite.reason());
}

} // namespace core
