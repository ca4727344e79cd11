#pragma once

#include "core/Result.h"

#include <string>
#include <windows.h>

// Replaces the weather file whole and at once: the text goes to a temporary file in the same
// folder, which then takes the old file's place. The host program sees the old file or the
// new one, never a half-written one, and a failed write leaves the old file as it was.
// While the host program holds the file open, the replacement is tried again for about a
// second, without the window waiting: write() and retry() say Busy, and the caller calls
// retry() after kRetryMs.
class WeatherFile
{
public:
    enum class State
    {
        Done, // outcome() says how it ended
        Busy,
    };
    static constexpr UINT kRetryMs = 50;

    WeatherFile() = default;
    ~WeatherFile();
    WeatherFile(const WeatherFile&) = delete;
    WeatherFile& operator=(const WeatherFile&) = delete;

    // A write still waiting for the file is given up for the new one.
    State write(const std::string& path, const std::string& contents);
    State retry();
    const core::Result<core::Done>& outcome() const { return m_outcome; }

private:
    State replace();
    State finish(const core::Result<core::Done>& outcome);

    std::wstring m_target;
    std::wstring m_temporary;
    int m_attempts = 0;
    core::Result<core::Done> m_outcome = core::Done{};
};
