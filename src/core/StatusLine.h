#pragma once

#include <string>

// Which text the status line shows. A reading, Start and Stop replace whatever was there; a
// message (a port or settings problem) stays until one of those comes, or until a port opens
// again, unless the settings could not be saved, which keeps saying so.
namespace core {

class StatusLine
{
public:
    const std::string& caption() const { return m_caption; }

    void showState(bool started);
    void showReading(const std::string& caption);
    void showMessage(const std::string& message);
    void portOpened(bool started, bool settingsUnsaved);

private:
    std::string m_caption;
    bool m_isMessage = false;
};

} // namespace core
