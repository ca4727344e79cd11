#pragma once

#include "Profile.h"
#include "SimulatedThermometer.h"
#include "qt/Window.h"

#include <QSignalSpy>
#include <memory>

class QPushButton;

// The window started on a throw-away profile with a simulated thermometer as COM1, and a
// record of every sample it takes. Tests shorten the tick and the reply timeout.
class Rig
{
public:
    explicit Rig(const core::Clock* clock = nullptr) : m_clock(clock ? clock : &m_fixedClock) {}

    // Starts the thermometer with these options, links it as COM1 and opens the window.
    bool open(QStringList thermometerOptions = {}, int tickMs = 120, int timeoutMs = 400);
    // Opens the window on the profile as it is (COM1 linked by the caller, or not at all).
    void openWindowOnly(int tickMs = 120, int timeoutMs = 400);

    Profile& profile() { return m_profile; }
    SimulatedThermometer& thermometer() { return *m_thermometer; }
    FixedClock& clock() { return m_fixedClock; }
    qt::Window& window() { return *m_window; }
    QSignalSpy& samples() { return *m_samples; }
    void closeWindow() { m_window.reset(); }

    QString weatherFile() const;
    QByteArray fileContents() const;
    // Whether each sample so far wrote the weather file.
    QList<bool> writes() const;

    static void click(QPushButton* button);
    // Clicks OneShot and waits for its sample; false when none comes.
    bool oneShot(int timeoutMs = 3000);

private:
    Profile m_profile;
    FixedClock m_fixedClock;
    const core::Clock* m_clock;
    std::unique_ptr<SimulatedThermometer> m_thermometer;
    std::unique_ptr<qt::Window> m_window;
    std::unique_ptr<QSignalSpy> m_samples;
};
