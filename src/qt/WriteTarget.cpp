#include "qt/WriteTarget.h"

#include "qt/FolderWrite.h"

#include <QFile>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace qt {

namespace {

// One name still to walk. Only the last name of the path as given is the path itself: a name
// from a link's target is somewhere the path leads.
struct Step
{
    QByteArray name;
    bool ownName = false;
};

// Puts the names of a path before those still to walk. A path that ends in "/" names a folder,
// as it does to the kernel: a last "." keeps that.
void pushNames(std::vector<Step>& steps, const QByteArray& path, bool ownNames)
{
    QList<QByteArray> names = path.split('/');
    if (path.endsWith('/'))
        names.append(QByteArrayLiteral("."));
    bool last = true;
    for (auto name = names.crbegin(); name != names.crend(); ++name) {
        if (name->isEmpty())
            continue;
        steps.push_back(Step{*name, ownNames && last});
        last = false;
    }
}

// Where the walk stands is written as a path without links (or "" for the working folder), so
// a name can be added or a folder taken off by text and still mean the folder reached.
QByteArray joined(const QByteArray& folder, const QByteArray& name)
{
    if (folder.isEmpty())
        return name;
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

QByteArray parentOf(const QByteArray& folder)
{
    if (folder == "/")
        return folder;
    if (folder.isEmpty() || folder == ".." || folder.endsWith("/.."))
        return joined(folder, QByteArrayLiteral(".."));
    const qsizetype slash = folder.lastIndexOf('/');
    if (slash < 0)
        return QByteArray();
    return slash == 0 ? QByteArrayLiteral("/") : folder.left(slash);
}

QString shown(const QByteArray& path)
{
    return QFile::decodeName(path.isEmpty() ? QByteArrayLiteral(".") : path);
}

// The link is looked at in the folder it was found in, held open, not one found again by its
// name.
bool mayFollow(const struct stat& link, const struct stat& folder)
{
    return core::mayFollowLink({long(link.st_uid), long(geteuid()), long(folder.st_uid),
                                (folder.st_mode & (S_ISVTX | S_IWOTH)) == (S_ISVTX | S_IWOTH)});
}

// 0 when the entry may be written, else why not. Asked of the entry held open, not of a name
// that could lead elsewhere by now.
int writeAccess(int entry)
{
    if (faccessat(entry, "", W_OK, AT_EACCESS | AT_EMPTY_PATH) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // A kernel before 5.8 asks only by a name: the entry's own, through /proc.
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(entry);
    return faccessat(AT_FDCWD, self.constData(), W_OK, AT_EACCESS) == 0 ? 0 : errno;
}

core::Result<WriteTarget> refused(const std::string& reason)
{
    return core::Result<WriteTarget>::failure(reason);
}

std::string text(const QByteArray& path)
{
    return shown(path).toStdString();
}

core::Result<WriteTarget> notAFile(const QByteArray& path, mode_t mode, bool pathItself)
{
    return refused(core::acceptTarget(entryKind(mode), text(path), pathItself).reason());
}

core::Result<WriteTarget> unreachable(const QByteArray& path, int error)
{
    return refused(core::captions::unreachable(text(path), qt_error_string(error).toStdString()));
}

} // namespace

// The path is walked a name at a time from folders held open, as the kernel walks it, so the
// rule for links in shared folders holds for every link on the way, linked folders included,
// whether or not the machine enforces it itself (fs.protected_symlinks). The walk ends in the
// folder it checked last, which it hands on still open.
core::Result<WriteTarget> WriteTarget::find(const QString& path)
{
    const QByteArray given = QFile::encodeName(path);
    const bool fromTop = given.startsWith('/');
    QByteArray where = fromTop ? QByteArrayLiteral("/") : QByteArray();
    Descriptor folder(open(fromTop ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() < 0)
        return unreachable(where, errno);
    std::vector<Step> steps;
    pushNames(steps, given, true);
    int links = 0;

    while (!steps.empty()) {
        const Step step = steps.back();
        steps.pop_back();
        const bool last = steps.empty();
        if (step.name == "." || step.name == "..") {
            // ".." is the parent of the folder reached, not of the folder named by text.
            if (step.name == "..") {
                folder = Descriptor(openat(folder.get(), "..", O_PATH | O_DIRECTORY | O_CLOEXEC));
                if (folder.get() < 0)
                    return unreachable(joined(where, step.name), errno);
                where = parentOf(where);
            }
            if (last)
                return notAFile(where, S_IFDIR, step.ownName);
            continue;
        }

        const QByteArray here = joined(where, step.name);
        // Opened without following a link and without opening what it is, so a named pipe
        // cannot block and a device is not woken: only looked at.
        Descriptor entry(
            openat(folder.get(), step.name.constData(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
        if (entry.get() < 0) {
            const int error = errno;
            if (error == ENOENT && last) {
                // Nothing there yet: the write makes it.
                WriteTarget target;
                target.folder = std::move(folder);
                target.name = step.name;
                return target;
            }
            if (error == ENOENT)
                return refused(core::captions::folderMissing(text(here)));
            return unreachable(here, error);
        }
        struct stat info;
        if (fstatat(entry.get(), "", &info, AT_EMPTY_PATH) != 0)
            return unreachable(here, errno);

        if (S_ISLNK(info.st_mode)) {
            if (links == core::kMostLinks)
                return refused(core::captions::tooManyLinks(core::kMostLinks));
            struct stat folderInfo;
            if (fstatat(folder.get(), "", &folderInfo, AT_EMPTY_PATH) != 0)
                return unreachable(where, errno);
            if (!mayFollow(info, folderInfo)) {
                return refused(core::captions::linkOfAnotherUser(
                    step.ownName ? std::string() : text(here), long(info.st_uid)));
            }
            // The link read is the one just looked at, not one put in its place since.
            QByteArray linked(PATH_MAX, '\0');
            const ssize_t length =
                readlinkat(entry.get(), "", linked.data(), size_t(linked.size()));
            if (length <= 0 || length >= linked.size())
                return refused(core::captions::linkUnreadable(text(here)));
            linked.truncate(length);
            ++links;
            // An absolute target starts again at the top; a relative one goes on from the
            // link's folder.
            if (linked.startsWith('/')) {
                folder = Descriptor(open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
                where = QByteArrayLiteral("/");
                if (folder.get() < 0)
                    return unreachable(where, errno);
            }
            pushNames(steps, linked, false);
            continue;
        }

        if (!last) {
            if (!S_ISDIR(info.st_mode))
                return refused(core::captions::notAFolder(text(here), entryKind(info.st_mode)));
            folder = std::move(entry);
            where = here;
            continue;
        }
        if (!S_ISREG(info.st_mode))
            return notAFile(here, info.st_mode, step.ownName);
        const int fileAccess = writeAccess(entry.get());
        const bool fileWritable = fileAccess == 0;
        if (!core::mayReplaceFile(fileWritable))
            return refused(qt_error_string(fileAccess).toStdString());
        WriteTarget target;
        target.method = core::chooseWriteMethod(writeAccess(folder.get()) == 0, fileWritable);
        target.folder = std::move(folder);
        target.name = step.name;
        target.mode = info.st_mode;
        return target;
    }
    // Only folders were named ("/", ".").
    return notAFile(where, S_IFDIR, true);
}

} // namespace qt
