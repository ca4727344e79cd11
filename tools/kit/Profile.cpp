#include "Profile.h"

#include "core/Settings.h"
#include "qt/Text.h"
#include "qt/Window.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

Profile::Profile()
    : m_dosDevices(winePrefix()), m_settings(settingsFile()),
      m_record(qt::RecordFile::pathIn(stateHome()))
{
    QDir().mkpath(winePrefix() + QStringLiteral("/dosdevices"));
    QDir().mkpath(driveC() + QStringLiteral("/UiView"));
    QDir().mkpath(configHome());
    QFile::link(QStringLiteral("../drive_c"), winePrefix() + QStringLiteral("/dosdevices/c:"));
    // Every port a test can choose leads into the profile, never to a device of the host.
    for (int n = 1; n <= kHighestPort; ++n)
        linkCom(n, root() + QStringLiteral("/no-com%1").arg(n));
}

QProcessEnvironment Profile::programEnvironment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("WINEPREFIX"), winePrefix());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome());
    environment.insert(QStringLiteral("XDG_STATE_HOME"), stateHome());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("UIQ_REPORT_CAPTION"), QStringLiteral("1"));
    return environment;
}

QString Profile::settingsFile() const
{
    return configHome() + QLatin1Char('/') + QLatin1String(core::kOrganisation) + QLatin1Char('/') +
           QLatin1String(core::kApplication) + QStringLiteral(".conf");
}

QString Profile::portName(int n) const
{
    const QString device =
        QFileInfo(winePrefix() + QStringLiteral("/dosdevices/com%1").arg(n)).symLinkTarget();
    return QStringLiteral("COM%1 (%2)").arg(n).arg(device);
}

void Profile::linkCom(int n, const QString& device) const
{
    const QString link = winePrefix() + QStringLiteral("/dosdevices/com%1").arg(n);
    QFile::remove(link);
    QFile::link(device, link);
}

QByteArray Profile::settingsText() const
{
    QFile file(settingsFile());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void Profile::writeSettingsText(const QByteArray& text) const
{
    QDir().mkpath(QFileInfo(settingsFile()).path());
    QFile file(settingsFile());
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(text);
}

QString Profile::stored(const char* name) const
{
    const core::StoredValue value = m_settings.read(name);
    return value.ok() && *value.value() ? qt::text(**value.value()) : QString();
}

std::unique_ptr<qt::Window> openWindow(const Profile& profile, const core::Clock& clock,
                                       int tickIntervalMs, int replyTimeoutMs)
{
    const core::SessionTimes times{std::chrono::milliseconds(tickIntervalMs),
                                   std::chrono::milliseconds(replyTimeoutMs)};
    auto window = std::make_unique<qt::Window>(qt::Window::Services{
        profile.settings(), clock, profile.record(), profile.dosDevices(), times});
    window->load();
    return window;
}
