#pragma once

#include <string>

namespace thermosim {

// The PREFIX/dosdevices/comN link through which a Wine-style program finds the device.
class DeviceLink
{
public:
    DeviceLink() = default;
    ~DeviceLink();
    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;

    // Makes what a fresh prefix lacks: its folders, and its drive C: where it has none.
    bool configure(const std::string& prefix, int com, std::string& error);
    bool enabled() const { return !m_path.empty(); }
    const std::string& path() const { return m_path; }

    bool pointTo(const std::string& target, std::string& error);
    void remove();

private:
    std::string m_path;
    std::string m_target;
};

} // namespace thermosim
