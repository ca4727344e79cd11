#include "DeviceLink.h"

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
    m_path = folder + "/com" + std::to_string(com);
    return true;
}

bool DeviceLink::pointTo(const std::string& target, std::string& error)
{
    // A fresh link renamed over the old one means a reader never finds the name missing.
    const std::string temporary = m_path + ".thermosim-" + std::to_string(::getpid());
    ::unlink(temporary.c_str());
    if (::symlink(target.c_str(), temporary.c_str()) != 0) {
        error = temporary + ": " + std::strerror(errno);
        return false;
    }
    if (::rename(temporary.c_str(), m_path.c_str()) != 0) {
        error = m_path + ": " + std::strerror(errno);
        ::unlink(temporary.c_str());
        return false;
    }
    m_target = target;
    return true;
}

void DeviceLink::remove()
{
    if (m_target.empty())
        return;
    // Someone may have re-pointed the link meanwhile; their link is not ours to delete.
    std::vector<char> buffer(4096);
    const ssize_t length = ::readlink(m_path.c_str(), buffer.data(), buffer.size());
    if (length >= 0 && std::string(buffer.data(), static_cast<std::size_t>(length)) == m_target)
        ::unlink(m_path.c_str());
    m_target.clear();
}

} // namespace thermosim
