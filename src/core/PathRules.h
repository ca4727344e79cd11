#pragma once

#include "core/Captions.h"
#include "core/Result.h"

#include <string>
#include <string_view>

// What may be written as the weather file, for both programs: the rules of the path's text,
// of the links on its way and of what stands at its end, and how the file is replaced. Each
// platform only looks at its file system and carries out the write; each refusal is worded
// once, in the captions.
namespace core {

// A path of blanks, or none: there is nothing to write to.
Outcome refuseBlankPath(std::string_view path);

// NUL, CR, LF and every other control character (C0, DEL, C1): the file system would cut the
// path at a NUL or keep the others in a name that no one typed on purpose.
Outcome refuseControlCharacters(std::string_view path);

// A Windows device instead of a file: a last name of NUL, CON, PRN, AUX, COM1..COM9 or
// LPT1..LPT9 (any case, with or without an extension), or a "\\.\" or "\\?\" device path.
Outcome refuseWindowsDevices(std::string_view path);

// The checks on a path's text before anything is looked up: blank, control characters.
Outcome checkPathText(std::string_view path);

// Where a weather path leads on a machine that maps drive letters as Wine does: a plain path
// as it is, or a drive letter ("c") and the names after it joined by "/", with ".." stopped
// at the top of the drive, as Windows stops it.
struct DrivePath
{
    std::string drive; // lower case; empty for a plain path
    std::string rest;  // after the drive: "/UiView/WXprs.txt"; for a plain path, the path
};
// A drive-letter path names a drive; any other text with a backslash or a drive would become a
// file with backslashes in its name, and is refused. A drive path naming a Windows device is
// refused too, as Wine would open the device.
Result<DrivePath> readDrivePath(std::string_view path);

// A link is followed through at most this many hops, as the kernel does.
constexpr int kMostLinks = 40;

// Who owns a link, who runs the program, and the folder the link stands in.
struct LinkOwners
{
    long link;
    long me;
    long folder;
    // The folder is sticky and everyone may write it, as /tmp is.
    bool folderShared;
};

// A link in a shared folder is followed only when it is ours or the folder owner's: another
// user could otherwise point the program's write at any file it may write. The kernel has the
// same rule (fs.protected_symlinks), which a machine may have turned off.
bool mayFollowLink(const LinkOwners& owners);

// Only a regular file is replaced; a missing one is made. `shownTarget` names where the path
// led, for a refusal when that is not the path itself.
Outcome acceptTarget(captions::EntryKind kind, std::string_view shownTarget, bool pathItself);

enum class WriteMethod
{
    // A new file beside the old one takes its place: a reader sees the old file or the new.
    Replace,
    // The folder lets no new file be made, but the file itself may be written: in place.
    InPlace,
};
WriteMethod chooseWriteMethod(bool folderWritable, bool fileWritable);

// A file that may not be written is not replaced either, though its folder would let a new
// file take its place: whoever made it read-only meant it to stay as it is.
bool mayReplaceFile(bool fileWritable);

} // namespace core
