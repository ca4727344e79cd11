#pragma once

#include <string>

// Replaces the weather file whole and at once: the text goes to a temporary file in the same
// folder, which then takes the old file's place. The host program sees the old file or the
// new one, never a half-written one, and a failed write leaves the old file as it was.
namespace WeatherFile {

// Returns an empty text on success, else the reason (UTF-8).
std::string write(const std::string& path, const std::string& contents);

} // namespace WeatherFile
