#include "wx/WriteTarget.h"

#include <QFile>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// As many links as the kernel follows in one path before it gives up.
constexpr int kMostLinks = 40;

QString folderOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return QStringLiteral(".");
    return slash == 0 ? QStringLiteral("/") : path.left(slash);
}

QString kindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return QStringLiteral("a folder");
    if (S_ISFIFO(mode))
        return QStringLiteral("a named pipe (FIFO)");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("a device");
    if (S_ISSOCK(mode))
        return QStringLiteral("a socket");
    return QStringLiteral("an entry of an unknown kind");
}

// The kernel's rule for links in a sticky, world-writable folder such as /tmp: follow only a
// link of our own or one owned by the folder's owner.
bool mayFollow(const struct stat& link, const QString& folder)
{
    if (link.st_uid == geteuid())
        return true;
    struct stat dir;
    if (stat(QFile::encodeName(folder).constData(), &dir) != 0)
        return false;
    if ((dir.st_mode & (S_ISVTX | S_IWOTH)) != (S_ISVTX | S_IWOTH))
        return true;
    return dir.st_uid == link.st_uid;
}

bool mayWrite(const QString& path)
{
    return faccessat(AT_FDCWD, QFile::encodeName(path).constData(), W_OK, AT_EACCESS) == 0;
}

} // namespace

Result<WriteTarget> WriteTarget::find(const QString& path)
{
    WriteTarget target;
    QString current = path;
    struct stat info;
    for (int hops = 0;; ++hops) {
        const QByteArray name = QFile::encodeName(current);
        if (lstat(name.constData(), &info) != 0) {
            // Nothing there yet: the write creates it.
            target.file = current;
            return target;
        }
        if (!S_ISLNK(info.st_mode))
            break;
        if (hops == kMostLinks)
            return Result<WriteTarget>::failure(
                QStringLiteral("it leads through more than %1 links").arg(kMostLinks));
        const QString folder = folderOf(current);
        if (!mayFollow(info, folder)) {
            const QString which = hops == 0 ? QStringLiteral("it") : current;
            return Result<WriteTarget>::failure(
                QStringLiteral("%1 is a link that another user (uid %2) made in a "
                               "shared folder; it is not followed")
                    .arg(which)
                    .arg(info.st_uid));
        }
        QByteArray linked(qsizetype(info.st_size) + 1, '\0');
        const ssize_t length = readlink(name.constData(), linked.data(), size_t(linked.size()));
        if (length < 0 || length >= linked.size())
            return Result<WriteTarget>::failure(
                QStringLiteral("the link %1 cannot be read").arg(current));
        linked.truncate(length);
        // Relative to the link's folder, and left uncleaned: ".." after a linked folder must
        // mean what it means to the kernel.
        const QString next = QFile::decodeName(linked);
        current = next.startsWith(QLatin1Char('/')) ? next : folder + QLatin1Char('/') + next;
    }
    if (!S_ISREG(info.st_mode)) {
        const QString kind = kindOf(info.st_mode);
        return Result<WriteTarget>::failure(
            current == path
                ? QStringLiteral("it is %1, not a file").arg(kind)
                : QStringLiteral("it leads to %1, which is %2, not a file").arg(current, kind));
    }
    target.file = current;
    target.inPlace = !mayWrite(folderOf(current)) && mayWrite(current);
    return target;
}
