#include "PseudoTerminal.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace thermosim {
namespace {

std::string describe(const char* what)
{
    return std::string(what) + ": " + std::strerror(errno);
}

bool makeRaw(int fd)
{
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0)
        return false;
    tio.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR |
                                          ICRNL | IXON | IXOFF);
    tio.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    tio.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB);
    tio.c_cflag |= CS8 | CREAD | CLOCAL | CSTOPB;
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    ::cfsetispeed(&tio, B9600);
    ::cfsetospeed(&tio, B9600);
    return ::tcsetattr(fd, TCSANOW, &tio) == 0;
}

bool setFlags(int fd)
{
    const int flags = ::fcntl(fd, F_GETFL);
    const int fdFlags = ::fcntl(fd, F_GETFD);
    return flags >= 0 && fdFlags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0 &&
           ::fcntl(fd, F_SETFD, fdFlags | FD_CLOEXEC) == 0;
}

} // namespace

PseudoTerminal::~PseudoTerminal()
{
    close();
}

bool PseudoTerminal::open(std::string& error)
{
    close();
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0) {
        error = describe("posix_openpt");
        return false;
    }
    const char* name = nullptr;
    if (!setFlags(m_master)) {
        error = describe("fcntl");
    } else if (::grantpt(m_master) != 0) {
        error = describe("grantpt");
    } else if (::unlockpt(m_master) != 0) {
        error = describe("unlockpt");
    } else if ((name = ::ptsname(m_master)) == nullptr) {
        error = describe("ptsname");
    } else {
        m_path = name;
        m_slave = ::open(m_path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (m_slave < 0)
            error = describe(m_path.c_str());
        else if (!makeRaw(m_slave))
            error = describe("tcsetattr");
        else
            return true;
    }
    close();
    return false;
}

void PseudoTerminal::close()
{
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
    m_slave = -1;
    m_master = -1;
    m_path.clear();
}

} // namespace thermosim
