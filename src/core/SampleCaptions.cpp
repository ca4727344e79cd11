#include "core/SampleCaptions.h"

#include "core/Captions.h"

namespace core::captions {

namespace {
const char* const kDegreesCelsius = "\u00b0C";
const char* const kDash = " \u2013 ";
} // namespace

std::string reading(const std::string& temperatureField)
{
    return latin1ToUtf8(temperatureField) + kDegreesCelsius;
}

std::string oneShot(const std::string& temperatureField)
{
    return "One shot " + reading(temperatureField);
}

std::string withFileError(const std::string& caption, const std::string& path,
                          const std::string& reason)
{
    return caption + kDash + "cannot write " + shownPath(path) + ": " + reason;
}

std::string notOpen(int port, const std::string& reason)
{
    return reason.empty() ? portName(port) + " is not open"
                          : portName(port) + " is not open: " + reason;
}

std::string lost(int port, const std::string& reason)
{
    return portName(port) + " was lost: " + reason;
}

std::string noAnswer(int port)
{
    return "The thermometer did not answer on " + portName(port);
}

std::string exchangeFailed(const ExchangeStep& step, int port)
{
    const std::size_t threshold =
        step.finishedForm == ExchangeForm::Sampling ? kSamplingThreshold : kOneShotThreshold;
    switch (step.outcome) {
    case ExchangeOutcome::PartAnswer:
        return step.heard < threshold
                   ? portName(port) + " answered only " + std::to_string(step.heard) + " characters"
                   : portName(port) + " answered " + std::to_string(step.heard) +
                         " characters without ending its line";
    case ExchangeOutcome::TooLong:
        return portName(port) + " sent more than " + std::to_string(kMaxReplyBytes) +
               " characters without a line end";
    case ExchangeOutcome::LineBusy:
        return "The line on " + portName(port) +
               " is busy: it did not fall quiet, so the thermometer was not asked";
    case ExchangeOutcome::NoAnswer:
    case ExchangeOutcome::None:
    case ExchangeOutcome::Replied:
    case ExchangeOutcome::Abandoned:
        break;
    }
    return noAnswer(port);
}

std::string malformed(int port)
{
    return "The thermometer's reply on " + portName(port) +
           " was malformed; the weather file was not written";
}

std::string pathNotSaved(const std::string& location)
{
    return "The path cannot be saved in " + location;
}

std::string portNotSaved(const std::string& location)
{
    return "The port cannot be saved in " + location;
}

std::string settingsNotSaved(bool isStarted, const std::string& location)
{
    return (isStarted ? started() : stopped()) + kDash + "settings cannot be saved in " + location;
}

std::string cannotBeRead(const std::vector<std::string>& names, const std::string& where)
{
    std::string joined;
    for (std::size_t i = 0; i < names.size(); ++i)
        joined += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
    return joined + " cannot be read: " + where;
}

std::string pathLongerThanBox(std::size_t characters)
{
    return "The stored path is longer than the path box holds (" + std::to_string(characters) +
           " characters); it stays as stored";
}

std::string startUp(const std::vector<std::string>& problems, bool settingsUnsaved,
                    const std::string& location)
{
    if (problems.empty())
        return settingsUnsaved ? settingsNotSaved(false, location) : stopped();
    std::string joined;
    for (const std::string& problem : problems)
        joined += (joined.empty() ? "" : kDash) + problem;
    return joined;
}

std::string noSuchPort(int port)
{
    return "there is no " + portName(port);
}

std::string portInUse()
{
    return "it is in use by another program, or access is denied";
}

std::string lineSettingsRefused(const std::string& settings)
{
    return "the line settings " + settings + " are refused";
}

std::string deviceStoppedAnswering()
{
    return "the device stopped answering";
}

std::string noPathSet()
{
    return "no path is set";
}

std::string latin1ToUtf8(const std::string& bytes)
{
    std::string text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto code = static_cast<unsigned char>(c);
        if (code < 0x80) {
            text += c;
        } else {
            text += static_cast<char>(0xc0 | (code >> 6));
            text += static_cast<char>(0x80 | (code & 0x3f));
        }
    }
    return text;
}

} // namespace core::captions
