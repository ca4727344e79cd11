#pragma once

#include "core/Platform.h"
#include "core/Session.h"

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// Services that stand in for a platform, so the session's whole behaviour runs without any
// window, line or disk: each records what the session asked of it and answers as a test says.
namespace fake {

class SerialPort : public core::SerialPort
{
public:
    core::Outcome open(int port) override
    {
        opens.push_back(port);
        isOpen = openFails.empty();
        if (isOpen)
            return core::Done{};
        return core::Outcome::failure(openFails);
    }
    void close() override { isOpen = false; }
    core::Outcome reopen(int port) override
    {
        return isOpen ? core::Outcome(core::Done{}) : open(port);
    }
    core::Outcome send(std::string_view bytes) override
    {
        if (!sendFails.empty())
            return core::Outcome::failure(sendFails);
        sent.emplace_back(bytes);
        return core::Done{};
    }
    bool bytesWaiting() const override { return waiting; }
    std::string device(int port) const override
    {
        const auto found = devices.find(port);
        return found == devices.end() ? std::string() : found->second;
    }

    bool isOpen = false;
    std::vector<int> opens;
    std::vector<std::string> sent;
    bool waiting = false;
    std::string openFails;
    std::string sendFails;
    std::map<int, std::string> devices;
};

class SettingsStore : public core::SettingsStore
{
public:
    core::StoredValue read(const char* name) const override
    {
        if (const auto bad = unreadable.find(name); bad != unreadable.end())
            return core::StoredValue::failure(bad->second);
        if (const auto found = values.find(name); found != values.end())
            return core::StoredValue(found->second);
        return core::StoredValue(std::nullopt);
    }
    core::Outcome write(const char* name, const std::string& text) const override
    {
        ++writes;
        if (!writable)
            return core::Outcome::failure("read-only");
        values[name] = text;
        return core::Done{};
    }
    std::string location() const override { return "the store"; }

    mutable std::map<std::string, std::string> values;
    std::map<std::string, std::string> unreadable;
    bool writable = true;
    mutable int writes = 0;
};

class WeatherWriter : public core::WeatherWriter
{
public:
    core::WriteAttempt write(const std::string& path, const std::string& contents) override
    {
        writes.emplace_back(path, contents);
        return next();
    }
    core::WriteAttempt retry() override
    {
        ++retries;
        return next();
    }
    std::string giveUp() override
    {
        ++givenUp;
        return heldBecause;
    }

    // The next `times` attempts find the file held by the host program.
    void holdNext(int times) { held += times; }

    int held = 0;
    // What holds a held write up, as the system says it.
    std::string heldBecause = "held";
    std::vector<std::pair<std::string, std::string>> writes;
    int retries = 0;
    int givenUp = 0;

private:
    core::WriteAttempt next()
    {
        if (held == 0)
            return core::WriteProgress::Written;
        --held;
        return core::WriteProgress::Held;
    }
};

class Record : public core::Record
{
public:
    void add(const std::string& line) override { lines.push_back(line); }

    std::vector<std::string> lines;
};

class Clock : public core::Clock
{
public:
    core::LocalTime localTime() const override { return local; }
    core::ExchangeTime now() const override { return steady; }

    core::LocalTime local{2003, 3, 5, 7, 4};
    core::ExchangeTime steady = core::ExchangeTime{} + std::chrono::hours(1);
};

class Waker : public core::Waker
{
public:
    void wakeAt(std::optional<core::ExchangeTime> when) override { at = when; }

    std::optional<core::ExchangeTime> at;
};

class View : public core::View
{
public:
    void showCaption(const std::string& caption) override { captions.push_back(caption); }
    void showText(TextControl control, const std::string& text) override { texts[control] = text; }
    void showScrollValue(int value) override { scroll = value; }
    void noteReading(core::ExchangeForm form, bool wroteFile) override
    {
        readings.emplace_back(form, wroteFile);
    }

    std::string caption() const { return captions.empty() ? std::string() : captions.back(); }

    std::vector<std::string> captions;
    std::map<TextControl, std::string> texts;
    int scroll = -1;
    std::vector<std::pair<core::ExchangeForm, bool>> readings;
};

// A station: a session on fake services, with the clock under the test's hand.
struct Station
{
    explicit Station(core::SessionTimes times = {}) : session(platform(), times) {}

    core::Platform platform()
    {
        return core::Platform{serialPort, settings, writer, record, clock, waker, view};
    }

    // Time goes by; every wake-up due meanwhile comes at its time.
    void advance(std::chrono::milliseconds span)
    {
        const core::ExchangeTime until = clock.steady + span;
        while (waker.at && *waker.at <= until) {
            clock.steady = std::max(clock.steady, *waker.at);
            waker.at.reset();
            session.wake();
        }
        clock.steady = until;
    }

    // The thermometer answers the command just sent.
    void answer(const std::string& bytes) { session.lineData(bytes); }

    SerialPort serialPort;
    SettingsStore settings;
    WeatherWriter writer;
    Record record;
    Clock clock;
    Waker waker;
    View view;
    core::Session session;
};

// A thermometer's reply with its own weather field and temperature, CR LF at the end.
inline std::string reply(const std::string& weather, const std::string& temperature)
{
    return std::string(20, 'h') + weather + std::string(14, 'f') + temperature + "\r\n";
}

} // namespace fake
