#pragma once

#include <string>

namespace thermosim {

// A pseudo-terminal whose slave side stays open in this process as well, so the master never
// reads hang-up or EIO while the program under test has the port closed between polls.
class PseudoTerminal
{
public:
    PseudoTerminal() = default;
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    bool open(std::string& error);
    void close();

    bool isOpen() const { return m_master >= 0; }
    int masterFd() const { return m_master; }
    const std::string& slavePath() const { return m_path; }

private:
    int m_master = -1;
    int m_slave = -1;
    std::string m_path;
};

} // namespace thermosim
