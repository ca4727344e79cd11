#include "Registry.h"

#include "Text.h"

#include <vector>
#include <windows.h>

namespace {

std::wstring subKey()
{
    return win::widen(std::string("Software\\") + core::kOrganisation + "\\" + core::kApplication +
                      "\\" + core::kConfigGroup);
}

HKEY openKey(REGSAM access)
{
    HKEY key = nullptr;
    wchar_t noClass[] = L"";
    const LONG result = RegCreateKeyExW(HKEY_CURRENT_USER, subKey().c_str(), 0, noClass,
                                        REG_OPTION_NON_VOLATILE, access, nullptr, &key, nullptr);
    return result == ERROR_SUCCESS ? key : nullptr;
}

} // namespace

std::string Registry::ReadConfigValue(const core::ConfigValue& value, bool* saved) const
{
    const std::wstring name = win::widen(value.name);
    if (HKEY key = openKey(KEY_READ)) {
        DWORD type = 0;
        DWORD size = 0;
        LONG result = RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size);
        std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
        if (result == ERROR_SUCCESS && type == REG_SZ) {
            size = DWORD(buffer.size() * sizeof(wchar_t));
            result = RegQueryValueExW(key, name.c_str(), nullptr, &type,
                                      reinterpret_cast<BYTE*>(buffer.data()), &size);
        }
        RegCloseKey(key);
        if (result == ERROR_SUCCESS && type == REG_SZ) {
            // The stored terminator, if any, is not part of the text; a size of 0 is empty.
            std::wstring text(buffer.data(), size / sizeof(wchar_t));
            while (!text.empty() && text.back() == L'\0')
                text.pop_back();
            *saved = true;
            return win::narrow(text);
        }
    }
    *saved = WriteConfigValue(value.name, value.defaultText);
    return value.defaultText;
}

bool Registry::WriteConfigValue(const char* name, const std::string& text) const
{
    HKEY key = openKey(KEY_WRITE);
    if (!key)
        return false;
    const std::wstring wide = win::widen(text);
    const LONG result = RegSetValueExW(key, win::widen(name).c_str(), 0, REG_SZ,
                                       reinterpret_cast<const BYTE*>(wide.c_str()),
                                       DWORD((wide.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

std::string Registry::location() const
{
    return "HKEY_CURRENT_USER\\" + win::narrow(subKey());
}
