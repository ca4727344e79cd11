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

namespace {

// The folders are made only when the file cannot be opened, not on every line. Another program
// of ours, on another port, may append to the same record at the same moment.
HANDLE openToAppend(const std::wstring& path)
{
    const auto open = [&path] {
        return CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    HANDLE file = open();
    if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_PATH_NOT_FOUND)
        return file;
    // The folders on the way, each made if missing.
    for (std::size_t at = path.find(L'\\', 3); at != std::wstring::npos;
         at = path.find(L'\\', at + 1))
        CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
    return open();
}

} // namespace

// Every failure is let go: a record that cannot be written must not hold a reading up.
void RecordFile::add(const std::string& line)
{
    if (m_path.empty())
        return;
    const std::string bytes = line + "\r\n";
    HANDLE file = openToAppend(m_path);
    if (file == INVALID_HANDLE_VALUE)
        return;
    LARGE_INTEGER size = {};
    if (GetFileSizeEx(file, &size) &&
        ULONGLONG(size.QuadPart) + bytes.size() > core::kRecordFileBytes) {
        CloseHandle(file);
        MoveFileExW(m_path.c_str(), (m_path + widen(core::kOlderRecordSuffix)).c_str(),
                    MOVEFILE_REPLACE_EXISTING);
        file = openToAppend(m_path);
        if (file == INVALID_HANDLE_VALUE)
            return;
    }
    DWORD written = 0;
    WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

} // namespace win32
