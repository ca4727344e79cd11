#include "WeatherFile.h"

#include "Text.h"
#include "core/PathRules.h"

#include <windows.h>

namespace {

// The host program may hold the file open for a moment while it reads it.
constexpr int kReplaceAttempts = 20;
constexpr DWORD kReplaceRetryMs = 50;

bool isBusy(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
           error == ERROR_ACCESS_DENIED;
}

std::wstring folderOf(const std::wstring& path)
{
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? L"." : path.substr(0, slash + 1);
}

std::string writeTemporary(const std::wstring& temporary, const std::string& contents)
{
    HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return win::errorText(GetLastError());
    DWORD written = 0;
    const bool wrote =
        WriteFile(file, contents.data(), DWORD(contents.size()), &written, nullptr) &&
        written == contents.size();
    const DWORD writeError = GetLastError();
    const bool flushed = wrote && FlushFileBuffers(file);
    const DWORD flushError = GetLastError();
    CloseHandle(file);
    if (!wrote)
        return writeError == ERROR_SUCCESS ? "the disk is full" : win::errorText(writeError);
    if (!flushed)
        return win::errorText(flushError);
    return {};
}

} // namespace

namespace WeatherFile {

std::string write(const std::string& path, const std::string& contents)
{
    if (path.find_first_not_of(" \t") == std::string::npos)
        return "no path is set";
    for (const std::string& reason :
         {core::controlCharacterReason(path), core::windowsDeviceReason(path)}) {
        if (!reason.empty())
            return reason;
    }
    const std::wstring target = win::widen(path);
    // Only a regular file is replaced: a folder of that name, or anything else, stays.
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)))
        return "it is not a regular file";

    const std::wstring folder = folderOf(target);
    const DWORD folderAttributes = GetFileAttributesW(folder.c_str());
    if (folderAttributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                   ? "the folder does not exist"
                   : win::errorText(error);
    }
    wchar_t temporary[MAX_PATH + 1] = {};
    if (!GetTempFileNameW(folder.c_str(), L"uiq", 0, temporary))
        return win::errorText(GetLastError());
    std::string error = writeTemporary(temporary, contents);
    if (error.empty()) {
        for (int attempt = 1;; ++attempt) {
            if (MoveFileExW(temporary, target.c_str(),
                            MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
                return {};
            const DWORD moveError = GetLastError();
            if (!isBusy(moveError) || attempt == kReplaceAttempts) {
                error = win::errorText(moveError);
                break;
            }
            Sleep(kReplaceRetryMs);
        }
    }
    DeleteFileW(temporary);
    return error;
}

} // namespace WeatherFile
