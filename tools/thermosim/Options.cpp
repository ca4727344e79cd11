#include "Options.h"

#include "Escapes.h"

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <vector>

namespace thermosim {

const char* usageText()
{
    return R"(Usage: uiquorvix-thermosim [OPTION]...
Simulates the thermometer on a new pseudo-terminal. The device answers every
ESC "M" (bytes 1b 4d) it receives with a reply line.

Reply options:
  --reply TEXT       answer with TEXT instead of a generated reply. TEXT may use
                     the escapes \r \n \t \\ \0 and \xHH (any byte).
  --baud N           send reply bytes no faster than N baud, 11 bits per
                     character (1 start, 8 data, 2 stop). 0 = as fast as
                     possible (default).
  --delay MS         wait MS milliseconds after a command before answering.
  --short N          send only the first N characters of each reply (0 = all).
  --stale TEXT       before each reply send TEXT (escapes as for --reply), then
                     pause, then send the reply.
  --stale-gap MS     the pause after --stale TEXT (default 100).
  --seed N           seed for the generated replies, for reproducible runs.

Models and misbehaviour (at most one; without any, the device answers each
command once):
  --acknowledge      answer each command with a short acknowledgement of 5
                     characters (06 "OK" CR LF), a pause, then the reply. This
                     is the thermometer the one-shot form (OneShot) was
                     designed for: it throws the first answer away.
  --ack-gap MS       the pause after the acknowledgement (default 100).
  --twice            answer each command twice.
  --twice-gap MS     the pause between the two answers of --twice (default 0).
  --silent           never answer.
  --garbage          answer with random bytes (0x00-0xff) as long as the reply.
  --flood            after the first command, send random bytes without end
                     (paced by --baud when given) until "mode normal".

Device link:
  --install PREFIX   create the link PREFIX/dosdevices/comN to the device
                     (needs --com); it is removed at exit and re-pointed on
                     "plug".
  --com N            the N in comN, 1-256.

Control:
  --control          read control lines from standard input; exit at its end.
  --help             show this text and exit.

A generated reply is 56 characters: 1-20 header with a sequence number, 21-35
weather field "DDD/SSSgGGGtFFF" (FFF = temperature in Fahrenheit), 36-49
filler, 50-54 temperature in Celsius like "+21.3", then CR LF.

Control lines (with --control):
  send TEXT          write TEXT (escapes as for --reply) to the line now.
  reply TEXT         answer with TEXT from now on; "reply" alone goes back to
                     generated replies.
  mode M             M is normal, silent, garbage, flood, twice or acknowledge.
  short N            as --short.
  delay MS           as --delay.
  unplug             close the device, as if unplugged; the link leads nowhere.
  plug               create a new device, re-point the link.
  quit               exit.
Each control line is acknowledged with "ok <command>" once done, or answered
with "error <command>: <reason>".

Events on standard output, one line each:
  device PATH        the device to open (first line, and after each plug).
  query N T          command number N arrived (T = CLOCK_MONOTONIC in ns).
  replied N T        the last byte of a reply to command N was written.
  unexpected HEX     bytes received that are not a command, e.g. "0d 0a".
  unplugged          the device is gone.
  ok COMMAND         a control line was carried out.
  error TEXT         something failed.

Exit status: 0 after SIGINT, SIGTERM, SIGHUP, "quit" or end of control input;
1 when the device cannot be created; 2 for bad options.
)";
}

bool parseMode(std::string_view text, Mode& mode)
{
    if (text == "normal")
        mode = Mode::Normal;
    else if (text == "silent")
        mode = Mode::Silent;
    else if (text == "garbage")
        mode = Mode::Garbage;
    else if (text == "flood")
        mode = Mode::Flood;
    else if (text == "twice")
        mode = Mode::Twice;
    else if (text == "acknowledge")
        mode = Mode::Acknowledge;
    else
        return false;
    return true;
}

namespace {

// Plain decimal digits only: strtol alone would take signs, blanks and a partial number.
bool isDecimal(std::string_view text)
{
    if (text.empty() || text.size() > 20)
        return false;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

} // namespace

bool parseNumber(std::string_view text, long min, long max, long& value)
{
    if (!isDecimal(text))
        return false;
    const std::string copy(text);
    errno = 0;
    char* end = nullptr;
    const long parsed = std::strtol(copy.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || parsed < min || parsed > max)
        return false;
    value = parsed;
    return true;
}

namespace {

bool parseSeed(std::string_view text, std::uint64_t& seed)
{
    if (!isDecimal(text))
        return false;
    const std::string copy(text);
    errno = 0;
    char* end = nullptr;
    const unsigned long long parsed = std::strtoull(copy.c_str(), &end, 10);
    if (errno != 0 || *end != '\0')
        return false;
    seed = parsed;
    return true;
}

struct OptionRule
{
    const char* name;
    bool takesValue;
    std::function<bool(std::string_view, std::string&)> apply;
};

} // namespace

ParseResult parseOptions(int argc, char** argv, Options& options, std::string& error)
{
    bool help = false;
    bool modeGiven = false;
    const char* modeOption = nullptr;
    Options result;

    const auto number = [](const char* name, long min, long max, long& target) {
        return [name, min, max, &target](std::string_view text, std::string& err) {
            if (parseNumber(text, min, max, target))
                return true;
            err = std::string(name) + " needs a whole number from " + std::to_string(min) + " to " +
                  std::to_string(max) + ", not \"" + std::string(text) + "\"";
            return false;
        };
    };
    const auto text = [](const char* name, std::optional<std::string>& target) {
        return [name, &target](std::string_view value, std::string& err) {
            std::string bytes;
            std::string why;
            if (!unescape(value, bytes, why)) {
                err = std::string(name) + ": " + why;
                return false;
            }
            target = std::move(bytes);
            return true;
        };
    };
    const auto mode = [&](const char* name, Mode which) {
        return [&, name, which](std::string_view, std::string& err) {
            if (modeGiven && result.mode != which) {
                err = std::string(modeOption) + " and " + name + " cannot be combined";
                return false;
            }
            modeGiven = true;
            modeOption = name;
            result.mode = which;
            return true;
        };
    };
    long com = 0;

    const std::vector<OptionRule> rules = {
        {"--reply", true, text("--reply", result.reply)},
        {"--baud", true, number("--baud", 0, 4000000, result.baud)},
        {"--delay", true, number("--delay", 0, kMaxDelayMs, result.delayMs)},
        {"--short", true, number("--short", 0, kMaxShort, result.shortLength)},
        {"--stale", true, text("--stale", result.stale)},
        {"--stale-gap", true, number("--stale-gap", 0, 60000, result.staleGapMs)},
        {"--twice-gap", true, number("--twice-gap", 0, 60000, result.twiceGapMs)},
        {"--ack-gap", true, number("--ack-gap", 0, 60000, result.ackGapMs)},
        {"--seed", true,
         [&](std::string_view value, std::string& err) {
             std::uint64_t seed = 0;
             if (!parseSeed(value, seed)) {
                 err = "--seed needs a whole number, not \"" + std::string(value) + "\"";
                 return false;
             }
             result.seed = seed;
             return true;
         }},
        {"--silent", false, mode("--silent", Mode::Silent)},
        {"--twice", false, mode("--twice", Mode::Twice)},
        {"--acknowledge", false, mode("--acknowledge", Mode::Acknowledge)},
        {"--garbage", false, mode("--garbage", Mode::Garbage)},
        {"--flood", false, mode("--flood", Mode::Flood)},
        {"--install", true,
         [&](std::string_view value, std::string& err) {
             if (value.empty()) {
                 err = "--install needs a folder";
                 return false;
             }
             result.installPrefix = std::string(value);
             return true;
         }},
        {"--com", true, number("--com", 1, 256, com)},
        {"--control", false,
         [&](std::string_view, std::string&) {
             result.control = true;
             return true;
         }},
        {"--help", false,
         [&](std::string_view, std::string&) {
             help = true;
             return true;
         }},
    };

    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        std::optional<std::string_view> inlineValue;
        if (const auto eq = arg.find('=');
            arg.rfind("--", 0) == 0 && eq != std::string_view::npos) {
            inlineValue = arg.substr(eq + 1);
            arg = arg.substr(0, eq);
        }
        const OptionRule* rule = nullptr;
        for (const auto& candidate : rules) {
            if (arg == candidate.name)
                rule = &candidate;
        }
        if (rule == nullptr) {
            error = "unknown option \"" + std::string(argv[i]) + "\"";
            return ParseResult::Invalid;
        }
        std::string_view value;
        if (rule->takesValue) {
            if (inlineValue) {
                value = *inlineValue;
            } else if (i + 1 < argc) {
                value = argv[++i];
            } else {
                error = std::string(rule->name) + " needs a value";
                return ParseResult::Invalid;
            }
        } else if (inlineValue) {
            error = std::string(rule->name) + " takes no value";
            return ParseResult::Invalid;
        }
        if (!rule->apply(value, error))
            return ParseResult::Invalid;
    }

    if (help)
        return ParseResult::Help;
    if (result.installPrefix.empty() != (com == 0)) {
        error = "--install and --com must be given together";
        return ParseResult::Invalid;
    }
    result.com = static_cast<int>(com);
    options = std::move(result);
    return ParseResult::Run;
}

} // namespace thermosim
