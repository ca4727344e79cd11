#include "qt/FolderWrite.h"

#include "core/PathRules.h"
#include "qt/Descriptor.h"

#include <QRandomGenerator>
#include <QString>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qt {

namespace {

using core::Outcome;

// Names tried for the new file before the folder is taken to be full of them.
constexpr int kNameTries = 100;

Outcome failure(int error)
{
    // In the words the Windows program and the README use.
    if (error == ENOSPC || error == EDQUOT)
        return Outcome::failure(core::captions::diskFull());
    return Outcome::failure(qt_error_string(error).toStdString());
}

// The new file's name until it takes the old one's: hidden from a listing, and short enough
// to fit beside a name of any length.
QByteArray temporaryName()
{
    return ".UiQuorvix-" + QByteArray::number(QRandomGenerator::global()->generate(), 16) + ".tmp";
}

// The whole text from the file's start.
Outcome writeAll(int file, std::string_view contents)
{
    std::size_t done = 0;
    while (done < contents.size()) {
        const ssize_t wrote =
            pwrite(file, contents.data() + done, contents.size() - done, off_t(done));
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote < 0)
            return failure(errno);
        // A write that takes nothing of the text found the disk full.
        if (wrote == 0)
            return failure(ENOSPC);
        done += std::size_t(wrote);
    }
    return core::Done{};
}

// The text, the permissions and the flush to disk, all before the file has the old one's
// name: a full disk shows here, while the old file is still in place.
Outcome fill(int file, std::optional<mode_t> keptMode, std::string_view contents)
{
    if (Outcome written = writeAll(file, contents); !written.ok())
        return written;
    // Only the permission bits: a set-user-ID bit is no weather file's, and the new file is
    // the writer's own.
    if (keptMode && fchmod(file, *keptMode & 0777) != 0)
        return failure(errno);
    if (fsync(file) != 0)
        return failure(errno);
    return core::Done{};
}

// Gives a file made without a name one in the folder: through /proc, as any user may for a
// file of its own, or where /proc is missing by the descriptor itself.
int linkInto(int file, int folder, const QByteArray& name)
{
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(file);
    if (linkat(AT_FDCWD, self.constData(), folder, name.constData(), AT_SYMLINK_FOLLOW) == 0)
        return 0;
    if (errno != ENOENT)
        return errno;
    return linkat(file, "", folder, name.constData(), AT_EMPTY_PATH) == 0 ? 0 : errno;
}

// The renamed entry reaches the disk with its folder. A folder that may be written but not
// read cannot be opened for this; the file is in place all the same, and no error here could
// bring the old one back.
void flushFolder(int folder)
{
    const Descriptor readable(openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (readable.get() >= 0)
        fsync(readable.get());
}

} // namespace

core::captions::EntryKind entryKind(mode_t mode)
{
    using core::captions::EntryKind;
    if (S_ISREG(mode))
        return EntryKind::File;
    if (S_ISDIR(mode))
        return EntryKind::Folder;
    if (S_ISFIFO(mode))
        return EntryKind::NamedPipe;
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return EntryKind::Device;
    if (S_ISSOCK(mode))
        return EntryKind::Socket;
    return EntryKind::Unknown;
}

Outcome replaceInFolder(int folder, const QByteArray& name, std::optional<mode_t> keptMode,
                        std::string_view contents)
{
    // Without a name, nothing of the new file shows in the folder until it is whole.
    Descriptor file(openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
    QByteArray temporary;
    // Whether `temporary` is this write's own file, to be removed if the write fails.
    bool named = false;
    if (file.get() < 0) {
        // A file system (or kernel) without files that have no name: a new name, made in
        // this folder only if nothing has it yet.
        if (errno != EOPNOTSUPP && errno != EISDIR)
            return failure(errno);
        for (int tries = 0; tries < kNameTries && !named; ++tries) {
            temporary = temporaryName();
            file = Descriptor(openat(folder, temporary.constData(),
                                     O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
            named = file.get() >= 0;
            if (!named && errno != EEXIST)
                return failure(errno);
        }
        if (!named)
            return failure(EEXIST);
    }

    Outcome done = fill(file.get(), keptMode, contents);
    for (int tries = 1; done.ok() && !named; ++tries) {
        temporary = temporaryName();
        const int error = linkInto(file.get(), folder, temporary);
        named = error == 0;
        if (!named && (error != EEXIST || tries == kNameTries))
            done = failure(error);
    }
    if (done.ok() && renameat(folder, temporary.constData(), folder, name.constData()) != 0)
        done = failure(errno);
    if (!done.ok()) {
        if (named)
            unlinkat(folder, temporary.constData(), 0);
        return done;
    }
    flushFolder(folder);
    return core::Done{};
}

Outcome writeInPlace(int folder, const QByteArray& name, std::string_view contents)
{
    // Not through a link put there since the check, and without waiting for a named pipe's
    // reader or taking a terminal: what the open found is looked at before a byte is written.
    const Descriptor file(openat(folder, name.constData(),
                                 O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (file.get() < 0)
        return failure(errno);
    struct stat info;
    if (fstat(file.get(), &info) != 0)
        return failure(errno);
    if (Outcome accepted = core::acceptTarget(entryKind(info.st_mode), {}, true); !accepted.ok())
        return accepted;
    // The new text over the old, then the rest cut off: the file is never empty on the way.
    if (Outcome written = writeAll(file.get(), contents); !written.ok())
        return written;
    if (ftruncate(file.get(), off_t(contents.size())) != 0 || fsync(file.get()) != 0)
        return failure(errno);
    return core::Done{};
}

} // namespace qt
