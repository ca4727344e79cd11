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

    bool isOpen() const { return master_ >= 0; }
    int masterFd() const { return master_; }
    const std::string& slavePath() const { return path_; }

private:
    int master_ = -1;
    int slave_ = -1;
    std::string path_;
};

} // namespace thermosim
