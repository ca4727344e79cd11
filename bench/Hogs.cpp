#include "Hogs.h"

#include <QCoreApplication>
#include <QFile>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace bench {

CpuHogs::~CpuHogs()
{
    stop();
}

int CpuHogs::countForThisMachine()
{
    const long cores = ::sysconf(_SC_NPROCESSORS_ONLN);
    return int(cores > 0 ? cores : 1) + 1;
}

bool CpuHogs::start(int count)
{
    const QByteArray self = QCoreApplication::applicationFilePath().toLocal8Bit();
    char hogArgument[] = "--hog";
    QByteArray parent = QByteArray::number(qint64(::getpid()));
    for (int i = 0; i < count; ++i) {
        char* argv[] = {const_cast<char*>(self.constData()), hogArgument, parent.data(), nullptr};
        pid_t pid = -1;
        const int spawned = ::posix_spawn(&pid, argv[0], nullptr, nullptr, argv, environ);
        if (spawned != 0) {
            m_problem = QStringLiteral("a CPU hog did not start: %1")
                            .arg(QString::fromLocal8Bit(std::strerror(spawned)));
            stop();
            return false;
        }
        m_pids.push_back(pid);
    }
    return true;
}

qint64 CpuHogs::cpuNs() const
{
    const long ticksPerSecond = ::sysconf(_SC_CLK_TCK);
    qint64 total = 0;
    for (const pid_t pid : m_pids) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // The fields after the command name, which may itself hold spaces.
        const QByteArray text = stat.readAll();
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 12)
            total +=
                (fields[11].toLongLong() + fields[12].toLongLong()) * 1000000000 / ticksPerSecond;
    }
    return total;
}

void CpuHogs::stop()
{
    for (const pid_t pid : m_pids)
        ::kill(pid, SIGKILL);
    for (const pid_t pid : m_pids) {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    m_pids.clear();
}

void runHog(long parent)
{
    // A hog outlives nothing: it goes with the figure that started it, also when that one
    // ended before this line.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent)
        ::_exit(0);
    volatile unsigned long spin = 0;
    for (;;)
        spin = spin + 1;
}

} // namespace bench
