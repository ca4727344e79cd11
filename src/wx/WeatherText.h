#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

// The weather file's text from the core, for a Qt date and time and Qt's byte arrays.
namespace WeatherText {

QString dateLine(const QDateTime& when);
QString display(const QDateTime& when, const QByteArray& weatherField);
QByteArray file(const QDateTime& when, const QByteArray& weatherField);

} // namespace WeatherText
