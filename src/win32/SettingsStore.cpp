#include "SettingsStore.h"

#include "Text.h"
#include "core/Captions.h"
#include "core/Settings.h"

#include <vector>
#include <windows.h>

namespace win32 {

namespace {

std::wstring subKey()
{
    return widen(std::string("Software\\") + core::kOrganisation + "\\" + core::kApplication +
                 "\\" + core::kConfigGroup);
}

core::StoredValue missing()
{
    return core::StoredValue(std::nullopt);
}

} // namespace

core::StoredValue SettingsStore::read(const char* name) const
{
    HKEY key = nullptr;
    const LONG opened =
        RegOpenKeyExW(HKEY_CURRENT_USER, subKey().c_str(), 0, KEY_QUERY_VALUE, &key);
    if (opened == ERROR_FILE_NOT_FOUND)
        return missing();
    if (opened != ERROR_SUCCESS)
        return core::StoredValue::failure(
            core::captions::storeUnreadable(location(), errorText(DWORD(opened))));

    const std::wstring valueName = widen(name);
    DWORD type = 0;
    DWORD size = 0;
    std::vector<BYTE> bytes;
    LONG result = RegQueryValueExW(key, valueName.c_str(), nullptr, &type, nullptr, &size);
    // Another program may lengthen the value between the two calls: ask again until it fits.
    while (result == ERROR_SUCCESS || result == ERROR_MORE_DATA) {
        if (type != REG_SZ)
            break;
        bytes.resize(size);
        result = RegQueryValueExW(key, valueName.c_str(), nullptr, &type, bytes.data(), &size);
        if (result == ERROR_SUCCESS) {
            bytes.resize(size);
            break;
        }
    }
    RegCloseKey(key);
    if (result == ERROR_FILE_NOT_FOUND || (result == ERROR_SUCCESS && type != REG_SZ))
        return missing();
    if (result != ERROR_SUCCESS)
        return core::StoredValue::failure(
            core::captions::storeUnreadable(location(), errorText(DWORD(result))));

    // A value of size 0 is empty; the terminator, where one was stored, is not part of the text.
    std::wstring text(bytes.size() / sizeof(wchar_t), L'\0');
    if (!text.empty())
        CopyMemory(text.data(), bytes.data(), text.size() * sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0')
        text.pop_back();
    return core::StoredValue(narrow(text));
}

core::Outcome SettingsStore::write(const char* name, const std::string& text) const
{
    HKEY key = nullptr;
    const LONG created =
        RegCreateKeyExW(HKEY_CURRENT_USER, subKey().c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_SET_VALUE, nullptr, &key, nullptr);
    if (created != ERROR_SUCCESS)
        return core::Outcome::failure(errorText(DWORD(created)));
    const std::wstring wide = widen(text);
    const LONG result = RegSetValueExW(key, widen(name).c_str(), 0, REG_SZ,
                                       reinterpret_cast<const BYTE*>(wide.c_str()),
                                       DWORD((wide.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    if (result != ERROR_SUCCESS)
        return core::Outcome::failure(errorText(DWORD(result)));
    return core::Done{};
}

std::string SettingsStore::location() const
{
    return "HKEY_CURRENT_USER\\" + narrow(subKey());
}

} // namespace win32
