#pragma once

#include "core/Captions.h"
#include "core/Platform.h"

class DosDevices;

namespace qt {

// Replaces the weather file whole and at once: the new text goes to a new file in the folder
// the checked path leads to, which then takes the old file's place. A reader sees the old file
// or the new one, never a half-written or empty one, and a failed write leaves the old file as
// it was. Drive-letter paths go through the Wine prefix's drives. On this system a reader never
// keeps the file from being replaced, so a write is never held.
class WeatherWriter : public core::WeatherWriter
{
public:
    explicit WeatherWriter(const DosDevices& dosDevices) : m_dosDevices(dosDevices) {}

    core::WriteAttempt write(const std::string& path, const std::string& contents) override;
    core::WriteAttempt retry() override
    {
        return core::WriteAttempt::failure(core::captions::noWriteWaiting());
    }
    std::string giveUp() override { return {}; }

private:
    const DosDevices& m_dosDevices;
};

} // namespace qt
