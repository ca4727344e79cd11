#include "Stage.h"

namespace bench {

Stage::Stage(Progress& progress, const QStringList& thermometerOptions, const QDateTime& wallClock)
    : clock(wallClock), thermometer(thermometerOptions)
{
    QObject::connect(&thermometer, &SimulatedThermometer::progressed, &progress, &Progress::notify);
}

std::optional<QString> Stage::start()
{
    if (!thermometer.start())
        return thermometer.problem();
    profile.linkCom(1, thermometer.devicePath());
    return std::nullopt;
}

} // namespace bench
