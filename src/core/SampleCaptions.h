#pragma once

#include "core/ExchangeMachine.h"

#include <string>
#include <vector>

// The caption texts of readings, of the line and of the settings store, in UTF-8. The port
// selector's own texts are in Captions.h.
namespace core::captions {

// A reading: the temperature field as it came (each byte one Latin-1 character), then "°C".
std::string reading(const std::string& temperatureField);
std::string oneShot(const std::string& temperatureField);
// A reading whose weather file could not be written keeps saying so.
std::string withFileError(const std::string& caption, const std::string& path,
                          const std::string& reason);

std::string notOpen(int port, const std::string& reason);
std::string lost(int port, const std::string& reason);
std::string noAnswer(int port);
// Why an exchange that ended without a reply (any outcome but Replied and Abandoned) gave none.
std::string exchangeFailed(const ExchangeStep& step, int port);
// The reply's weather field would split the file's lines, so the file was not written.
std::string malformed(int port);

std::string pathNotSaved(const std::string& location);
std::string portNotSaved(const std::string& location);
std::string settingsNotSaved(bool started, const std::string& location);
// Stored values that start-up could not read ("WXPath", or "WXPath and CPort" on one line).
std::string cannotBeRead(const std::vector<std::string>& names, const std::string& where);
std::string pathLongerThanBox(std::size_t characters);
// The caption start-up leaves: every problem it met, else the news that the settings could
// not be saved, else "Stopped".
std::string startUp(const std::vector<std::string>& problems, bool settingsUnsaved,
                    const std::string& location);

// Why a port or a file could not be used, for the captions above.
std::string noSuchPort(int port);
std::string portInUse();
std::string lineSettingsRefused(const std::string& settings);
std::string deviceStoppedAnswering();
std::string noPathSet();

// The device's bytes as text: each byte is the Latin-1 character of that code.
std::string latin1ToUtf8(const std::string& bytes);

} // namespace core::captions
