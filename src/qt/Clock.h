#pragma once

#include "core/Platform.h"

#include <QDateTime>

namespace qt {

// The system's clocks. Tests stand the wall clock at any date and time by giving it one.
class Clock : public core::Clock
{
public:
    core::LocalTime localTime() const override;
    core::ExchangeTime now() const override;

    // The local time a QDateTime stands for, as the weather file's date line wants it.
    static core::LocalTime localTimeOf(const QDateTime& when);

protected:
    virtual QDateTime wallClock() const;
};

} // namespace qt
