#pragma once

#include "util/Result.h"

#include <QString>

// Which file a write to a path really replaces, found the way the kernel would follow links in
// shared folders, and whether it may be replaced at all.
struct WriteTarget
{
    // The file to write: where the path and its links lead, named without links, so that the
    // write opens the file that was looked at.
    QString file;
    // The folder lets no temporary file be made beside an existing file that we may write:
    // the file is written in place.
    bool inPlace = false;

    // Fails with why the path is refused.
    static Result<WriteTarget> find(const QString& path);
};
