#include "wx/WeatherText.h"

namespace WeatherText {

namespace {
const char* const kMonthNames[13] = {"",    "Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
}

QString dateLine(const QDateTime& when)
{
    const QDate date = when.date();
    const QTime time = when.time();
    return QString::asprintf("%s %02d %04d %02d:%02d", kMonthNames[date.month()], date.day(),
                             date.year(), time.hour(), time.minute());
}

QString display(const QDateTime& when, const QByteArray& weatherField)
{
    return dateLine(when) + QStringLiteral("\r\n") + QString::fromLatin1(weatherField);
}

QByteArray file(const QDateTime& when, const QByteArray& weatherField)
{
    return dateLine(when).toLatin1() + "\r\n" + weatherField + "\r\n";
}

} // namespace WeatherText
