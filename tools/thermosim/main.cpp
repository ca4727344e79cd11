#include "Options.h"
#include "Simulator.h"
#include "Usage.h"

#include <cstdio>

int main(int argc, char** argv)
{
    thermosim::Options options;
    std::string error;
    switch (thermosim::parseOptions(argc, argv, options, error)) {
    case thermosim::ParseResult::Help:
        std::fputs(thermosim::usageText(), stdout);
        return 0;
    case thermosim::ParseResult::Invalid:
        std::fprintf(stderr, "uiquorvix-thermosim: %s\nTry \"uiquorvix-thermosim --help\".\n",
                     error.c_str());
        return 2;
    case thermosim::ParseResult::Run:
        break;
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    thermosim::Simulator simulator(options);
    return simulator.run();
}
