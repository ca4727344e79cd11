#include "WriteTarget.h"

#include "Text.h"
#include "core/Captions.h"
#include "core/PathRules.h"

#include <windows.h>

namespace win32 {

namespace {

using core::captions::EntryKind;
using Found = core::Result<WriteTarget>;

bool isMissing(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
           error == ERROR_DIRECTORY;
}

bool startsWith(const std::wstring& text, const std::wstring& start)
{
    return text.compare(0, start.size(), start) == 0;
}

core::Result<std::wstring> fullPath(const std::wstring& path)
{
    const DWORD length = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    std::wstring full(length, L'\0');
    if (length == 0)
        return core::Result<std::wstring>::failure(errorText(GetLastError()));
    full.resize(GetFullPathNameW(path.c_str(), length, full.data(), nullptr));
    return full;
}

// "C:\UiView" of "C:\UiView\WXprs.txt"; a drive's root keeps its backslash.
std::wstring folderOf(const std::wstring& path)
{
    const std::size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos)
        return L".";
    const std::wstring folder = path.substr(0, slash);
    if (folder.empty() || (folder.size() == 2 && folder[1] == L':'))
        return path.substr(0, slash + 1);
    return folder;
}

EntryKind kindOfAttributes(DWORD attributes)
{
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return EntryKind::Folder;
    if (attributes & FILE_ATTRIBUTE_DEVICE)
        return EntryKind::Device;
    return EntryKind::File;
}

EntryKind kindOf(HANDLE entry)
{
    switch (GetFileType(entry)) {
    case FILE_TYPE_DISK: {
        BY_HANDLE_FILE_INFORMATION information = {};
        if (!GetFileInformationByHandle(entry, &information))
            return EntryKind::Unknown;
        return kindOfAttributes(information.dwFileAttributes);
    }
    case FILE_TYPE_CHAR:
        return EntryKind::Device;
    case FILE_TYPE_PIPE:
        return EntryKind::NamedPipe;
    default:
        return EntryKind::Unknown;
    }
}

// Where an open entry really is, every link followed, as a plain DOS path: without the "\\?\"
// that marks a long one, so a caption shows it as the user would write it.
std::wstring finalPath(HANDLE entry, const std::wstring& opened)
{
    const DWORD length = GetFinalPathNameByHandleW(entry, nullptr, 0, VOLUME_NAME_DOS);
    if (length == 0)
        return opened;
    std::wstring path(length, L'\0');
    path.resize(GetFinalPathNameByHandleW(entry, path.data(), length, VOLUME_NAME_DOS));
    if (startsWith(path, L"\\\\?\\UNC\\"))
        return L"\\\\" + path.substr(8);
    if (startsWith(path, L"\\\\?\\"))
        return path.substr(4);
    return path;
}

bool samePath(const std::wstring& a, const std::wstring& b)
{
    return CompareStringOrdinal(a.c_str(), int(a.size()), b.c_str(), int(b.size()), TRUE) ==
           CSTR_EQUAL;
}

// The folder of a path that cannot be reached: the first folder on the way that is missing,
// or what stands where a folder should.
Found blockedWay(const std::wstring& folder, const std::wstring& path, DWORD error)
{
    std::wstring missing;
    for (std::wstring here = folder;; here = folderOf(here)) {
        const DWORD attributes = GetFileAttributesW(here.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES) {
            if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
                return Found::failure(
                    core::captions::notAFolder(narrow(here), kindOfAttributes(attributes)));
            if (missing.empty())
                break;
            return Found::failure(core::captions::folderMissing(narrow(missing)));
        }
        const DWORD lookedUp = GetLastError();
        if (!isMissing(lookedUp))
            return Found::failure(core::captions::unreachable(narrow(here), errorText(lookedUp)));
        missing = here;
        if (folderOf(here) == here)
            return Found::failure(core::captions::folderMissing(narrow(missing)));
    }
    return Found::failure(core::captions::unreachable(narrow(path), errorText(error)));
}

} // namespace

Found WriteTarget::find(const std::string& path)
{
    for (const core::Outcome& checked :
         {core::checkPathText(path), core::refuseWindowsDevices(path)}) {
        if (!checked.ok())
            return Found::failure(checked.reason());
    }
    const core::Result<std::wstring> full = fullPath(widen(path));
    if (!full.ok())
        return Found::failure(core::captions::unreachable(path, full.reason()));
    const std::wstring& given = *full.value();

    // Opened only to be looked at: any kind of entry, shared with every other program.
    HANDLE entry = CreateFileW(given.c_str(), FILE_READ_ATTRIBUTES,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (entry == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        const std::wstring folder = folderOf(given);
        const DWORD attributes = GetFileAttributesW(folder.c_str());
        // Nothing there yet in a folder that is there: the write makes the file.
        if (error == ERROR_FILE_NOT_FOUND && attributes != INVALID_FILE_ATTRIBUTES &&
            (attributes & FILE_ATTRIBUTE_DIRECTORY))
            return WriteTarget{given, folder, false};
        if (isMissing(error))
            return blockedWay(folder, given, error);
        return Found::failure(core::captions::unreachable(narrow(given), errorText(error)));
    }
    const EntryKind kind = kindOf(entry);
    const std::wstring target = finalPath(entry, given);
    CloseHandle(entry);
    if (const core::Outcome accepted =
            core::acceptTarget(kind, narrow(target), samePath(target, given));
        !accepted.ok())
        return Found::failure(accepted.reason());
    return WriteTarget{target, folderOf(target), true};
}

} // namespace win32
