#pragma once

#include "core/Captions.h"
#include "core/Result.h"

#include <QByteArray>
#include <optional>
#include <string_view>
#include <sys/types.h>

// The weather file's write, made in the folder that the path's check ended on and still holds
// open: every call names the file relative to that folder, so no name on the way is looked up
// again and nobody can put a link in its place between the check and the write.
namespace qt {

// What stands in a folder, in the captions' words.
core::captions::EntryKind entryKind(mode_t mode);

// Replaces `name` whole and at once: a new file made in `folder`, written and flushed, takes
// the old one's place by a rename in the same folder, which is then flushed too. A reader sees
// the old file or the new one; on any failure, a full disk included, the old one stays as it
// was. The new file keeps `keptMode`, the permissions of the file it replaces, when there is
// one.
core::Outcome replaceInFolder(int folder, const QByteArray& name, std::optional<mode_t> keptMode,
                              std::string_view contents);

// Writes the regular file `name` of `folder` over, for a folder that lets no new file be made.
// Whatever stands at the name is looked at before a byte of it changes.
core::Outcome writeInPlace(int folder, const QByteArray& name, std::string_view contents);

} // namespace qt
