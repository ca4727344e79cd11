#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

// The two-line text of the weather file: "Mar 05 2003 07:04", CR LF, the weather field.
// The host program reads English month names and a colon between hours and minutes
// whatever this machine's locale, and the weather field goes through byte for byte.
namespace WeatherText {

// Line one, from a single reading of the clock so date and time always belong together.
QString dateLine(const QDateTime& when);

// The text shown in the window: line one, CR LF, the field, with no final line ending.
QString display(const QDateTime& when, const QByteArray& weatherField);

// The bytes of the file: the displayed text followed by CR LF.
QByteArray file(const QDateTime& when, const QByteArray& weatherField);

} // namespace WeatherText
