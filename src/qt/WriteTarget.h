#pragma once

#include "core/PathRules.h"
#include "core/Result.h"
#include "qt/Descriptor.h"

#include <QByteArray>
#include <QString>
#include <optional>
#include <sys/types.h>

namespace qt {

// The file a write to a path really replaces, found the way the kernel would follow links in
// shared folders, and how it may be written, by the core's rules for the weather path. The
// walk ends holding the file's folder open, and the write is made in that folder: a name it
// checked is never looked up again by a path.
struct WriteTarget
{
    // The folder the path and its links lead to, opened without following a link.
    Descriptor folder;
    // The file's name in that folder.
    QByteArray name;
    // The permissions of the regular file that stands there, or none when nothing does.
    std::optional<mode_t> mode;
    core::WriteMethod method = core::WriteMethod::Replace;

    // Fails with why the path is refused.
    static core::Result<WriteTarget> find(const QString& path);
};

} // namespace qt
