#pragma once

// The two settings the program keeps, by the names the store knows them under, with the text
// that stands in for a value that is missing.
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

} // namespace core
