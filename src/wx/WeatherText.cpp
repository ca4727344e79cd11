#include "wx/WeatherText.h"

#include "core/WeatherText.h"

namespace WeatherText {

namespace {

core::LocalTime localTime(const QDateTime& when)
{
    const QDate date = when.date();
    const QTime time = when.time();
    return {date.year(), date.month(), date.day(), time.hour(), time.minute()};
}

std::string bytes(const QByteArray& array)
{
    return std::string(array.constData(), std::size_t(array.size()));
}

QByteArray array(const std::string& bytes)
{
    return QByteArray(bytes.data(), qsizetype(bytes.size()));
}

} // namespace

QString dateLine(const QDateTime& when)
{
    return QString::fromLatin1(core::weatherDateLine(localTime(when)));
}

QString display(const QDateTime& when, const QByteArray& weatherField)
{
    return QString::fromLatin1(
        array(core::weatherDisplayText(localTime(when), bytes(weatherField))));
}

QByteArray file(const QDateTime& when, const QByteArray& weatherField)
{
    return array(core::weatherFileBytes(localTime(when), bytes(weatherField)));
}

} // namespace WeatherText
