#include "Options.h"

#include "Escapes.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QStringList>

namespace thermosim {
namespace {

struct ModeFlag
{
    const char* name;
    Mode mode;
};

// The models and misbehaviours, of which one run takes at most one.
constexpr ModeFlag kModeFlags[] = {
    {"silent", Mode::Silent},   {"twice", Mode::Twice}, {"acknowledge", Mode::Acknowledge},
    {"garbage", Mode::Garbage}, {"flood", Mode::Flood}, {"mix", Mode::Mix},
};

constexpr const char* kValueOptions[] = {
    "reply",   "baud",     "delay", "short",    "stale", "stale-gap", "twice-gap",
    "ack-gap", "pause-at", "pause", "mix-late", "seed",  "install",   "com",
};

constexpr const char* kFlagOptions[] = {"unique", "control", "help"};

// Latin-1 gives every byte a character of its own and back, so reply text and folder names
// reach the simulator byte for byte, whatever the locale.
QString fromBytes(const char* bytes)
{
    return QString::fromLatin1(bytes);
}

std::string toBytes(const QString& text)
{
    const QByteArray bytes = text.toLatin1();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

std::string dashed(const char* name)
{
    return std::string("--") + name;
}

// Qt names an unknown option without its dashes, and splits "-xy" into x and y; the message
// quotes the argument as it was typed.
std::string typedAs(const QStringList& arguments, const QString& name)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString bare = arguments[i].section(QLatin1Char('='), 0, 0);
        const bool isLong = bare.startsWith(QStringLiteral("--"));
        if (isLong && bare.mid(2) == name)
            return toBytes(bare);
        if (!isLong && bare.startsWith(QLatin1Char('-')) && name.size() == 1 &&
            bare.mid(1).startsWith(name))
            return toBytes(bare);
    }
    return toBytes((name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name);
}

// Reads the parsed options into an Options, stopping at the first value it refuses.
class Reader
{
public:
    Reader(const QCommandLineParser& parser, std::string& error) : m_parser(parser), m_error(error)
    {
    }

    bool given(const char* name) const { return m_parser.isSet(QLatin1String(name)); }
    std::string value(const char* name) const
    {
        return toBytes(m_parser.value(QLatin1String(name)));
    }

    bool number(const char* name, long min, long max, long& target)
    {
        if (!given(name))
            return true;
        const std::string text = value(name);
        if (parseNumber(text, min, max, target))
            return true;
        return refuse(dashed(name) + " needs " + expectedNumber(min, max) + ", not \"" + text +
                      "\"");
    }

    bool positions(const char* name, std::vector<std::size_t>& target)
    {
        if (!given(name))
            return true;
        const std::string text = value(name);
        if (parsePositions(text, kMaxShort, target))
            return true;
        return refuse(dashed(name) + " needs " + expectedPositions(kMaxShort) + ", not \"" + text +
                      "\"");
    }

    bool text(const char* name, std::optional<std::string>& target)
    {
        if (!given(name))
            return true;
        const core::Result<std::string> bytes = unescape(value(name));
        if (!bytes.ok())
            return refuse(dashed(name) + ": " + bytes.reason());
        target = *bytes.value();
        return true;
    }

    bool seed(std::optional<std::uint64_t>& target)
    {
        if (!given("seed"))
            return true;
        std::uint64_t seed = 0;
        if (!parseSeed(value("seed"), seed))
            return refuse("--seed needs a whole number, not \"" + value("seed") + "\"");
        target = seed;
        return true;
    }

    // In the order given, so the message names the flags as the user wrote them.
    bool mode(Mode& target)
    {
        const char* chosen = nullptr;
        for (const QString& name : m_parser.optionNames()) {
            for (const ModeFlag& flag : kModeFlags) {
                if (name != QLatin1String(flag.name))
                    continue;
                if (chosen != nullptr && target != flag.mode)
                    return refuse(dashed(chosen) + " and " + dashed(flag.name) +
                                  " cannot be combined");
                chosen = flag.name;
                target = flag.mode;
            }
        }
        return true;
    }

    bool refuse(const std::string& why)
    {
        m_error = why;
        return false;
    }

private:
    const QCommandLineParser& m_parser;
    std::string& m_error;
};

} // namespace

ParseResult parseOptions(int argc, char** argv, Options& options, std::string& error)
{
    QCommandLineParser parser;
    // The help text is written by hand (Usage.cpp), grouped as the manual page is; the parser
    // only has to know which options take a value.
    for (const char* name : kValueOptions)
        parser.addOption(QCommandLineOption(fromBytes(name), QString(), QStringLiteral("value")));
    for (const char* name : kFlagOptions)
        parser.addOption(QCommandLineOption(fromBytes(name)));
    for (const ModeFlag& flag : kModeFlags)
        parser.addOption(QCommandLineOption(fromBytes(flag.name)));

    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << fromBytes(argv[i]);
    if (arguments.isEmpty())
        arguments << QStringLiteral("uiquorvix-thermosim");
    if (!parser.parse(arguments)) {
        const QStringList unknown = parser.unknownOptionNames();
        error = unknown.isEmpty()
                    ? toBytes(parser.errorText())
                    : "unknown option \"" + typedAs(arguments, unknown.first()) + "\"";
        return ParseResult::Invalid;
    }
    if (!parser.positionalArguments().isEmpty()) {
        error = "unexpected argument \"" + toBytes(parser.positionalArguments().first()) + "\"";
        return ParseResult::Invalid;
    }

    Options result;
    Reader read(parser, error);
    long com = 0;
    if (!read.text("reply", result.reply) || !read.number("baud", 0, kMaxBaud, result.baud) ||
        !read.number("delay", 0, kMaxDelayMs, result.delayMs) ||
        !read.number("short", 0, kMaxShort, result.shortLength) ||
        !read.text("stale", result.stale) ||
        !read.number("stale-gap", 0, kMaxGapMs, result.staleGapMs) ||
        !read.number("twice-gap", 0, kMaxGapMs, result.twiceGapMs) ||
        !read.number("ack-gap", 0, kMaxGapMs, result.ackGapMs) ||
        !read.positions("pause-at", result.pauseAt) ||
        !read.number("pause", 0, kMaxGapMs, result.pauseMs) ||
        !read.number("mix-late", 1, kMaxDelayMs, result.mixLateMs) || !read.seed(result.seed) ||
        !read.mode(result.mode) || !read.number("com", 1, 256, com))
        return ParseResult::Invalid;
    if (read.given("install")) {
        result.installPrefix = read.value("install");
        if (result.installPrefix.empty()) {
            error = "--install needs a folder";
            return ParseResult::Invalid;
        }
    }
    result.unique = read.given("unique");
    result.control = read.given("control");

    if (read.given("help"))
        return ParseResult::Help;
    if (result.installPrefix.empty() != (com == 0)) {
        error = "--install and --com must be given together";
        return ParseResult::Invalid;
    }
    if (result.mode == Mode::Mix && read.given("reply")) {
        error = "--mix answers with its own numbered replies, so --reply cannot be combined";
        return ParseResult::Invalid;
    }
    if (read.given("pause-at") != read.given("pause")) {
        error = "--pause-at and --pause must be given together";
        return ParseResult::Invalid;
    }
    result.com = static_cast<int>(com);
    options = std::move(result);
    return ParseResult::Run;
}

} // namespace thermosim
