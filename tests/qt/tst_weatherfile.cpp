#include "Rig.h"
#include "WaitFor.h"
#include "qt/DosDevices.h"
#include "qt/WeatherWriter.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLineEdit>
#include <QMap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

// One write of the weather file as the program makes it, and how it ended.
struct Written
{
    bool ok;
    QString reason;
};

Written writeWeather(const DosDevices& dosDevices, const QString& path, const QByteArray& contents)
{
    qt::WeatherWriter writer(dosDevices);
    const core::WriteAttempt attempt = writer.write(path.toStdString(), contents.toStdString());
    return {core::isWritten(attempt), QString::fromStdString(attempt.reason())};
}

// What stands in the folder before a write, for each row of the path cases.
enum class Scene
{
    Nothing,
    Fifo,
    DeviceNode,
    Folder,
    Socket,
    LinkOfAnotherUser,
    LinkOfAnotherUserToAPrivateFolder,
    OwnLinkThroughALinkOfAnotherUser,
    OwnLinkToAPrivateFile,
    LinkLoop,
    WineDrive,
    FolderWeMayNotWrite,
    ReadOnlyFileInAFolderWeMayWrite,
};

// A user with no files of its own, for the links and folders of someone else.
constexpr uid_t kOtherUser = 65534;

QByteArray local(const QString& path)
{
    return QFile::encodeName(path);
}

// Every entry under root with its type, permissions and size, and a file's bytes, links left
// unfollowed.
QMap<QString, QString> snapshot(const QString& root)
{
    QMap<QString, QString> entries;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        struct stat info;
        if (lstat(local(path).constData(), &info) != 0)
            continue;
        QString entry =
            QString::number(info.st_mode, 8) + QLatin1Char(' ') + QString::number(info.st_size);
        if (S_ISREG(info.st_mode)) {
            QFile file(path);
            entry += QLatin1Char(' ') + QString::fromLatin1(file.open(QIODevice::ReadOnly)
                                                                ? file.readAll().toHex()
                                                                : QByteArray("<unreadable>"));
        }
        entries.insert(path.mid(root.size() + 1), entry);
    }
    return entries;
}

// What another user does in a shared folder while the program writes there.
enum class Attack
{
    // A file of the other user at the weather file's name changes places with its link to a
    // private file, and back.
    LinkAtTheName,
    // The other user's folder on the weather path changes places with its link to a private
    // folder, and back.
    FolderSwappedForALink,
};

// The other user's loop, in a process of its own that runs as kOtherUser until it is killed.
// The child makes only system calls, as fork() in a process with threads allows.
class OtherUser
{
public:
    OtherUser(Attack attack, int sharedFolder, const QByteArray& linkTarget)
    {
        int ready[2];
        if (pipe2(ready, O_CLOEXEC) != 0)
            return;
        m_pid = fork();
        if (m_pid == 0)
            run(attack, sharedFolder, linkTarget.constData(), ready[1]);
        close(ready[1]);
        m_ready = ready[0];
    }
    ~OtherUser()
    {
        stop();
        if (m_ready >= 0)
            close(m_ready);
    }
    OtherUser(const OtherUser&) = delete;
    OtherUser& operator=(const OtherUser&) = delete;

    // Waits until the other user has made its first swap.
    bool started()
    {
        pollfd ready{m_ready, POLLIN, 0};
        char byte = 0;
        return m_pid > 0 && poll(&ready, 1, 5000) == 1 && read(m_ready, &byte, 1) == 1;
    }

    // Whether it was still at work when stopped.
    bool stop()
    {
        if (m_pid <= 0)
            return false;
        const bool running = waitpid(m_pid, nullptr, WNOHANG) == 0;
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
        m_pid = -1;
        return running;
    }

private:
    [[noreturn]] static void run(Attack attack, int shared, const char* target, int ready)
    {
        if (setgroups(0, nullptr) != 0 || setgid(kOtherUser) != 0 || setuid(kOtherUser) != 0)
            _exit(1);
        // Changing the user cleared this; the loop must not outlive a test that stops early.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        const char* name = attack == Attack::LinkAtTheName ? "WXprs.txt" : "dir";
        if (symlinkat(target, shared, "swap") != 0)
            _exit(1);
        bool told = false;
        for (;;) {
            if (renameat2(shared, name, shared, "swap", RENAME_EXCHANGE) == 0) {
                if (!told)
                    told = write(ready, "x", 1) == 1;
                continue;
            }
            // The sticky folder keeps the program's file from the other user until it is
            // gone; then whichever of the two the program replaced is made again.
            if (errno != ENOENT || attack != Attack::LinkAtTheName)
                continue;
            struct stat swap;
            if (fstatat(shared, "swap", &swap, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(swap.st_mode)) {
                const int fd = openat(shared, name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
                if (fd >= 0)
                    close(fd);
            } else if (symlinkat(target, shared, name) != 0) {
                // Lost to the program's own write: the next round puts it back.
                continue;
            }
        }
    }

    pid_t m_pid = -1;
    int m_ready = -1;
};

// The whole text of a file in a folder held open, the file itself and no link to it.
QByteArray readAt(int folder, const char* name)
{
    const int fd = openat(folder, name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return QByteArray();
    QFile file;
    QByteArray text;
    if (file.open(fd, QIODevice::ReadOnly))
        text = file.readAll();
    file.close();
    close(fd);
    return text;
}

} // namespace

Q_DECLARE_METATYPE(Scene)
Q_DECLARE_METATYPE(Attack)

// Writing the weather file: whole, at once, and never half.
class TestWeatherFile : public QObject
{
    Q_OBJECT

    static QByteArray read(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
    }

private slots:
    // A larger file is replaced by exactly the new bytes, high bytes and NUL included.
    void replacesWholeFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("WXprs.txt"));
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(4096, 'z'));
        old.close();

        const QByteArray contents("Mar 05 2003 07:04\r\n\x00\x80\xff"
                                  "ABCDEFGHIJKL\r\n",
                                  36);
        const Written written = writeWeather(DosDevices(dir.path()), path, contents);
        QVERIFY2(written.ok, qPrintable(written.reason));
        QCOMPARE(read(path), contents);
        // Nothing is left behind beside it.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("WXprs.txt")});
    }

    void failuresSayWhy_data()
    {
        QTest::addColumn<QString>("relativePath");
        QTest::newRow("missing folder") << QStringLiteral("no/such/folder/WXprs.txt");
        QTest::newRow("a file where a folder should be") << QStringLiteral("plain/WXprs.txt");
    }

    void failuresSayWhy()
    {
        QFETCH(QString, relativePath);
        QTemporaryDir dir;
        QFile plain(dir.filePath(QStringLiteral("plain")));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        const QStringList before =
            QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

        const Written written =
            writeWeather(DosDevices(dir.path()), dir.filePath(relativePath), "x\r\n");
        QVERIFY(!written.ok);
        QVERIFY(!written.reason.isEmpty());
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
    }

    // What users and other programs leave at the path: only a regular file is replaced, a link
    // is followed only where the kernel would follow it, and a drive path means the file
    // that Wine would open.
    void pathCases_data()
    {
        QTest::addColumn<Scene>("scene");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<QString>("writtenAt");

        const QString wx = QStringLiteral("WXprs.txt");
        QTest::newRow("FIFO") << Scene::Fifo << wx << QStringLiteral("named pipe") << QString();
        QTest::newRow("device node")
            << Scene::DeviceNode << wx << QStringLiteral("a device") << QString();
        QTest::newRow("folder") << Scene::Folder << wx << QStringLiteral("a folder") << QString();
        QTest::newRow("socket") << Scene::Socket << wx << QStringLiteral("a socket") << QString();
        QTest::newRow("link of another user in a sticky folder")
            << Scene::LinkOfAnotherUser << QStringLiteral("shared/WXprs.txt")
            << QStringLiteral("another user") << QString();
        QTest::newRow("link of another user to a private folder, in the middle of the path")
            << Scene::LinkOfAnotherUserToAPrivateFolder << QStringLiteral("shared/evil/WXprs.txt")
            << QStringLiteral("shared/evil is a link that another user (uid 65534)") << QString();
        QTest::newRow("own link whose target passes a link of another user")
            << Scene::OwnLinkThroughALinkOfAnotherUser << wx
            << QStringLiteral("shared/evil is a link that another user (uid 65534)") << QString();
        QTest::newRow("own link in a sticky folder")
            << Scene::OwnLinkToAPrivateFile << QStringLiteral("shared/WXprs.txt") << QString()
            << QStringLiteral("real/private.txt");
        QTest::newRow("links in a loop")
            << Scene::LinkLoop << wx << QStringLiteral("links") << QString();
        QTest::newRow("NUL in the path")
            << Scene::Nothing << QStringLiteral("WX") + QChar(0) + QStringLiteral("prs.txt")
            << QStringLiteral("control character") << QString();
        QTest::newRow("line break at the end") << Scene::Nothing << QStringLiteral("WXprs.txt\r\n")
                                               << QStringLiteral("control character") << QString();
        QTest::newRow("drive path in another case")
            << Scene::WineDrive << QStringLiteral("C:\\uiview\\wxprs.TXT") << QString()
            << QStringLiteral("wine/drive_c/UiView/WXprs.txt");
        QTest::newRow("new file in a folder found in another case")
            << Scene::WineDrive << QStringLiteral("C:\\UIVIEW\\New.txt") << QString()
            << QStringLiteral("wine/drive_c/UiView/New.txt");
        QTest::newRow("Windows device name on a drive")
            << Scene::WineDrive << QStringLiteral("C:\\UiView\\nul.txt")
            << QStringLiteral("Windows device") << QString();
        QTest::newRow("writable file in a folder we may not write")
            << Scene::FolderWeMayNotWrite << QStringLiteral("locked/WXprs.txt") << QString()
            << QStringLiteral("locked/WXprs.txt");
        QTest::newRow("read-only file in a folder we may write")
            << Scene::ReadOnlyFileInAFolderWeMayWrite << wx << QStringLiteral("Permission denied")
            << QString();
    }

    void pathCases()
    {
        QFETCH(Scene, scene);
        QFETCH(QString, path);
        QFETCH(QString, refusal);
        QFETCH(QString, writtenAt);
        const bool root = geteuid() == 0;
        QTemporaryDir dir;
        const auto at = [&](const QString& relative) { return dir.filePath(relative); };
        const auto makeFile = [&](const QString& relative, mode_t mode) {
            QFile file(at(relative));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("old text\r\n");
            file.close();
            QCOMPARE(chmod(local(at(relative)).constData(), mode), 0);
        };
        // A world-writable sticky folder reached through a link of its own, with a private
        // file beside it: "../private.txt" from inside it is real/private.txt.
        const auto makeSharedFolder = [&] {
            QVERIFY(QDir().mkpath(at(QStringLiteral("real/shared"))));
            QCOMPARE(chmod(local(at(QStringLiteral("real/shared"))).constData(), 01777), 0);
            QVERIFY(QFile::link(QStringLiteral("real/shared"), at(QStringLiteral("shared"))));
            makeFile(QStringLiteral("real/private.txt"), 0640);
        };
        // Another user's link in the sticky folder to a private folder holding a weather file
        // of its own.
        const auto makeLinkToAPrivateFolder = [&] {
            makeSharedFolder();
            QVERIFY(QDir().mkpath(at(QStringLiteral("private"))));
            QCOMPARE(chmod(local(at(QStringLiteral("private"))).constData(), 0700), 0);
            makeFile(QStringLiteral("private/WXprs.txt"), 0600);
            QVERIFY(QFile::link(at(QStringLiteral("private")), at(QStringLiteral("shared/evil"))));
            QCOMPARE(lchown(local(at(QStringLiteral("shared/evil"))).constData(), kOtherUser,
                            kOtherUser),
                     0);
        };
        // Only the Wine drive scene has a prefix with drives in it.
        QString winePrefix = at(QStringLiteral("no-wine"));
        const auto unlock =
            qScopeGuard([&] { chmod(local(at(QStringLiteral("locked"))).constData(), 0755); });

        switch (scene) {
        case Scene::Nothing:
            break;
        case Scene::Fifo:
            QCOMPARE(mkfifo(local(at(path)).constData(), 0644), 0);
            break;
        case Scene::DeviceNode:
            if (!root)
                QSKIP("only root can make a device node");
            QCOMPARE(mknod(local(at(path)).constData(), S_IFCHR | 0666, makedev(1, 3)), 0);
            break;
        case Scene::Folder:
            QVERIFY(QDir(dir.path()).mkdir(path));
            break;
        case Scene::Socket: {
            const int socketFd = socket(AF_UNIX, SOCK_STREAM, 0);
            QVERIFY(socketFd >= 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            const QByteArray name = local(at(path));
            QVERIFY(size_t(name.size()) < sizeof address.sun_path);
            memcpy(address.sun_path, name.constData(), size_t(name.size()));
            const int bound = bind(socketFd, reinterpret_cast<sockaddr*>(&address), sizeof address);
            close(socketFd);
            QCOMPARE(bound, 0);
            break;
        }
        case Scene::LinkOfAnotherUser:
            if (!root)
                QSKIP("only root can give a link to another user");
            makeSharedFolder();
            QVERIFY(QFile::link(QStringLiteral("../private.txt"), at(path)));
            QCOMPARE(lchown(local(at(path)).constData(), kOtherUser, kOtherUser), 0);
            break;
        case Scene::LinkOfAnotherUserToAPrivateFolder:
            if (!root)
                QSKIP("only root can give a link to another user");
            makeLinkToAPrivateFolder();
            break;
        case Scene::OwnLinkThroughALinkOfAnotherUser:
            if (!root)
                QSKIP("only root can give a link to another user");
            makeLinkToAPrivateFolder();
            // Our link is followed; the other user's link inside its target is not.
            QVERIFY(QFile::link(QStringLiteral("shared/evil/WXprs.txt"), at(path)));
            break;
        case Scene::OwnLinkToAPrivateFile:
            makeSharedFolder();
            QVERIFY(QFile::link(QStringLiteral("../private.txt"), at(path)));
            break;
        case Scene::LinkLoop:
            QVERIFY(QFile::link(QStringLiteral("loop"), at(path)));
            QVERIFY(QFile::link(path, at(QStringLiteral("loop"))));
            break;
        case Scene::WineDrive:
            QVERIFY(QDir().mkpath(at(QStringLiteral("wine/drive_c/UiView"))));
            QVERIFY(QDir().mkpath(at(QStringLiteral("wine/dosdevices"))));
            QVERIFY(QFile::link(QStringLiteral("../drive_c"),
                                at(QStringLiteral("wine/dosdevices/c:"))));
            makeFile(QStringLiteral("wine/drive_c/UiView/WXprs.txt"), 0644);
            winePrefix = at(QStringLiteral("wine"));
            break;
        case Scene::FolderWeMayNotWrite:
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("locked")));
            makeFile(path, 0666);
            QCOMPARE(chmod(local(at(QStringLiteral("locked"))).constData(), 0555), 0);
            // Root may write any folder: the write is made as a user that may not.
            QCOMPARE(chmod(local(dir.path()).constData(), 0755), 0);
            break;
        case Scene::ReadOnlyFileInAFolderWeMayWrite:
            makeFile(path, 0444);
            // Root may write any file: the write is made as a user that may not, in a folder
            // that would let it make a new file.
            QCOMPARE(chmod(local(dir.path()).constData(), 0777), 0);
            break;
        }

        const QMap<QString, QString> before = snapshot(dir.path());
        const QByteArray contents("Mar 05 2003 07:04\r\nABCDEFGHIJKLMNO\r\n");
        const QString typed = path.startsWith(QStringLiteral("C:")) ? path : at(path);
        const bool asOtherUser = (scene == Scene::FolderWeMayNotWrite ||
                                  scene == Scene::ReadOnlyFileInAFolderWeMayWrite) &&
                                 root;
        if (asOtherUser)
            QCOMPARE(seteuid(kOtherUser), 0);
        const Written written = writeWeather(DosDevices(winePrefix), typed, contents);
        if (asOtherUser)
            QCOMPARE(seteuid(0), 0);
        const QString error = written.reason;

        QMap<QString, QString> after = snapshot(dir.path());
        if (refusal.isEmpty()) {
            QVERIFY2(written.ok, qPrintable(error));
            QCOMPARE(read(at(writtenAt)), contents);
            // The file that was there keeps its mode; one that was not is the only new entry.
            if (!before.contains(writtenAt))
                after.remove(writtenAt);
            QCOMPARE(after.value(writtenAt).section(QLatin1Char(' '), 0, 0),
                     before.value(writtenAt).section(QLatin1Char(' '), 0, 0));
            after.remove(writtenAt);
            QMap<QString, QString> rest = before;
            rest.remove(writtenAt);
            QCOMPARE(after, rest);
        } else {
            QVERIFY(!written.ok);
            QVERIFY2(error.contains(refusal), qPrintable(error));
            QCOMPARE(after, before);
        }
    }

    // A Windows path that this machine cannot map is refused, not written into the
    // working folder under a name full of backslashes.
    void unmappedWindowsPathsWriteNothing()
    {
        QTemporaryDir work;
        QTemporaryDir prefix;
        const DosDevices dosDevices(prefix.path());
        const QString previous = QDir::currentPath();
        QDir::setCurrent(work.path());
        const Written drive =
            writeWeather(dosDevices, QStringLiteral("C:\\UiView\\WXprs.txt"), "x");
        const Written relative = writeWeather(dosDevices, QStringLiteral("UiView\\WXprs.txt"), "x");
        QDir::setCurrent(previous);
        QVERIFY(!drive.ok);
        QVERIFY(drive.reason.contains(QStringLiteral("C:")));
        QVERIFY(!relative.ok);
        QVERIFY(!relative.reason.isEmpty());
        QVERIFY(QDir(work.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
    }

    // A reader that reads the file in a loop while it is rewritten many times only ever
    // sees one whole version or the other.
    void readerNeverSeesPartialFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("WXprs.txt"));
        const QByteArray shortText("Jan 01 2026 00:00\r\nABC\r\n");
        const QByteArray longText("Jan 01 2026 00:01\r\nABCDEFGHIJKLMNO\r\n");
        const DosDevices dosDevices(dir.path());
        const Written first = writeWeather(dosDevices, path, longText);
        QVERIFY2(first.ok, qPrintable(first.reason));

        std::atomic<bool> done{false};
        std::atomic<int> reads{0};
        std::atomic<int> bad{0};
        std::thread reader([&] {
            while (!done) {
                QFile file(path);
                if (!file.open(QIODevice::ReadOnly)) {
                    ++bad;
                    continue;
                }
                const QByteArray seen = file.readAll();
                if (seen != shortText && seen != longText)
                    ++bad;
                ++reads;
            }
        });
        int failedWrites = 0;
        for (int i = 0; i < 2000; ++i)
            failedWrites += writeWeather(dosDevices, path, i % 2 ? shortText : longText).ok ? 0 : 1;
        done = true;
        reader.join();
        QCOMPARE(failedWrites, 0);
        QCOMPARE(bad.load(), 0);
        QVERIFY(reads.load() > 0);
    }

    void anotherUserSwapsLinksWhileTicking_data()
    {
        QTest::addColumn<Attack>("attack");
        QTest::addColumn<QString>("path");
        QTest::newRow("a link at the file's name, to a private file")
            << Attack::LinkAtTheName << QStringLiteral("shared/WXprs.txt");
        QTest::newRow("a folder on the way, swapped for a link to a private folder")
            << Attack::FolderSwappedForALink << QStringLiteral("shared/dir/WXprs.txt");
    }

    // Another user swaps a link in and out of a shared folder as fast as it can while the
    // window ticks fast: nothing lands in the private file or folder the link leads to, each
    // write either reaches the file the path names or is refused for the link, and writes do
    // reach it whenever the link is away.
    void anotherUserSwapsLinksWhileTicking()
    {
        QFETCH(Attack, attack);
        QFETCH(QString, path);
        if (geteuid() != 0)
            QSKIP("only root can act as another user");
        QTemporaryDir dir;
        const auto at = [&](const QString& relative) { return local(dir.filePath(relative)); };
        // The other user must reach the shared folder.
        QCOMPARE(chmod(local(dir.path()).constData(), 0755), 0);
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("shared")));
        QCOMPARE(chmod(at(QStringLiteral("shared")).constData(), 01777), 0);
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("private")));
        QCOMPARE(chmod(at(QStringLiteral("private")).constData(), 0700), 0);
        QFile secret(dir.filePath(QStringLiteral("private/secret.txt")));
        QVERIFY(secret.open(QIODevice::WriteOnly));
        secret.write("nobody else's\n");
        secret.close();
        QCOMPARE(chmod(at(QStringLiteral("private/secret.txt")).constData(), 0600), 0);
        const int shared =
            open(at(QStringLiteral("shared")).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        QVERIFY(shared >= 0);
        const auto closeShared = qScopeGuard([&] { close(shared); });
        QByteArray linkTarget = at(QStringLiteral("private/secret.txt"));
        // The folder of the file the path names, whatever name it has at the moment.
        int realFolder = shared;
        if (attack == Attack::LinkAtTheName) {
            QFile theirs(dir.filePath(path));
            QVERIFY(theirs.open(QIODevice::WriteOnly));
            theirs.close();
            QCOMPARE(lchown(at(path).constData(), kOtherUser, kOtherUser), 0);
        } else {
            QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("shared/dir")));
            QCOMPARE(chown(at(QStringLiteral("shared/dir")).constData(), kOtherUser, kOtherUser),
                     0);
            realFolder = openat(shared, "dir", O_PATH | O_DIRECTORY | O_CLOEXEC);
            QVERIFY(realFolder >= 0);
            linkTarget = at(QStringLiteral("private"));
        }
        const auto closeReal = qScopeGuard([&] {
            if (realFolder != shared)
                close(realFolder);
        });
        const QString privateFolder = dir.filePath(QStringLiteral("private"));
        const QMap<QString, QString> privateBefore = snapshot(privateFolder);

        const QDateTime start = QDateTime(QDate(2003, 3, 5), QTime(7, 4));
        int samples = 0;
        int inTheRealFile = 0;
        int elsewhere = 0;
        int refused = 0;
        QStringList otherFailures;
        Rig rig;
        QVERIFY(rig.open({}, 8, 300));
        rig.window().WXfile->selectAll();
        QTest::keyClicks(rig.window().WXfile, dir.filePath(path));
        QTest::keyClick(rig.window().WXfile, Qt::Key_Return);
        connect(&rig.window(), &qt::Window::readingTaken, &rig.window(),
                [&](core::ExchangeForm, bool wrote) {
                    // A minute of its own for each reading, so a file tells which write made it.
                    const QByteArray minute = QLocale::c()
                                                  .toString(start.addSecs(60LL * samples),
                                                            QStringLiteral("MMM dd yyyy hh:mm"))
                                                  .toLatin1();
                    ++samples;
                    rig.clock().set(start.addSecs(60LL * samples));
                    if (!rig.window().Text1->toPlainText().startsWith(QLatin1String(minute)))
                        return;
                    if (!wrote) {
                        const QString caption = rig.window().windowTitle();
                        if (caption.contains(QStringLiteral("another user")))
                            ++refused;
                        else
                            otherFailures << caption;
                        return;
                    }
                    if (!readAt(realFolder, "WXprs.txt").startsWith(minute + "\r\n")) {
                        ++elsewhere;
                        return;
                    }
                    ++inTheRealFile;
                    // The other user cannot take the program's file out of the sticky folder:
                    // the name is made free for it again.
                    if (attack == Attack::LinkAtTheName)
                        unlinkat(shared, "WXprs.txt", 0);
                });

        OtherUser other(attack, shared, linkTarget);
        QVERIFY(other.started());
        Rig::click(rig.window().Command2);
        // Twenty writing ticks: every seventh tick writes.
        QVERIFY(waitFor(
            &rig.window(), &qt::Window::readingTaken, [&] { return samples >= 140; }, 30000));
        Rig::click(rig.window().Command3);
        QVERIFY2(other.stop(), "the other user's loop ended early");

        QCOMPARE(snapshot(privateFolder), privateBefore);
        QCOMPARE(elsewhere, 0);
        QVERIFY2(otherFailures.isEmpty(), qPrintable(otherFailures.join(QLatin1Char('\n'))));
        QVERIFY2(refused > 0, "the other user's link was never met");
        QVERIFY2(inTheRealFile > 0, "no write reached the file");
        qInfo("%d writes reached the file, %d were refused for the other user's link",
              inTheRealFile, refused);
    }
};

QTEST_MAIN(TestWeatherFile)
#include "tst_weatherfile.moc"
