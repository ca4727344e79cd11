#pragma once

#include "Measure.h"
#include "Profile.h"
#include "SimulatedThermometer.h"

#include <QDateTime>
#include <optional>

namespace bench {

// What every figure that runs the window against the thermometer stands on: a throw-away
// profile, a wall clock that stands still, and the simulator as COM1, whose every event
// keeps the figure's progress going.
class Stage
{
public:
    explicit Stage(Progress& progress, const QStringList& thermometerOptions = {},
                   const QDateTime& wallClock = QDateTime(QDate(2003, 3, 5), QTime(7, 4)));

    // Starts the simulator and makes it COM1 of the profile; why not, when it cannot.
    std::optional<QString> start();
    QString weatherFile() const { return profile.driveC() + QStringLiteral("/UiView/WXprs.txt"); }

    Profile profile;
    FixedClock clock;
    SimulatedThermometer thermometer;
};

} // namespace bench
