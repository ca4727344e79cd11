#pragma once

#include "core/Platform.h"

// The two settings as REG_SZ values in the key Software\<organisation>\<program>\Config of
// HKEY_CURRENT_USER. Each access opens and closes the key, so another program's change is
// seen at once.
namespace win32 {

class SettingsStore : public core::SettingsStore
{
public:
    core::StoredValue read(const char* name) const override;
    core::Outcome write(const char* name, const std::string& text) const override;
    std::string location() const override;
};

} // namespace win32
