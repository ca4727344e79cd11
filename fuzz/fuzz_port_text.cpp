// Any text typed or pasted into the port box, or stored as the port setting: whichever port
// the selector takes from it, every other reading of the same text means that port too, and
// the caption that quotes the text stays short.
#include "FuzzSupport.h"
#include "core/Captions.h"
#include "core/PortChoice.h"

#include <QLocale>
#include <QString>

namespace {

void checkText(const std::string& text)
{
    const core::PortChoice choice = core::choosePort(text);
    if (choice.kind == core::PortChoice::Kind::Port) {
        UIQ_CHECK(choice.scrollValue >= core::kScrollMinimum &&
                  choice.scrollValue <= core::kScrollMaximum);
        UIQ_CHECK(choice.port >= 0 && choice.port <= core::kHighestPort);
        // The thumb stands for the port itself, or waits at the top for one past the arrows.
        UIQ_CHECK(choice.onArrows ? core::portAt(choice.scrollValue) == choice.port
                                  : choice.scrollValue == core::kScrollMinimum &&
                                        choice.port > core::portAt(core::kScrollMinimum));
        // An independent conversion reads the same whole number.
        bool ok = false;
        const double value = QLocale::c().toDouble(QString::fromStdString(text).trimmed(), &ok);
        UIQ_CHECK(ok && value == choice.port);
        // The plain form the box is rewritten to names the same port.
        const core::PortChoice plain = core::choosePort(std::to_string(choice.port));
        UIQ_CHECK(plain.kind == core::PortChoice::Kind::Port && plain.port == choice.port);
    }
    // At most a few dozen characters of the text, each at most four bytes, and the words.
    UIQ_CHECK(core::captions::notAPortNumber(text).size() <= 41 * 4 + 40);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    checkText(std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}
