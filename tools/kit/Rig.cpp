#include "Rig.h"

#include <QFile>
#include <QPushButton>
#include <QTest>

bool Rig::open(QStringList thermometerOptions, int tickMs, int timeoutMs)
{
    m_thermometer = std::make_unique<SimulatedThermometer>(thermometerOptions);
    // The simulator keeps COM1 pointing at itself, also when it is plugged in again.
    if (!m_thermometer->installAs(m_profile.winePrefix(), 1))
        return false;
    openWindowOnly(tickMs, timeoutMs);
    return m_window->serialPort().isOpen();
}

void Rig::openWindowOnly(int tickMs, int timeoutMs)
{
    m_window = openWindow(m_profile, *m_clock, tickMs, timeoutMs);
    m_samples = std::make_unique<QSignalSpy>(m_window.get(), &qt::Window::readingTaken);
    m_window->show();
    [[maybe_unused]] const bool exposed = QTest::qWaitForWindowExposed(m_window.get());
}

QString Rig::weatherFile() const
{
    return m_profile.driveC() + QStringLiteral("/UiView/WXprs.txt");
}

QByteArray Rig::fileContents() const
{
    QFile file(weatherFile());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QList<bool> Rig::writes() const
{
    QList<bool> wrote;
    for (const auto& sample : *m_samples)
        wrote << sample.at(1).toBool();
    return wrote;
}

void Rig::click(QPushButton* button)
{
    QTest::mouseClick(button, Qt::LeftButton);
}

bool Rig::oneShot(int timeoutMs)
{
    const int before = int(m_samples->count());
    click(m_window->Command1);
    return QTest::qWaitFor([&] { return m_samples->count() > before; }, timeoutMs);
}
