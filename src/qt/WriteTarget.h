#pragma once

#include "core/PathRules.h"
#include "core/Result.h"

#include <QString>

namespace qt {

// Which file a write to a path really replaces, found the way the kernel would follow links in
// shared folders, and how it may be written, by the core's rules for the weather path.
struct WriteTarget
{
    // The file to write: where the path and its links lead, named without links, so that the
    // write opens the file that was looked at.
    QString file;
    core::WriteMethod method = core::WriteMethod::Replace;

    // Fails with why the path is refused.
    static core::Result<WriteTarget> find(const QString& path);
};

} // namespace qt
