#pragma once

#include "core/Platform.h"

#include <string>

// The two settings the program keeps, by the names the store knows them under, with the text
// that stands in for a value that is missing, and the rule for reading one.
namespace core {

struct ConfigValue
{
    const char* name;
    const char* defaultText;
};

// Where the values live: the organisation and program names, and the group (or key) under them.
extern const char* const kOrganisation;
extern const char* const kApplication;
extern const char* const kConfigGroup;

extern const ConfigValue kWXPath;
extern const ConfigValue kCPort;

// A setting as start-up takes it: always a text, the stored one or the default, and two ways
// the store may have failed on the way.
struct SettingRead
{
    std::string text;
    // The default could not be written back over a missing value: why.
    Outcome stored = Done{};
    // What may hold the value cannot be read: where and why.
    Outcome readable = Done{};
};

// A missing value, or one of another type, is replaced by its default, which is written back
// and returned. A value that may stand where the store cannot be read gives the default too,
// but what holds it is left as it is.
SettingRead readSetting(const SettingsStore& store, const ConfigValue& value);

} // namespace core
