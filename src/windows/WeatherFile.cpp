#include "WeatherFile.h"

#include "Text.h"
#include "core/PathRules.h"

#include <windows.h>

namespace {

// The host program may hold the file open for a moment while it reads it.
constexpr int kReplaceAttempts = 20;

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

using core::Done;
using Outcome = core::Result<Done>;

Outcome writeTemporary(const std::wstring& temporary, const std::string& contents)
{
    HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return Outcome::failure(win::errorText(GetLastError()));
    DWORD written = 0;
    const bool wrote =
        WriteFile(file, contents.data(), DWORD(contents.size()), &written, nullptr) &&
        written == contents.size();
    const DWORD writeError = GetLastError();
    const bool flushed = wrote && FlushFileBuffers(file);
    const DWORD flushError = GetLastError();
    CloseHandle(file);
    if (!wrote)
        return Outcome::failure(writeError == ERROR_SUCCESS ? "the disk is full"
                                                            : win::errorText(writeError));
    if (!flushed)
        return Outcome::failure(win::errorText(flushError));
    return Done{};
}

} // namespace

WeatherFile::~WeatherFile()
{
    finish(Done{});
}

WeatherFile::State WeatherFile::write(const std::string& path, const std::string& contents)
{
    finish(Done{});
    for (const core::Result<core::Done>& checked :
         {core::refuseBlankPath(path), core::refuseControlCharacters(path),
          core::refuseWindowsDevices(path)}) {
        if (!checked.ok())
            return finish(checked);
    }
    m_target = win::widen(path);
    // Only a regular file is replaced: a folder of that name, or anything else, stays.
    const DWORD attributes = GetFileAttributesW(m_target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)))
        return finish(Outcome::failure("it is not a regular file"));

    const std::wstring folder = folderOf(m_target);
    if (GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        return finish(
            Outcome::failure(error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                                 ? "the folder does not exist"
                                 : win::errorText(error)));
    }
    wchar_t temporary[MAX_PATH + 1] = {};
    if (!GetTempFileNameW(folder.c_str(), L"uiq", 0, temporary))
        return finish(Outcome::failure(win::errorText(GetLastError())));
    m_temporary = temporary;
    const Outcome written = writeTemporary(m_temporary, contents);
    if (!written.ok())
        return finish(written);
    m_attempts = 0;
    return replace();
}

WeatherFile::State WeatherFile::retry()
{
    return m_temporary.empty() ? State::Done : replace();
}

WeatherFile::State WeatherFile::replace()
{
    if (MoveFileExW(m_temporary.c_str(), m_target.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        m_temporary.clear();
        return finish(Done{});
    }
    const DWORD error = GetLastError();
    if (isBusy(error) && ++m_attempts < kReplaceAttempts)
        return State::Busy;
    return finish(Outcome::failure(win::errorText(error)));
}

// Whatever is left of the temporary file goes; the old file is never touched here.
WeatherFile::State WeatherFile::finish(const Outcome& outcome)
{
    if (!m_temporary.empty()) {
        DeleteFileW(m_temporary.c_str());
        m_temporary.clear();
    }
    m_outcome = outcome;
    return State::Done;
}
