#pragma once

#include "core/Session.h"
#include "qt/Controls.h"
#include "qt/SerialPort.h"
#include "qt/WeatherWriter.h"

#include <QTimer>
#include <QWidget>

class DosDevices;

namespace qt {

// The program's one window in Qt: it shows what the session tells it and hands the user's
// changes, the line's bytes and the time to the session. It holds no rule of its own.
class Window : public QWidget, public core::View, public core::Waker, public Controls
{
    Q_OBJECT

public:
    // What the window works with; tests shorten the intervals and set the clock.
    struct Services
    {
        const core::SettingsStore& settings;
        const core::Clock& clock;
        core::Record& record;
        // The Wine prefix's ports and drives.
        const DosDevices& dosDevices;
        core::SessionTimes times = {};
    };

    explicit Window(const Services& services, QWidget* parent = nullptr);
    ~Window() override;

    // Start-up, before the window is shown.
    void load();

    core::Session& session() { return m_session; }
    SerialPort& serialPort() { return m_serialPort; }

    void showCaption(const std::string& caption) override;
    void showText(TextControl control, const std::string& text) override;
    void showScrollValue(int value) override;
    void noteReading(core::ExchangeForm form, bool wroteFile) override;
    void wakeAt(std::optional<core::ExchangeTime> when) override;

signals:
    // A reading ended: shown, and written to the weather file or not.
    void readingTaken(core::ExchangeForm form, bool wroteFile);

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void wireControls();

    const core::Clock& m_clock;
    SerialPort m_serialPort;
    WeatherWriter m_weatherWriter;
    QTimer m_wake;
    core::Session m_session;
};

} // namespace qt

Q_DECLARE_METATYPE(core::ExchangeForm)
