#include "Observed.h"

#include "Measure.h"

#include <QTest>

namespace bench {

ObservedWindow::ObservedWindow(const Profile& profile, const core::Clock& clock,
                               core::SessionTimes times)
    : qt::Window(qt::Window::Services{profile.settings(), clock, profile.record(),
                                      profile.dosDevices(), times})
{
}

void ObservedWindow::wakeAt(std::optional<core::ExchangeTime> when)
{
    qt::Window::wakeAt(when);
    const bool busy = session().busy();
    if (busy == m_busy)
        return;
    m_busy = busy;
    const qint64 at = monotonicNs();
    if (busy) {
        m_tookReading = false;
        emit exchangeStarted(at);
    } else {
        emit exchangeEnded(at, m_tookReading);
    }
}

void ObservedWindow::showText(TextControl control, const std::string& text)
{
    qt::Window::showText(control, text);
    if (control == TextControl::Text1)
        emit weatherTextShown(monotonicNs());
}

void ObservedWindow::noteReading(core::ExchangeForm form, bool wroteFile)
{
    m_tookReading = true;
    qt::Window::noteReading(form, wroteFile);
}

std::unique_ptr<ObservedWindow> openObservedWindow(const Profile& profile, const core::Clock& clock,
                                                   int tickMs, int replyDeadlineMs)
{
    auto window = std::make_unique<ObservedWindow>(
        profile, clock,
        core::SessionTimes{std::chrono::milliseconds(tickMs),
                           std::chrono::milliseconds(replyDeadlineMs)});
    window->load();
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()))
        return nullptr;
    return window;
}

} // namespace bench
