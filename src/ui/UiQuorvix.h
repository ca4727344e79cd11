#pragma once

#include "core/StatusLine.h"
#include "core/WindowDesign.h"
#include "link/Exchange.h"
#include "link/MSComm.h"
#include "wx/Clock.h"
#include "wx/Sampler.h"

#include <QTimer>
#include <QWidget>

class Module1;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QScrollBar;

// The program's one window. Its controls keep their design-time places and sizes; the
// caption is the status line. The handlers are thin: the work is done by the serial line,
// the exchange, the sampler and the settings store beside it.
class UiQuorvix : public QWidget
{
    Q_OBJECT

public:
    // What start-up needs from outside; tests shorten the intervals and set the clock.
    struct Services
    {
        const Module1* settings = nullptr;
        const Clock* clock = nullptr;
        // The Wine prefix's ports and drives.
        const DosDevices* dosDevices = nullptr;
        int tickIntervalMs = core::kTickIntervalMs;
        int replyTimeoutMs = Exchange::kDefaultTimeoutMs;
    };

    // Creates the window with its design-time controls; OnLoad() then starts it up.
    explicit UiQuorvix(const Services& services, QWidget* parent = nullptr);
    ~UiQuorvix() override;

    void OnLoad();

    // The controls, named as the program has always named them.
    QPushButton* Command1;
    QPlainTextEdit* Text1;
    QPushButton* Command2;
    QPushButton* Command3;
    QLineEdit* CPort;
    QScrollBar* VScroll1;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QLineEdit* WXfile;
    QLabel* Label7;
    QLabel* Label5;
    QLabel* Label6;
    QTimer Timer1;
    MSComm MSComm1;

    Sampler& sampler() { return m_sampler; }

public slots:
    void OnCommand1Click();
    void OnCommand2Click();
    void OnCommand3Click();
    void OnTimer1Tick();
    void OnWXfileChange();
    void OnCPortChange();
    void OnVScroll1Change();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void createControls();
    void fitFont();
    void OnUnload();
    bool openPort(qint16 port, bool writeSettings);
    bool askNoPort();
    std::string cannotBeOpened() const;
    void showMessage(const std::string& message);
    void showStatus();
    void showWeatherText(const QString& text);

    const Module1& m_settings;
    const int m_tickIntervalMs;
    Exchange m_exchange;
    Sampler m_sampler;
    core::StatusLine m_status;
    // The last attempt to save a setting failed.
    bool m_settingsUnsaved = false;
    // A port was stored or typed that names a port; until then no reading asks any port.
    bool m_portChosen = true;
    // The weather path as it stood when editing it last finished.
    QString m_weatherPath;
};
