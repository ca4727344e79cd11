#include "Child.h"

#include "Measure.h"

#include <QProcessEnvironment>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

Child::~Child()
{
    stop();
}

bool Child::start(const QString& program, const QStringList& arguments,
                  const QMap<QString, QString>& environment, const QString& errorLog)
{
    QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
    for (auto it = environment.begin(); it != environment.end(); ++it)
        variables.insert(it.key(), it.value());
    std::vector<QByteArray> storage;
    storage.push_back(program.toLocal8Bit());
    for (const QString& argument : arguments)
        storage.push_back(argument.toLocal8Bit());
    const std::size_t argumentCount = storage.size();
    for (const QString& variable : variables.toStringList())
        storage.push_back(variable.toLocal8Bit());
    std::vector<char*> argv;
    std::vector<char*> envp;
    for (std::size_t i = 0; i < storage.size(); ++i)
        (i < argumentCount ? argv : envp).push_back(storage[i].data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);

    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0) {
        m_problem = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    const QByteArray log = errorLog.toLocal8Bit();
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, log.constData(),
                                     O_WRONLY | O_CREAT | O_APPEND, 0644);
    m_startedAt = bench::monotonicNs();
    const int spawned = ::posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[1]);
    if (spawned != 0) {
        ::close(pipeEnds[0]);
        m_pid = -1;
        m_problem =
            QStringLiteral("%1: %2").arg(program, QString::fromLocal8Bit(std::strerror(spawned)));
        return false;
    }
    m_output = pipeEnds[0];
    return true;
}

bool Child::readLine(const QByteArray& prefix, int ms, QByteArray& line, qint64& at)
{
    const qint64 deadline = bench::monotonicNs() + qint64(ms) * 1000000;
    for (;;) {
        qsizetype end;
        while ((end = m_pending.indexOf('\n')) >= 0) {
            line = m_pending.left(end);
            m_pending.remove(0, end + 1);
            if (line.startsWith(prefix)) {
                at = m_readAt;
                return true;
            }
        }
        const qint64 left = deadline - bench::monotonicNs();
        if (m_output < 0 || left <= 0) {
            m_problem = QStringLiteral("no line \"%1\" came").arg(QString::fromLatin1(prefix));
            return false;
        }
        pollfd fd{m_output, POLLIN, 0};
        const int ready = ::poll(&fd, 1, int(left / 1000000) + 1);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            continue;
        char buffer[4096];
        const ssize_t got = ::read(m_output, buffer, sizeof buffer);
        m_readAt = bench::monotonicNs();
        if (got <= 0) {
            ::close(m_output);
            m_output = -1;
            continue;
        }
        m_pending.append(buffer, got);
    }
}

bool Child::stop()
{
    if (m_pid < 0)
        return false;
    ::kill(m_pid, SIGTERM);
    int status = 0;
    while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
    }
    m_pid = -1;
    if (m_output >= 0)
        ::close(m_output);
    m_output = -1;
    // A program without a handler of its own dies of the SIGTERM, which is an orderly end too.
    if ((WIFEXITED(status) && WEXITSTATUS(status) == 0) ||
        (WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM))
        return true;
    m_problem = WIFSIGNALED(status) ? QStringLiteral("ended by signal %1").arg(WTERMSIG(status))
                                    : QStringLiteral("exit status %1").arg(WEXITSTATUS(status));
    return false;
}
