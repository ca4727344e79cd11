#include "WeatherWriter.h"

#include "Text.h"
#include "WriteTarget.h"
#include "core/Captions.h"

#include <windows.h>

namespace win32 {

namespace {

// How the system says that another program holds the file: Windows refuses to replace a file
// that is open without delete sharing as access denied, Wine as a sharing violation.
bool isHeld(DWORD error, core::WriteMethod method)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
           (method == core::WriteMethod::Replace && error == ERROR_ACCESS_DENIED);
}

std::string writeError(DWORD error)
{
    return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL ? core::captions::diskFull()
                                                                       : errorText(error);
}

// Writes the whole text and makes sure it reached the disk; the file ends where the text does.
core::Outcome writeAll(HANDLE file, const std::string& contents)
{
    DWORD written = 0;
    if (!WriteFile(file, contents.data(), DWORD(contents.size()), &written, nullptr))
        return core::Outcome::failure(writeError(GetLastError()));
    // A write that takes only part of the text found the disk full.
    if (written != contents.size())
        return core::Outcome::failure(core::captions::diskFull());
    if (!SetEndOfFile(file) || !FlushFileBuffers(file))
        return core::Outcome::failure(writeError(GetLastError()));
    return core::Done{};
}

// Whether the file may be written, looked at without changing it. A file another program
// holds may still be: only a refusal says it may not.
bool mayWrite(const std::wstring& file)
{
    HANDLE handle = CreateFileW(file.c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return GetLastError() != ERROR_ACCESS_DENIED;
    CloseHandle(handle);
    return true;
}

std::wstring inFolder(const std::wstring& folder, const std::wstring& name)
{
    const wchar_t last = folder.empty() ? L'\\' : folder.back();
    return last == L'\\' || last == L'/' ? folder + name : folder + L"\\" + name;
}

// A new file of a name of its own in the folder, or why the folder refused one.
struct NewFile
{
    HANDLE handle = INVALID_HANDLE_VALUE;
    std::wstring name;
    DWORD refused = ERROR_SUCCESS;
};

// The name is chosen and the file made here: Wine's GetTempFileName says it made a file even
// where the folder refused it.
NewFile makeNewFile(const std::wstring& folder, unsigned& made)
{
    NewFile file;
    for (int tries = 0; tries < 100; ++tries) {
        file.name = inFolder(folder, L"~UiQuorvix-" + std::to_wstring(GetCurrentProcessId()) +
                                         L"-" + std::to_wstring(++made) + L".tmp");
        file.handle = CreateFileW(file.name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file.handle != INVALID_HANDLE_VALUE)
            return file;
        file.refused = GetLastError();
        if (file.refused != ERROR_FILE_EXISTS)
            break;
    }
    return file;
}

} // namespace

WeatherWriter::~WeatherWriter()
{
    forget();
}

core::WriteAttempt WeatherWriter::write(const std::string& path, const std::string& contents)
{
    forget();
    const core::Result<WriteTarget> found = WriteTarget::find(path);
    if (!found.ok())
        return failed(found.reason());
    const WriteTarget& target = *found.value();
    m_file = target.file;

    const NewFile temporary = makeNewFile(target.folder, m_temporariesMade);
    if (temporary.handle == INVALID_HANDLE_VALUE) {
        const bool folderWritable = temporary.refused != ERROR_ACCESS_DENIED;
        m_method = core::chooseWriteMethod(folderWritable, target.exists && mayWrite(m_file));
        if (m_method == core::WriteMethod::Replace)
            return failed(errorText(temporary.refused));
        m_contents = contents;
        return writeInPlace();
    }

    m_method = core::WriteMethod::Replace;
    m_temporary = temporary.name;
    const core::Outcome written = writeAll(temporary.handle, contents);
    CloseHandle(temporary.handle);
    if (!written.ok())
        return failed(written.reason());
    return replace();
}

core::WriteAttempt WeatherWriter::retry()
{
    if (!m_pending)
        return failed(core::captions::noWriteWaiting());
    return m_method == core::WriteMethod::InPlace ? writeInPlace() : replace();
}

std::string WeatherWriter::giveUp()
{
    std::string why = m_heldBecause;
    forget();
    return why;
}

void WeatherWriter::forget()
{
    if (!m_temporary.empty())
        DeleteFileW(m_temporary.c_str());
    m_temporary.clear();
    m_contents.clear();
    m_pending = false;
    m_heldBecause.clear();
}

core::WriteAttempt WeatherWriter::held(unsigned long error)
{
    m_pending = true;
    m_heldBecause = errorText(error);
    return core::WriteProgress::Held;
}

core::WriteAttempt WeatherWriter::replace()
{
    if (MoveFileExW(m_temporary.c_str(), m_file.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        m_temporary.clear();
        forget();
        return core::WriteProgress::Written;
    }
    const DWORD error = GetLastError();
    if (isHeld(error, m_method))
        return held(error);
    return failed(errorText(error));
}

core::WriteAttempt WeatherWriter::writeInPlace()
{
    HANDLE file = CreateFileW(m_file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (isHeld(error, m_method))
            return held(error);
        return failed(errorText(error));
    }
    const core::Outcome written = writeAll(file, m_contents);
    CloseHandle(file);
    if (!written.ok())
        return failed(written.reason());
    forget();
    return core::WriteProgress::Written;
}

// Whatever is left of the new file goes; the old file is never touched here.
core::WriteAttempt WeatherWriter::failed(const std::string& reason)
{
    forget();
    return core::WriteAttempt::failure(reason);
}

} // namespace win32
