#pragma once

#include "core/PortChoice.h"
#include "core/Session.h"
#include "qt/Clock.h"
#include "qt/DosDevices.h"
#include "qt/RecordFile.h"
#include "qt/SettingsStore.h"

#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <memory>

namespace qt {
class Window;
}

// A throw-away user profile: a Wine prefix with dosdevices links and a drive C, and a
// settings file of the program's own format. The window opened on it maps ports and paths
// through its prefix, as start-up hands the program the user's.
// Its COM ports lead to missing files in its own folder until a test links a device.
class Profile
{
public:
    // The highest COM port a test can choose.
    static constexpr int kHighestPort = core::kHighestPort;

    Profile();

    QString root() const { return m_dir.path(); }
    QString winePrefix() const { return root() + QStringLiteral("/wine"); }
    QString driveC() const { return winePrefix() + QStringLiteral("/drive_c"); }
    QString configHome() const { return root() + QStringLiteral("/config"); }
    QString stateHome() const { return root() + QStringLiteral("/state"); }
    // The record of readings, where the program finds it with XDG_STATE_HOME at stateHome().
    qt::RecordFile& record() const { return m_record; }
    // What the program needs to run in this profile as its own process: the prefix, the
    // settings and record folders, the offscreen platform and its captions on standard output.
    QProcessEnvironment programEnvironment() const;
    QString settingsFile() const;
    const qt::SettingsStore& settings() const { return m_settings; }
    // The stored text of a value, or a null text when there is none.
    QString stored(const char* name) const;
    const DosDevices& dosDevices() const { return m_dosDevices; }

    // COM port n as a caption names it on this system: with the device its link leads to.
    QString portName(int n) const;
    // Makes COM port n lead to a device, as Wine's dosdevices/comN link does.
    void linkCom(int n, const QString& device) const;
    // The raw text of the settings file, for checks of what reached the disk.
    QByteArray settingsText() const;
    void writeSettingsText(const QByteArray& text) const;

private:
    QTemporaryDir m_dir;
    DosDevices m_dosDevices;
    qt::SettingsStore m_settings;
    mutable qt::RecordFile m_record;
};

// A wall clock that stands still at a chosen moment until moved; time itself goes on, so the
// ticks and deadlines run as they would.
class FixedClock : public qt::Clock
{
public:
    explicit FixedClock(QDateTime when = QDateTime(QDate(2003, 3, 5), QTime(7, 4)))
        : m_when(std::move(when))
    {
    }
    void set(const QDateTime& when) { m_when = when; }

protected:
    QDateTime wallClock() const override { return m_when; }

private:
    QDateTime m_when;
};

// The window as start-up leaves it, on a profile, with short intervals for tests.
std::unique_ptr<qt::Window> openWindow(const Profile& profile, const core::Clock& clock,
                                       int tickIntervalMs = 10000, int replyTimeoutMs = 3000);
