#include "core/Session.h"

#include "core/Captions.h"
#include "core/PortChoice.h"
#include "core/RecordLine.h"
#include "core/Settings.h"
#include "core/WeatherText.h"

#include <algorithm>

namespace core {

namespace {

// How many UTF-16 units a text takes, as the path box counts its characters.
std::size_t utf16Length(std::string_view utf8)
{
    std::size_t units = 0;
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte & 0xC0) != 0x80)
            ++units;
        // A character of four bytes takes two units.
        if ((byte & 0xF8) == 0xF0)
            ++units;
    }
    return units;
}

} // namespace

Session::Session(const Platform& platform, SessionTimes times)
    : m_platform(platform), m_times(times), m_typedPath(control("WXfile").text),
      m_portText(control("CPort").text), m_exchange(times.replyDeadline)
{
}

// ---- Start-up and shutdown ----

void Session::load()
{
    m_loading = true;
    View& view = m_platform.view;
    view.showText(View::TextControl::Label2, kTitleLine);
    view.showText(View::TextControl::Label3, kVersionLine);
    view.showText(View::TextControl::Label4, kCreditLine);

    const SettingRead path = readSetting(m_platform.settings, kWXPath);
    const SettingRead port = readSetting(m_platform.settings, kCPort);
    m_settingsUnsaved = !path.stored.ok() || !port.stored.ok();
    std::vector<std::string> problems;
    if (!path.readable.ok() && !port.readable.ok() &&
        path.readable.reason() == port.readable.reason()) {
        problems.push_back(
            captions::cannotBeRead({kWXPath.name, kCPort.name}, path.readable.reason()));
    } else {
        if (!path.readable.ok())
            problems.push_back(captions::cannotBeRead({kWXPath.name}, path.readable.reason()));
        if (!port.readable.ok())
            problems.push_back(captions::cannotBeRead({kCPort.name}, port.readable.reason()));
    }
    // What the box cannot hold whole would be written back cut.
    const std::size_t pathLength = utf16Length(path.text);
    const bool pathTooLong = pathLength > std::size_t(kPathBoxCharacters);
    if (pathTooLong)
        problems.push_back(captions::pathLongerThanBox(pathLength));

    // A default that stands in for a value that cannot be read, or a path the box cuts, is
    // shown but not written back over what the store holds.
    if (pathTooLong || !path.readable.ok()) {
        m_typedPath = path.text;
        view.showText(View::TextControl::WXfile, path.text);
    } else {
        setPathText(path.text);
    }
    m_pathInUse = path.text;
    if (!port.readable.ok()) {
        m_portText = port.text;
        view.showText(View::TextControl::CPort, port.text);
    } else {
        setPortText(port.text);
    }

    // A stored port is taken as if it had been typed: one that names no port the arrows can
    // reach opens nothing, and no reading asks any port until the user chooses one.
    const PortChoice choice = choosePort(port.text);
    m_portChosen = choice.kind == PortChoice::Kind::Port;
    if (choice.kind == PortChoice::Kind::OutOfRange) {
        m_platform.serialPort.close();
        problems.push_back(captions::portOutOfRange());
    } else if (choice.kind == PortChoice::Kind::NotANumber) {
        m_platform.serialPort.close();
        problems.push_back(captions::storedPortNotANumber(port.text));
    } else if (const Outcome opened = openPort(choice.port); !opened.ok()) {
        problems.push_back(captions::cannotBeOpened(portName(choice.port), opened.reason()));
    }

    if (problems.empty() && !m_settingsUnsaved)
        m_status.showState(false);
    else
        m_status.showMessage(
            captions::startUp(problems, m_settingsUnsaved, m_platform.settings.location()));
    // Only the caption start-up ends with is shown: none of those it passed on the way.
    m_loading = false;
    refreshCaption();
}

void Session::unload()
{
    m_nextTick.reset();
    m_exchange.closeLine(m_platform.clock.now());
    m_exchangeWake.reset();
    if (m_pendingWrite) {
        m_platform.weatherWriter.giveUp();
        m_pendingWrite.reset();
    }
    m_platform.waker.wakeAt(std::nullopt);
    m_platform.serialPort.close();
}

// ---- The path box ----

void Session::pathEdited(const std::string& text)
{
    if (text == m_typedPath)
        return;
    m_typedPath = text;
    onPathChange();
}

void Session::pathEditFinished()
{
    m_pathInUse = m_typedPath;
}

void Session::setPathText(const std::string& text)
{
    if (text == m_typedPath)
        return;
    m_typedPath = text;
    m_platform.view.showText(View::TextControl::WXfile, text);
    onPathChange();
}

void Session::onPathChange()
{
    m_settingsUnsaved = !m_platform.settings.write(kWXPath.name, m_typedPath).ok();
    if (m_settingsUnsaved)
        showMessage(captions::pathNotSaved(m_platform.settings.location()));
}

// ---- The port selector ----

void Session::portEdited(const std::string& text)
{
    if (text == m_portText)
        return;
    m_portText = text;
    onPortChange();
}

void Session::scrollMoved(int value)
{
    value = std::clamp(value, kScrollMinimum, kScrollMaximum);
    if (value == m_scrollValue)
        return;
    m_scrollValue = value;
    onScrollChange();
}

void Session::wheelTurned(int angle)
{
    m_wheelAngle += angle;
    const int notches = m_wheelAngle / kWheelNotch;
    m_wheelAngle -= notches * kWheelNotch;
    // Up raises the port, as the up arrow does, and the scroll bar runs upside down.
    if (notches != 0)
        setScrollValue(
            std::clamp(m_scrollValue - notches * kScrollSmallStep, kScrollMinimum, kScrollMaximum));
}

void Session::setPortText(const std::string& text)
{
    if (text == m_portText)
        return;
    m_portText = text;
    m_platform.view.showText(View::TextControl::CPort, text);
    onPortChange();
}

void Session::setScrollValue(int value)
{
    if (value == m_scrollValue)
        return;
    m_scrollValue = value;
    m_platform.view.showScrollValue(value);
    onScrollChange();
}

void Session::onPortChange()
{
    const PortChoice choice = choosePort(m_portText);
    if (choice.kind == PortChoice::Kind::NotANumber) {
        showMessage(captions::notAPortNumber(m_portText));
        return;
    }
    if (choice.kind == PortChoice::Kind::OutOfRange) {
        showMessage(captions::portOutOfRange());
        return;
    }
    // Moving the scroll bar rewrites another form of the number ("03") as plain decimal, and
    // that rewrite runs this handler again, nested, before the rest of this call.
    if (choice.onArrows) {
        setScrollValue(choice.scrollValue);
    } else {
        // The arrows do not reach this port: the thumb waits at the top, where moving it would
        // name a port of its own, and the box is rewritten as the arrows would write it.
        m_scrollValue = choice.scrollValue;
        m_platform.view.showScrollValue(choice.scrollValue);
        setPortText(std::to_string(choice.port));
    }

    // What is saved and opened is the box's text after that rewrite: one number for all.
    const std::string current = m_portText;
    const PortChoice now = choosePort(current);
    const int port = now.kind == PortChoice::Kind::Port ? now.port : choice.port;
    m_settingsUnsaved = !m_platform.settings.write(kCPort.name, current).ok();
    if (m_settingsUnsaved)
        showMessage(captions::portNotSaved(m_platform.settings.location()));
    m_portChosen = true;
    if (const Outcome opened = openPort(port); !opened.ok()) {
        showMessage(captions::cannotBeOpened(portName(port), opened.reason()));
        return;
    }
    m_status.portOpened(started(), m_settingsUnsaved);
    refreshCaption();
}

void Session::onScrollChange()
{
    setPortText(portText(m_scrollValue));
}

// Closes the line and opens it again on a port, at the thermometer's line settings.
Outcome Session::openPort(int port)
{
    closeLine();
    m_platform.serialPort.close();
    m_commPort = port;
    return m_platform.serialPort.open(port);
}

std::string Session::portName(int port) const
{
    return captions::portName(port, m_platform.serialPort.device(port));
}

// ---- Start, Stop, the ticks and OneShot ----

void Session::startClicked()
{
    // A second Start leaves the countdown running, so pressing it never delays a reading.
    if (!started())
        m_nextTick = m_platform.clock.now() + m_times.tick;
    showState();
    rearm();
}

void Session::stopClicked()
{
    m_nextTick.reset();
    showState();
    rearm();
}

void Session::oneShotClicked()
{
    if (!askNoPort())
        request(ExchangeForm::OneShot);
}

void Session::tick()
{
    if (!askNoPort())
        request(ExchangeForm::Tick);
}

// Without a port the user chose, a reading asks no port at all and says so.
bool Session::askNoPort()
{
    if (m_portChosen)
        return false;
    showMessage(captions::noPortChosen());
    return true;
}

// ---- The exchange ----

void Session::request(ExchangeForm form)
{
    const ExchangeTime now = m_platform.clock.now();
    if (!m_exchange.busy()) {
        m_askedPortName = portName(m_commPort);
        // Bytes the system holds but has not handed over yet mean the line talks.
        noteWaiting(now);
    }
    follow(m_exchange.request(form, now));
}

void Session::noteWaiting(ExchangeTime now)
{
    if (m_platform.serialPort.bytesWaiting())
        follow(m_exchange.bytesWaiting(now));
}

void Session::lineData(std::string_view bytes)
{
    follow(m_exchange.bytesArrived(bytes, m_platform.clock.now()));
}

void Session::lineLost(const std::string& reason)
{
    const std::string port = portName(m_commPort);
    const std::string caption = captions::lost(port, reason);
    // An unplugged adapter shows at once, not only at the next reading.
    if (m_exchange.busy()) {
        abandon(caption);
        return;
    }
    record(port, captions::recordedFailure(caption));
    showMessage(sinceLastReading(caption));
}

void Session::follow(ExchangeStep step)
{
    m_exchangeWake = step.wakeAt;
    if (step.outcome != ExchangeOutcome::None)
        deliver(step);
    if (step.send) {
        // A line that is closed (unplugged, or held by another program when it was opened) is
        // tried again, so sampling resumes by itself once the thermometer is back.
        Outcome sent = m_platform.serialPort.reopen(m_commPort);
        // Named after the reopen, which may have followed the port to another device.
        m_askedPortName = portName(m_commPort);
        if (sent.ok())
            sent = m_platform.serialPort.send(kMeasureCommand);
        if (!sent.ok()) {
            // A command that never left cannot be answered: say why now rather than wait out
            // the deadline.
            abandon(captions::notOpen(m_askedPortName, sent.reason()));
            return;
        }
    }
    rearm();
}

void Session::abandon(const std::string& caption)
{
    m_abandonReason = caption;
    follow(m_exchange.abandon(m_platform.clock.now()));
}

// The port closes or changes: a reading under way on it ends at once and says so, and the next
// port starts with a line of its own.
void Session::closeLine()
{
    m_abandonReason = captions::readingEndedByPortChange(m_askedPortName);
    follow(m_exchange.closeLine(m_platform.clock.now()));
    // Another port may have another thermometer.
    m_lastReadingAt.reset();
}

void Session::deliver(const ExchangeStep& step)
{
    ++m_outcomes;
    switch (step.outcome) {
    case ExchangeOutcome::Replied: {
        const Readings::Reading reading =
            m_readings.replied(step.finishedForm, step.reply, m_askedPortName);
        if (reading.refused) {
            showFailure(step.finishedForm, m_readings.caption(*reading.refused));
            m_platform.view.noteReading(step.finishedForm, false);
            break;
        }
        const ShownReading shown{step.finishedForm, reading.temperature};
        // The clock is read once a reading, so the file's date and time belong together.
        const LocalTime at = m_platform.clock.localTime();
        m_lastReadingAt = at;
        if (reading.weatherField) {
            writeWeatherFile(shown, *reading.weatherField, at);
        } else {
            record(m_askedPortName, readingText(shown));
            showNewReading(shown);
            m_platform.view.noteReading(step.finishedForm, false);
        }
        break;
    }
    case ExchangeOutcome::Abandoned:
        showFailure(step.finishedForm, m_abandonReason);
        break;
    case ExchangeOutcome::NoAnswer:
    case ExchangeOutcome::PartAnswer:
    case ExchangeOutcome::TooLong:
    case ExchangeOutcome::Misshapen:
    case ExchangeOutcome::LineBusy:
        showFailure(step.finishedForm, captions::exchangeFailed(step, m_askedPortName));
        break;
    case ExchangeOutcome::None:
        break;
    }
}

// ---- The weather file ----

void Session::writeWeatherFile(const ShownReading& reading, const std::string& weatherField,
                               const LocalTime& now)
{
    // The text box shows the device's bytes as Latin-1 characters, as the caption does.
    m_platform.view.showText(View::TextControl::Text1,
                             captions::latin1ToUtf8(weatherDisplayText(now, weatherField)));
    if (m_pendingWrite) {
        // A write still waiting for the host program is given up for the newer reading.
        m_platform.weatherWriter.giveUp();
        const ExchangeForm earlier = m_pendingWrite->reading.form;
        m_pendingWrite.reset();
        m_platform.view.noteReading(earlier, false);
    }
    const PendingWrite write{reading,     m_askedPortName,
                             m_pathInUse, m_outcomes,
                             1,           m_platform.clock.now() + kWriteRetryEvery};
    const WriteAttempt attempt =
        m_platform.weatherWriter.write(write.path, weatherFileBytes(now, weatherField));
    if (isHeld(attempt)) {
        // The reading shows once the write has ended; the window does not wait meanwhile.
        m_pendingWrite = write;
        rearm();
        return;
    }
    writeEnded(attempt, write);
}

void Session::retryWrite()
{
    WriteAttempt attempt = m_platform.weatherWriter.retry();
    if (isHeld(attempt)) {
        if (++m_pendingWrite->attempts < kWriteAttempts) {
            m_pendingWrite->retryAt = m_platform.clock.now() + kWriteRetryEvery;
            return;
        }
        attempt = WriteAttempt::failure(m_platform.weatherWriter.giveUp());
    }
    const PendingWrite ended = *m_pendingWrite;
    m_pendingWrite.reset();
    writeEnded(attempt, ended);
}

void Session::writeEnded(const WriteAttempt& attempt, const PendingWrite& write)
{
    const bool written = attempt.ok();
    m_readings.written(write.path, written ? Outcome(Done{}) : Outcome::failure(attempt.reason()));
    record(write.port, captions::recordedWrite(readingText(write.reading), written, write.path,
                                               attempt.reason()));
    if (write.outcome == m_outcomes)
        showNewReading(write.reading);
    else if (m_newestReading)
        // A newer reading is on show: it now tells how this write went.
        showReading(captionOf(*m_newestReading));
    m_platform.view.noteReading(write.reading.form, written);
}

// ---- Time ----

void Session::wake()
{
    const ExchangeTime now = m_platform.clock.now();
    if (m_nextTick && now >= *m_nextTick) {
        // The next tick keeps to the schedule, unless the machine fell behind it.
        *m_nextTick += m_times.tick;
        if (*m_nextTick <= now)
            m_nextTick = now + m_times.tick;
        tick();
    }
    if (m_exchangeWake && now >= *m_exchangeWake) {
        m_exchangeWake.reset();
        noteWaiting(now);
        follow(m_exchange.timeReached(now));
    }
    if (m_pendingWrite && now >= m_pendingWrite->retryAt)
        retryWrite();
    rearm();
}

// The platform's one timer is set for the earliest moment anything is due.
void Session::rearm()
{
    std::optional<ExchangeTime> next = m_nextTick;
    for (const std::optional<ExchangeTime>& due :
         {m_exchangeWake,
          m_pendingWrite ? std::optional<ExchangeTime>(m_pendingWrite->retryAt) : std::nullopt}) {
        if (due && (!next || *due < *next))
            next = due;
    }
    m_platform.waker.wakeAt(next);
}

// ---- The caption ----

void Session::showMessage(const std::string& message)
{
    m_status.showMessage(message);
    refreshCaption();
}

void Session::showReading(const std::string& caption)
{
    m_status.showReading(caption);
    refreshCaption();
}

void Session::showNewReading(const ShownReading& reading)
{
    m_newestReading = reading;
    showReading(captionOf(reading));
}

// A tick's reading or failure that ends after Stop never looks as if sampling still runs.
void Session::showFailure(ExchangeForm form, const std::string& caption)
{
    m_newestReading.reset();
    record(m_askedPortName, captions::recordedFailure(caption));
    const std::string since = sinceLastReading(caption);
    showReading(form == ExchangeForm::Tick && !started() ? captions::stoppedWith(since) : since);
}

// A station left alone shows since when its thermometer has failed.
std::string Session::sinceLastReading(const std::string& caption) const
{
    if (!m_lastReadingAt)
        return caption;
    return captions::withLastReading(caption,
                                     readingTime(*m_lastReadingAt, m_platform.clock.localTime()));
}

void Session::record(const std::string& port, const std::string& what)
{
    m_platform.record.add(recordLine(m_platform.clock.localTime(), port, what));
}

// The reading as the record tells of it, whether sampling still runs or not.
std::string Session::readingText(const ShownReading& reading)
{
    return reading.form == ExchangeForm::OneShot ? captions::oneShot(reading.temperature)
                                                 : captions::reading(reading.temperature);
}

std::string Session::captionOf(const ShownReading& reading) const
{
    if (reading.form == ExchangeForm::OneShot)
        return m_readings.caption(captions::oneShot(reading.temperature));
    return m_readings.caption(started() ? captions::reading(reading.temperature)
                                        : captions::stoppedWithReading(reading.temperature));
}

void Session::showState()
{
    m_status.showState(started());
    refreshCaption();
}

void Session::refreshCaption()
{
    if (m_loading || m_status.caption() == m_shownCaption)
        return;
    m_shownCaption = m_status.caption();
    m_platform.view.showCaption(m_shownCaption);
}

} // namespace core
