#include "pty.h"

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
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0) {
        error = describe("posix_openpt");
        return false;
    }
    const char* name = nullptr;
    if (!setFlags(master_)) {
        error = describe("fcntl");
    } else if (::grantpt(master_) != 0) {
        error = describe("grantpt");
    } else if (::unlockpt(master_) != 0) {
        error = describe("unlockpt");
    } else if ((name = ::ptsname(master_)) == nullptr) {
        error = describe("ptsname");
    } else {
        path_ = name;
        slave_ = ::open(path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (slave_ < 0)
            error = describe(path_.c_str());
        else if (!makeRaw(slave_))
            error = describe("tcsetattr");
        else
            return true;
    }
    close();
    return false;
}

void PseudoTerminal::close()
{
    if (slave_ >= 0)
        ::close(slave_);
    if (master_ >= 0)
        ::close(master_);
    slave_ = -1;
    master_ = -1;
    path_.clear();
}

} // namespace thermosim
