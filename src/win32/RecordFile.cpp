#include "RecordFile.h"

#include "Text.h"
#include "core/RecordLine.h"
#include "core/Settings.h"

#include <windows.h>

namespace win32 {

std::wstring RecordFile::defaultPath()
{
    wchar_t folder[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return {};
    return std::wstring(folder) + L"\\" + widen(core::kOrganisation) + L"\\" +
           widen(core::kApplication) + L"\\" + widen(core::kRecordFileName);
}

// Every failure is let go: a record that cannot be written must not hold a reading up.
void RecordFile::add(const std::string& line)
{
    if (m_path.empty())
        return;
    // The folders on the way, each made if missing.
    for (std::size_t at = m_path.find(L'\\', 3); at != std::wstring::npos;
         at = m_path.find(L'\\', at + 1))
        CreateDirectoryW(m_path.substr(0, at).c_str(), nullptr);

    const std::string bytes = line + "\r\n";
    WIN32_FILE_ATTRIBUTE_DATA current = {};
    if (GetFileAttributesExW(m_path.c_str(), GetFileExInfoStandard, &current)) {
        const ULONGLONG size = (ULONGLONG(current.nFileSizeHigh) << 32) | current.nFileSizeLow;
        if (size + bytes.size() > core::kRecordFileBytes)
            MoveFileExW(m_path.c_str(), (m_path + widen(core::kOlderRecordSuffix)).c_str(),
                        MOVEFILE_REPLACE_EXISTING);
    }
    const HANDLE file = CreateFileW(m_path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

} // namespace win32
