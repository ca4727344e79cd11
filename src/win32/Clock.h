#pragma once

#include "core/Platform.h"

// The wall clock for the weather file's date line, and the steady clock for everything timed.
namespace win32 {

class Clock : public core::Clock
{
public:
    core::LocalTime localTime() const override;
    core::ExchangeTime now() const override;
};

} // namespace win32
