#include "devicelink.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace thermosim {

DeviceLink::~DeviceLink()
{
    remove();
}

bool DeviceLink::configure(const std::string& prefix, int com, std::string& error)
{
    const std::string folder = prefix + "/dosdevices";
    if (::mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST) {
        error = folder + ": " + std::strerror(errno);
        return false;
    }
    path_ = folder + "/com" + std::to_string(com);
    return true;
}

bool DeviceLink::pointTo(const std::string& target, std::string& error)
{
    // A fresh link renamed over the old one means a reader never finds the name missing.
    const std::string temporary = path_ + ".thermosim-" + std::to_string(::getpid());
    ::unlink(temporary.c_str());
    if (::symlink(target.c_str(), temporary.c_str()) != 0) {
        error = temporary + ": " + std::strerror(errno);
        return false;
    }
    if (::rename(temporary.c_str(), path_.c_str()) != 0) {
        error = path_ + ": " + std::strerror(errno);
        ::unlink(temporary.c_str());
        return false;
    }
    target_ = target;
    return true;
}

void DeviceLink::remove()
{
    if (target_.empty())
        return;
    // Someone may have re-pointed the link meanwhile; their link is not ours to delete.
    std::vector<char> buffer(4096);
    const ssize_t length = ::readlink(path_.c_str(), buffer.data(), buffer.size());
    if (length >= 0 && std::string(buffer.data(), static_cast<std::size_t>(length)) == target_)
        ::unlink(path_.c_str());
    target_.clear();
}

} // namespace thermosim
