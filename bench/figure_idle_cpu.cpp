#include "Figures.h"
#include "Measure.h"
#include "Profile.h"
#include "SimulatedThermometer.h"
#include "ui/UiQuorvix.h"

#include <QTest>
#include <algorithm>

namespace bench {

namespace {

struct Cost
{
    double cpuNs = 0;
    double wallNs = 0;
    qint64 faults = 0;
};

} // namespace

// The thermometer keeps the program waiting 2 seconds for its reply; the program should
// sleep through that.
int figureIdleCpu(const Run& run)
{
    const int delayMs = run.smoke ? 200 : 2000;
    const int repeats = run.smoke ? 1 : 5;
    const int quickTicks = run.smoke ? 2 : 20;
    Progress progress;
    Profile profile;
    FixedClock clock;
    SimulatedThermometer thermometer;
    QObject::connect(&thermometer, &SimulatedThermometer::progressed, &progress, &Progress::notify);
    if (!thermometer.start())
        return fail(thermometer.problem());
    profile.linkCom(1, thermometer.devicePath());

    const auto window = openWindow(profile, clock);
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()))
        return fail(QStringLiteral("the window was not shown"));
    int samples = 0;
    QObject::connect(&window->sampler(), &Sampler::sampled, &progress, [&] {
        ++samples;
        progress.notify();
    });

    const auto tick = [&](Cost& cost) {
        const int before = samples;
        const qint64 replies = thermometer.replies();
        const Faults faultsAt = faultsOfThisProcess();
        const qint64 cpuAt = processCpuNs();
        const qint64 wallAt = monotonicNs();
        window->OnTimer1Tick();
        if (!progress.waitFor([&] { return samples > before; }, delayMs + 10000))
            return false;
        cost.cpuNs = double(processCpuNs() - cpuAt);
        cost.wallNs = double(monotonicNs() - wallAt);
        const Faults faults = faultsOfThisProcess();
        cost.faults = faults.minor + faults.major - faultsAt.minor - faultsAt.major;
        // The simulator's own line about the reply is read before the next tick starts.
        return progress.waitFor([&] { return thermometer.replies() > replies; }, 5000);
    };

    std::vector<double> quickCpu;
    std::vector<double> quickFaults;
    for (int i = 0; i < quickTicks; ++i) {
        Cost cost;
        if (!tick(cost))
            return fail(
                QStringLiteral("a tick without delay failed: \"%1\"").arg(window->windowTitle()));
        quickCpu.push_back(cost.cpuNs);
        quickFaults.push_back(double(cost.faults));
    }

    if (!thermometer.setDelay(delayMs))
        return fail(QStringLiteral("the simulator did not take the delay"));
    // The wait is measured by a reader thread, from a moment after the command (once the
    // harness has set itself up and read the simulator's line about it) to a moment before
    // the reply is due, so it holds nothing but the wait and the measurement wakes nothing;
    // the whole tick, reply included, is measured too.
    const int marginMs = std::min(100, delayMs / 4);
    const ThreadCpuClock mainThread;
    std::vector<double> waitCpu;
    std::vector<double> mainThreadCpu;
    std::vector<double> wholeCpu;
    std::vector<double> wholeFaults;
    Cost worst;
    for (int i = 0; i < repeats; ++i) {
        const int before = samples;
        const qint64 replies = thermometer.replies();
        const Faults faultsAt = faultsOfThisProcess();
        const qint64 tickCpuAt = processCpuNs();
        window->OnTimer1Tick();
        const qint64 wallAt = monotonicNs();
        ReadingsLater readings(mainThread, {marginMs, delayMs - marginMs});
        qint64 sampledAt = 0;
        const auto connection = QObject::connect(&window->sampler(), &Sampler::sampled, &progress,
                                                 [&] { sampledAt = monotonicNs(); });
        const bool came = progress.waitFor([&] { return samples > before; }, delayMs + 10000);
        QObject::disconnect(connection);
        const auto taken = readings.finish();
        if (taken.size() != 2)
            return fail(QStringLiteral("no readings during the wait; the reply came after %1")
                            .arg(milliseconds(double(sampledAt - wallAt))));
        if (!came)
            return fail(QStringLiteral("the delayed reply did not come: \"%1\"")
                            .arg(window->windowTitle()));
        const Faults faults = faultsOfThisProcess();
        wholeCpu.push_back(double(processCpuNs() - tickCpuAt));
        wholeFaults.push_back(
            double(faults.minor + faults.major - faultsAt.minor - faultsAt.major));
        if (sampledAt < taken[1].atNs)
            return fail(QStringLiteral("the reply came before the reading in the wait"));
        if (window->windowTitle().contains(QStringLiteral("did not answer")))
            return fail(QStringLiteral("the delayed reply came too late for the exchange"));
        if (!progress.waitFor([&] { return thermometer.replies() > replies; }, 5000))
            return fail(QStringLiteral("the simulator did not report its reply"));
        Cost wait;
        wait.cpuNs = double(taken[1].processCpuNs - taken[0].processCpuNs);
        mainThreadCpu.push_back(double(taken[1].cpuNs - taken[0].cpuNs));
        wait.wallNs = double(taken[1].atNs - taken[0].atNs);
        waitCpu.push_back(wait.cpuNs);
        if (wait.cpuNs / wait.wallNs >= worst.cpuNs / std::max(worst.wallNs, 1.0))
            worst = wait;
    }
    if (!thermometer.problem().isEmpty())
        return fail(thermometer.problem());

    const double share = worst.cpuNs / worst.wallNs;
    row(QStringLiteral("3. CPU while waiting for a %1 ms reply, worst of %2")
            .arg(delayMs)
            .arg(repeats),
        QStringLiteral("%1 CPU").arg(milliseconds(worst.cpuNs)),
        QStringLiteral("%1 wall").arg(milliseconds(worst.wallNs)),
        QStringLiteral("%1 %").arg(share * 100, 0, 'f', 3), QStringLiteral("< 1 %"), share < 0.01);
    note(QStringLiteral("3. CPU while waiting: median %1 for the whole process (the thread "
                        "that reads the clocks included), %2 for the main thread, over %3 ms "
                        "from %4 ms after the command to %4 ms before the reply. The whole "
                        "delayed tick, command to caption, takes %5 (median; %6 page faults), "
                        "against %7 for the same tick without the delay (median of %8): what it "
                        "costs beyond that is handling the reply after an idle spell.")
             .arg(milliseconds(median(waitCpu)))
             .arg(milliseconds(median(mainThreadCpu)))
             .arg(delayMs - 2 * marginMs)
             .arg(marginMs)
             .arg(milliseconds(median(wholeCpu)))
             .arg(median(wholeFaults))
             .arg(milliseconds(median(quickCpu)))
             .arg(quickTicks));
    return 0;
}

} // namespace bench
