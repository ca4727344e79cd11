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

struct SettingRead
{
    std::string text;
    // The store holds the text read (false: the default could not be written back).
    bool saved = true;
    // Set when what may hold the value cannot be read: where and why.
    std::optional<std::string> unreadable;
};

// A missing value, or one of another type, is replaced by its default, which is written back
// and returned. A value that may stand where the store cannot be read gives the default too,
// but what holds it is left as it is.
SettingRead readSetting(const SettingsStore& store, const ConfigValue& value);

} // namespace core
