#include "DeviceLink.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace thermosim {

namespace {

// The folder and every folder above it that is missing, as mkdir -p makes them.
bool makeFolders(const std::string& folder, std::string& error)
{
    for (std::size_t end = folder.find('/', 1);; end = folder.find('/', end + 1)) {
        const std::string part = folder.substr(0, end);
        if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) {
            error = part + ": " + std::strerror(errno);
            return false;
        }
        if (end == std::string::npos)
            return true;
    }
}

// A prefix that Wine has never run in has no drive C:, and the program under test could
// write no weather file there. The link is made as Wine makes it, and only where there is
// none: a prefix's own drive, whatever it leads to, is never replaced.
bool offerDriveC(const std::string& prefix, const std::string& folder, std::string& error)
{
    const std::string link = folder + "/c:";
    struct stat entry = {};
    if (::lstat(link.c_str(), &entry) == 0)
        return true;
    const std::string drive = prefix + "/drive_c";
    if (::mkdir(drive.c_str(), 0755) != 0 && errno != EEXIST) {
        error = drive + ": " + std::strerror(errno);
        return false;
    }
    // Another simulator starting beside this one may have made it meanwhile.
    if (::symlink("../drive_c", link.c_str()) != 0 && errno != EEXIST) {
        error = link + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

} // namespace

DeviceLink::~DeviceLink()
{
    remove();
}

bool DeviceLink::configure(const std::string& prefix, int com, std::string& error)
{
    const std::string folder = prefix + "/dosdevices";
    if (!makeFolders(folder, error) || !offerDriveC(prefix, folder, error))
        return false;
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
