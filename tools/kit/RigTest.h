#pragma once

#include "Rig.h"

#include <QObject>
#include <memory>

// A test of the window on a rig, and what such a test asks of it most: the window, the
// thermometer, the readings taken, the caption, COM1 as captions name it, and OneShot.
class RigTest : public QObject
{
protected:
    qt::Window& window() { return m_rig->window(); }
    SimulatedThermometer& thermometer() { return m_rig->thermometer(); }
    QSignalSpy& samples() { return m_rig->samples(); }
    QString caption() { return window().windowTitle(); }
    QString com1() const { return m_rig->profile().portName(1); }
    bool oneShot() { return m_rig->oneShot(); }

    std::unique_ptr<Rig> m_rig;
};
