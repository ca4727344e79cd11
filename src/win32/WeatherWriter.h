#pragma once

#include "core/PathRules.h"
#include "core/Platform.h"

#include <string>

// Replaces the weather file whole and at once: the text goes to a new file beside the file the
// path leads to, which then takes its place, so the host program sees the old file or the new
// one and a failed write leaves the old one as it was. Where the folder lets no new file be
// made but the file itself may be written, the file is written in place instead. While the
// host program holds the file open, the write is held and waits for the session to retry it.
namespace win32 {

class WeatherWriter : public core::WeatherWriter
{
public:
    WeatherWriter() = default;
    ~WeatherWriter() override;
    WeatherWriter(const WeatherWriter&) = delete;
    WeatherWriter& operator=(const WeatherWriter&) = delete;

    core::WriteAttempt write(const std::string& path, const std::string& contents) override;
    core::WriteAttempt retry() override;
    std::string giveUp() override;

private:
    // The step that finds the file held: the new file taking the old one's place, or the
    // write in place.
    core::WriteAttempt replace();
    core::WriteAttempt writeInPlace();
    core::WriteAttempt held(unsigned long error);
    core::WriteAttempt failed(const std::string& reason);
    // Whatever is left of a new file goes.
    void forget();

    core::WriteMethod m_method = core::WriteMethod::Replace;
    bool m_pending = false;
    // What holds the pending write up: the system's words for it.
    std::string m_heldBecause;
    std::wstring m_file;
    std::wstring m_temporary;
    std::string m_contents;
    unsigned m_temporariesMade = 0;
};

} // namespace win32
