#pragma once

#include "core/ExchangeMachine.h"
#include "core/Result.h"
#include "core/TickCounter.h"

#include <optional>
#include <string>

// What a reply from the thermometer means for the window: the temperature it shows and, on
// OneShot and every seventh tick, the weather field to write. A write that failed keeps
// saying so after every reading until a write succeeds.
namespace core {

class Readings
{
public:
    struct Reading
    {
        // The temperature field, as it came.
        std::string temperature;
        // Set when this reply writes the weather file.
        std::optional<std::string> weatherField;
        // Set, with the caption that says why, when the reply cannot be used at all.
        std::optional<std::string> refused;
    };

    // `port` names the port that was asked, as captions name it.
    Reading replied(ExchangeForm form, const std::string& reply, const std::string& port);
    // The write of the weather file to path ended, well or with the reason it failed.
    void written(const std::string& path, const Outcome& outcome);
    // A reading's caption, with the last write's failure after it while there is one.
    std::string caption(const std::string& reading) const;

    const TickCounter& counter() const { return m_counter; }

private:
    TickCounter m_counter;
    std::string m_failedPath;
    Outcome m_lastWrite = Done{};
};

} // namespace core
