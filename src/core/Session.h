#pragma once

#include "core/ExchangeMachine.h"
#include "core/Platform.h"
#include "core/PortChoice.h"
#include "core/Readings.h"
#include "core/StatusLine.h"
#include "core/TickCounter.h"
#include "core/WindowDesign.h"

#include <chrono>
#include <optional>
#include <string>

// The whole behaviour of the window: start-up and shutdown, the path box, the port selector,
// Start, Stop, the sampling ticks and OneShot, the exchange with the thermometer and the
// weather file. It owns every piece of state the window's rules need and reaches the system
// only through the platform's services; each window forwards its events here and shows what
// it is told, nothing more.
namespace core {

// The intervals of a session; tests shorten them so that nothing waits seconds.
struct SessionTimes
{
    std::chrono::milliseconds tick{kTickIntervalMs};
    std::chrono::milliseconds replyDeadline{kReplyDeadline};
};

// A weather file held open by the host program is tried again this often, this many times.
inline constexpr std::chrono::milliseconds kWriteRetryEvery{50};
inline constexpr int kWriteAttempts = 20;

class Session
{
public:
    explicit Session(const Platform& platform, SessionTimes times = {});
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // The window was made with its design-time texts: start-up reads the settings, fills the
    // window, opens the port and says "Stopped" (or what went wrong).
    void load();
    // The window closes: the port is let go and nothing is pending any more.
    void unload();

    // What the user did. The texts are the boxes' texts after the change.
    void pathEdited(const std::string& text);
    // Enter in the path box, or the focus left it: the file goes to this path from now on.
    void pathEditFinished();
    void portEdited(const std::string& text);
    void scrollMoved(int value);
    // The mouse wheel over the scroll bar, in eighths of a degree as both systems count them:
    // each notch steps the port by one, as an arrow does.
    void wheelTurned(int angle);
    void oneShotClicked();
    void startClicked();
    void stopClicked();

    // What the platform saw.
    void lineData(std::string_view bytes);
    void lineLost(const std::string& reason);
    // The time asked of the Waker came.
    void wake();

    // What the session holds, for tests and the benchmarks.
    // Start was pressed: a next tick is due.
    bool started() const { return m_nextTick.has_value(); }
    bool busy() const { return m_exchange.busy(); }
    const TickCounter& counter() const { return m_readings.counter(); }
    long ticksLetGo() const { return m_exchange.ticksLetGo(); }
    const std::string& caption() const { return m_status.caption(); }
    int commPort() const { return m_commPort; }

private:
    // A reading as the caption tells of it.
    struct ShownReading
    {
        ExchangeForm form = ExchangeForm::Tick;
        std::string temperature;
    };
    struct PendingWrite
    {
        ShownReading reading;
        std::string port;
        // Where it goes: the path in use when the reading came.
        std::string path;
        // Which outcome of an exchange it was, to tell whether a newer one came since.
        long outcome = 0;
        int attempts = 0;
        ExchangeTime retryAt;
    };

    // The change handlers, run for the user's changes and for the session's own alike.
    void onPathChange();
    void onPortChange();
    void onScrollChange();
    void setPathText(const std::string& text);
    void setPortText(const std::string& text);
    void setScrollValue(int value);
    Outcome openPort(int port);
    std::string portName(int port) const;

    void tick();
    bool askNoPort();
    void request(ExchangeForm form);
    void noteWaiting(ExchangeTime now);
    void follow(ExchangeStep step);
    void deliver(const ExchangeStep& step);
    void abandon(const std::string& caption);
    void closeLine();
    void writeWeatherFile(const ShownReading& reading, const std::string& weatherField,
                          const LocalTime& now);
    void retryWrite();
    void writeEnded(const WriteAttempt& attempt, const PendingWrite& write);

    void showMessage(const std::string& message);
    void showReading(const std::string& caption);
    void showNewReading(const ShownReading& reading);
    void record(const std::string& port, const std::string& what);
    std::string sinceLastReading(const std::string& caption) const;
    void showFailure(ExchangeForm form, const std::string& caption);
    std::string captionOf(const ShownReading& reading) const;
    static std::string readingText(const ShownReading& reading);
    void showState();
    void refreshCaption();
    void rearm();

    const Platform m_platform;
    const SessionTimes m_times;

    // What the controls hold, as the user and the session left them.
    std::string m_typedPath;
    std::string m_portText;
    int m_scrollValue = kScrollFirstValue;
    // What the wheel turned short of a whole notch.
    int m_wheelAngle = 0;
    // The file is written to the path as it stood when editing last finished, never to a
    // half-typed one; each keystroke is still saved at once.
    std::string m_pathInUse;

    bool m_loading = false;
    // A port was stored or typed that names a port; until then no reading asks any port.
    bool m_portChosen = true;
    // The last attempt to save a setting failed.
    bool m_settingsUnsaved = false;
    int m_commPort = 1;
    StatusLine m_status;
    std::string m_shownCaption;

    std::optional<ExchangeTime> m_nextTick;
    ExchangeMachine m_exchange;
    std::optional<ExchangeTime> m_exchangeWake;
    // The port the running exchange asked, as captions name it, whatever the port box says
    // meanwhile.
    std::string m_askedPortName;
    std::string m_abandonReason;

    Readings m_readings;
    // Every outcome of an exchange counts; the newest, when it was a reading, is kept so that a
    // write that ends later never brings back an older caption.
    long m_outcomes = 0;
    std::optional<ShownReading> m_newestReading;
    // When the thermometer on this port last gave a reading, for the failures that follow.
    std::optional<LocalTime> m_lastReadingAt;
    std::optional<PendingWrite> m_pendingWrite;
};

} // namespace core
