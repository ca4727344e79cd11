#pragma once

#include "core/ConfigValues.h"

#include <string>

// The two settings under HKEY_CURRENT_USER\Software\<organisation>\<program>\Config, as
// strings. Each access opens and closes the key, so another program's change is seen at once.
class Registry
{
public:
    // The stored text, or the default, which is then stored. `saved` tells whether the store
    // holds the text returned.
    std::string ReadConfigValue(const core::ConfigValue& value, bool* saved) const;
    bool WriteConfigValue(const char* name, const std::string& text) const;

    // Where the values live, for the caption.
    std::string location() const;
};
