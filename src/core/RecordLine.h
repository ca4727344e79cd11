#pragma once

#include "core/WeatherText.h"

#include <cstdint>
#include <string>
#include <string_view>

// The record of every reading and failure, for a station nobody watches: one line each, with
// the local date and time and the port, so that what happened overnight can be read the next
// morning. It is kept to two files of a bounded size, the current one and the one before it.
namespace core {

inline constexpr std::uintmax_t kRecordFileBytes = 1024 * 1024;
inline constexpr const char* kRecordFileName = "UiQuorvix.log";
// The file before the current one: the current one's name and this.
inline constexpr const char* kOlderRecordSuffix = ".1";

// "2026-12-09 14:02:33 COM1: +21.3°C", with the reading or the reason.
std::string recordLine(const LocalTime& when, std::string_view port, std::string_view what);

// "14:02", or "Dec 08 14:02" when the reading was on another day than `now`.
std::string readingTime(const LocalTime& when, const LocalTime& now);

} // namespace core
