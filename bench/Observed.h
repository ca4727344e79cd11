#pragma once

#include "Profile.h"
#include "qt/Window.h"

#include <memory>

namespace bench {

// The program's window as it runs, with its exchanges seen from outside. The session arms the
// window's waker after every step it takes, so the waker is where an exchange is seen to begin
// (the command has been handed to the port, or the line is being heard out first) and to end
// (with a reading, or with the failure the caption names). Every call goes on to the window's
// own code; nothing here changes what the program does.
class ObservedWindow : public qt::Window
{
    Q_OBJECT

public:
    ObservedWindow(const Profile& profile, const core::Clock& clock, core::SessionTimes times);

    void wakeAt(std::optional<core::ExchangeTime> when) override;
    void showText(TextControl control, const std::string& text) override;
    void noteReading(core::ExchangeForm form, bool wroteFile) override;

    // The caption the session holds now, also when it repeats the one on screen.
    QString sessionCaption() { return QString::fromStdString(session().caption()); }

signals:
    // CLOCK_MONOTONIC nanoseconds, as monotonicNs() and the simulator's events.
    void exchangeStarted(qint64 atNs);
    // tookReading: `readingTaken` came during the exchange; otherwise the caption says why not.
    void exchangeEnded(qint64 atNs, bool tookReading);
    // The weather text is in the window; the file is written next.
    void weatherTextShown(qint64 atNs);

private:
    bool m_busy = false;
    bool m_tookReading = false;
};

// The window as start-up leaves it on the profile, shown; null when it could not be shown.
std::unique_ptr<ObservedWindow> openObservedWindow(const Profile& profile, const core::Clock& clock,
                                                   int tickMs, int replyDeadlineMs = 3000);

} // namespace bench
