#include "Figures.h"
#include "Measure.h"
#include "Observed.h"
#include "Profile.h"
#include "SimulatedThermometer.h"
#include "Stage.h"

#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <memory>

namespace bench {

namespace {

// A reply without the delay takes 64 ms on the wire.
constexpr int kQuickTickMs = 150;

struct Cost
{
    double cpuNs = 0;
    double wallNs = 0;
    qint64 faults = 0;
};

} // namespace

// The thermometer keeps the program waiting 2 seconds for its reply; the program should
// sleep through that. Every tick is one of the window's own timer.
int figureIdleCpu(const Run& run)
{
    const int delayMs = run.smoke ? 200 : 2000;
    const int repeats = run.smoke ? 1 : 5;
    const int quickTicks = run.smoke ? 2 : 20;
    Progress progress;
    Stage stage(progress);
    if (const std::optional<QString> problem = stage.start())
        return fail(*problem);
    SimulatedThermometer& thermometer = stage.thermometer;

    int samples = 0;
    int exchanges = 0;
    qint64 startedAt = 0;
    qint64 cpuAtStart = 0;
    Faults faultsAtStart;
    qint64 sampledAt = 0;
    qint64 cpuAtSample = 0;
    Faults faultsAtSample;
    // Set while a delayed tick is measured: the readings start with its command.
    std::vector<int> readingsAfterMs;
    const ThreadCpuClock mainThread;
    std::unique_ptr<ReadingsLater> readings;
    std::vector<double> quickCpu;
    std::vector<double> quickFaults;
    const auto observe = [&](ObservedWindow& window) {
        QObject::connect(&window, &ObservedWindow::exchangeStarted, &progress, [&](qint64 at) {
            cpuAtStart = processCpuNs();
            faultsAtStart = faultsOfThisProcess();
            startedAt = at;
            if (!readingsAfterMs.empty())
                readings = std::make_unique<ReadingsLater>(mainThread, readingsAfterMs);
            ++exchanges;
            progress.notify();
        });
        QObject::connect(&window, &qt::Window::readingTaken, &progress, [&] {
            cpuAtSample = processCpuNs();
            faultsAtSample = faultsOfThisProcess();
            sampledAt = monotonicNs();
            ++samples;
            if (readingsAfterMs.empty()) {
                quickCpu.push_back(double(cpuAtSample - cpuAtStart));
                quickFaults.push_back(double(faultsAtSample.minor + faultsAtSample.major -
                                             faultsAtStart.minor - faultsAtStart.major));
            }
            progress.notify();
        });
    };

    // Ticks without the delay, back to back as the window's timer gives them.
    {
        const auto window = openObservedWindow(stage.profile, stage.clock, kQuickTickMs);
        if (!window)
            return fail(QStringLiteral("the window was not shown"));
        observe(*window);
        QTest::mouseClick(window->Command2, Qt::LeftButton);
        const bool came =
            progress.waitFor([&] { return samples >= quickTicks; }, quickTicks * 1000 + 10000);
        QTest::mouseClick(window->Command3, Qt::LeftButton);
        if (!came || exchanges != samples)
            return fail(
                QStringLiteral("a tick without delay failed: \"%1\"").arg(window->windowTitle()));
        // A tick under way when Stop was clicked still ends before the window goes.
        progress.waitFor([&] { return !window->session().busy(); }, 5000);
        quickCpu.resize(std::size_t(quickTicks));
        quickFaults.resize(std::size_t(quickTicks));
    }
    if (!progress.waitFor([&] { return thermometer.replies() >= samples; }, 5000))
        return fail(QStringLiteral("the simulator did not report its replies"));

    // A window whose tick interval is longer than the whole delayed exchange: each tick is
    // Start, the exchange, the reading, then Stop before the next tick is due.
    const auto window = openObservedWindow(stage.profile, stage.clock, delayMs + 500);
    if (!window)
        return fail(QStringLiteral("the window was not shown"));
    observe(*window);
    const auto tick = [&](Cost& cost) {
        const int before = samples;
        const int exchangesBefore = exchanges;
        const qint64 replies = thermometer.replies();
        QTest::mouseClick(window->Command2, Qt::LeftButton);
        const bool came = progress.waitFor(
            [&] { return exchanges > exchangesBefore && samples > before; }, 2 * delayMs + 10000);
        QTest::mouseClick(window->Command3, Qt::LeftButton);
        if (!came)
            return false;
        cost.cpuNs = double(cpuAtSample - cpuAtStart);
        cost.wallNs = double(sampledAt - startedAt);
        cost.faults =
            faultsAtSample.minor + faultsAtSample.major - faultsAtStart.minor - faultsAtStart.major;
        // The simulator's own line about the reply is read before the next tick starts.
        return progress.waitFor([&] { return thermometer.replies() > replies; }, 5000);
    };
    if (!thermometer.setDelay(delayMs))
        return fail(QStringLiteral("the simulator did not take the delay"));
    // The wait is measured by a reader thread, from a moment after the command to a moment
    // before the reply is due, so it holds nothing but the wait and the measurement wakes
    // nothing; the whole tick, reply included, is measured too.
    const int marginMs = std::min(100, delayMs / 4);
    readingsAfterMs = {marginMs, delayMs - marginMs};
    std::vector<double> waitCpu;
    std::vector<double> mainThreadCpu;
    std::vector<double> wholeCpu;
    std::vector<double> wholeFaults;
    Cost worst;
    for (int i = 0; i < repeats; ++i) {
        Cost whole;
        const bool came = tick(whole);
        if (!readings)
            return fail(QStringLiteral("the delayed tick did not start"));
        const auto taken = readings->finish();
        readings.reset();
        if (!came)
            return fail(QStringLiteral("the delayed reply did not come: \"%1\"")
                            .arg(window->windowTitle()));
        if (taken.size() != 2)
            return fail(QStringLiteral("no readings during the wait; the reply came after %1")
                            .arg(milliseconds(whole.wallNs)));
        if (sampledAt < taken[1].atNs)
            return fail(QStringLiteral("the reply came before the reading in the wait"));
        wholeCpu.push_back(whole.cpuNs);
        wholeFaults.push_back(double(whole.faults));
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
                        "delayed tick, command to reading, takes %5 (median; %6 page faults), "
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
