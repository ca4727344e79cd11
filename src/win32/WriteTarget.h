#pragma once

#include "core/Result.h"

#include <string>

// Where a weather path leads: the file at the end of its links (a Windows link or junction,
// or a Unix link that Wine follows), so the file is replaced there and the link stays a link.
// The path's text, the folder on its way and what stands at its end go through the core's
// rules, and each refusal is worded as the Linux program words it.
namespace win32 {

struct WriteTarget
{
    // The file to write, every link on the way followed.
    std::wstring file;
    // The folder the file is in, where a new file is made to take its place.
    std::wstring folder;
    // Something already stands there.
    bool exists = false;

    // Fails with why the path is refused.
    static core::Result<WriteTarget> find(const std::string& path);
};

} // namespace win32
