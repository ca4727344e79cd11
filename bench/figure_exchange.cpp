#include "Figures.h"
#include "Measure.h"
#include "Observed.h"
#include "Profile.h"
#include "SimulatedThermometer.h"
#include "Stage.h"

#include <QPushButton>
#include <QTest>
#include <algorithm>

namespace bench {

namespace {
constexpr double kBaud = 9600;
constexpr double kBitsPerCharacter = 11;
constexpr int kCommandLength = 2;
// Far more than a reply takes (64 ms), so every tick finds the line long quiet.
constexpr int kTickMs = 150;
} // namespace

// A sampling tick's exchange against a line paced like the real one: from the session handing
// the command to the port to the reading handed over (the window's `sampled` signal), with the
// thermometer's whole 56-character reply. The ticks come from the window's own timer.
int figureExchange(const Run& run)
{
    const int count = run.smoke ? 5 : 200;
    Progress progress;
    Stage stage(progress, {QStringLiteral("--baud"), QStringLiteral("9600"),
                           QStringLiteral("--reply"), simulatorText(kWholeReply)});
    if (const std::optional<QString> problem = stage.start())
        return fail(*problem);
    SimulatedThermometer& thermometer = stage.thermometer;
    std::vector<qint64> queriedAt(std::size_t(count) + 8, -1);
    std::vector<qint64> repliedAt(std::size_t(count) + 8, -1);
    QObject::connect(&thermometer, &SimulatedThermometer::queried, &progress,
                     [&](int query, qint64 at) {
                         if (query > 0 && std::size_t(query) < queriedAt.size())
                             queriedAt[std::size_t(query)] = at;
                     });
    QObject::connect(&thermometer, &SimulatedThermometer::replied, &progress,
                     [&](int query, qint64 at) {
                         if (query > 0 && std::size_t(query) < repliedAt.size())
                             repliedAt[std::size_t(query)] = at;
                     });

    const auto window = openObservedWindow(stage.profile, stage.clock, kTickMs);
    if (!window)
        return fail(QStringLiteral("the window was not shown"));

    struct Exchange
    {
        qint64 startedAt = 0;
        qint64 readyAt = 0;
        QString caption;
        bool ended = false;
    };
    std::vector<Exchange> exchanges;
    exchanges.reserve(std::size_t(count) + 8);
    int ended = 0;
    QObject::connect(window.get(), &ObservedWindow::exchangeStarted, &progress, [&](qint64 at) {
        exchanges.push_back({at, 0, {}, false});
    });
    QObject::connect(window.get(), &qt::Window::readingTaken, &progress, [&] {
        exchanges.back().readyAt = monotonicNs();
        exchanges.back().caption = window->windowTitle();
    });
    QObject::connect(window.get(), &ObservedWindow::exchangeEnded, &progress, [&](qint64, bool) {
        exchanges.back().ended = true;
        if (exchanges.back().readyAt == 0)
            exchanges.back().caption = window->sessionCaption();
        ++ended;
        progress.notify();
    });

    QTest::mouseClick(window->Command2, Qt::LeftButton);
    const bool done = progress.waitFor(
        [&] { return ended >= count && thermometer.replies() >= count; }, count * 1000 + 10000);
    QTest::mouseClick(window->Command3, Qt::LeftButton);
    if (!done)
        return fail(QStringLiteral("%1 of %2 exchanges ended in time; the caption says \"%3\"")
                        .arg(ended)
                        .arg(count)
                        .arg(window->windowTitle()));

    const QString caption = QStringLiteral("+23.4\u00b0C");
    std::vector<double> times;
    std::vector<double> ratios;
    std::vector<double> toSimulator;
    std::vector<double> afterLastByte;
    std::vector<double> simulatorPacing;
    int unsettled = 0;
    int stampedLate = 0;
    const double reference =
        (kCommandLength + kWholeReply.size()) * kBitsPerCharacter / kBaud * 1e9;
    for (int i = 1; i <= count; ++i) {
        const Exchange& exchange = exchanges[std::size_t(i - 1)];
        if (exchange.readyAt == 0 || exchange.caption != caption)
            return fail(
                QStringLiteral("exchange %1 ended with \"%2\"").arg(i).arg(exchange.caption));
        const qint64 queried = queriedAt[std::size_t(i)];
        const qint64 replied = repliedAt[std::size_t(i)];
        if (queried < exchange.startedAt || replied < queried)
            return fail(
                QStringLiteral("exchange %1 does not match command %1 of the simulator").arg(i));
        // A tick that came while the line had not yet been quiet for the settle gap waits for
        // it; the interval is chosen so that none does, and the note says if one did.
        if (i > 1 && exchange.startedAt - repliedAt[std::size_t(i - 1)] <
                         std::chrono::nanoseconds(core::kSettleGap).count())
            ++unsettled;
        const double ns = double(exchange.readyAt - exchange.startedAt);
        times.push_back(ns);
        ratios.push_back(ns / reference);
        toSimulator.push_back(double(queried - exchange.startedAt));
        simulatorPacing.push_back(double(replied - queried));
        // The simulator stamps its last byte just after write() returns; when it loses its core
        // in between, the stamp comes after the window's reading, which had the whole line
        // (the caption is checked above). The exchange's own time still counts.
        if (replied > exchange.readyAt)
            ++stampedLate;
        else
            afterLastByte.push_back(double(exchange.readyAt - replied));
    }
    if (!thermometer.problem().isEmpty())
        return fail(thermometer.problem());

    const double medianRatio = median(ratios);
    const double p99Ratio = percentile(ratios, 99);
    const QString referenceText = QStringLiteral("%1 (%2+%3 chars)")
                                      .arg(milliseconds(reference))
                                      .arg(kCommandLength)
                                      .arg(kWholeReply.size());
    row(QStringLiteral("1. Exchange, median (%1 exchanges)").arg(count),
        milliseconds(median(times)), referenceText, QString::number(medianRatio, 'f', 3),
        QStringLiteral("<= 1.01"), medianRatio <= 1.01);
    row(QStringLiteral("1. Exchange, p99"), milliseconds(percentile(times, 99)), referenceText,
        QString::number(p99Ratio, 'f', 3), QStringLiteral("<= 1.03"), p99Ratio <= 1.03);
    note(QStringLiteral(
             "1. Exchange: fastest %1, slowest %2. The pseudo-terminal carries the "
             "2-character command at once, so the wire-paced part is the reply's %3 "
             "characters (%4); the reply is handed over at its line end. The command "
             "reached the simulator %5 after the session handed it to the port, and "
             "the reading came %6 after the reply's last byte (medians); %7 of the "
             "ticks came before the line had been quiet for %8. Ticks whose reply the simulator "
             "stamped after the window had taken it, left out of the time after the "
             "last byte: %9.")
             .arg(milliseconds(*std::min_element(times.begin(), times.end())))
             .arg(milliseconds(*std::max_element(times.begin(), times.end())))
             .arg(kWholeReply.size())
             .arg(milliseconds(kWholeReply.size() * kBitsPerCharacter / kBaud * 1e9))
             .arg(milliseconds(median(toSimulator)))
             .arg(milliseconds(median(afterLastByte)))
             .arg(unsettled)
             .arg(milliseconds(double(std::chrono::nanoseconds(core::kSettleGap).count())))
             .arg(stampedLate));
    // The p99 swings between runs on a shared VM; this says whose part the slow exchanges
    // spent their time in: the command's way out, the simulator's paced reply, or the program
    // after the reply's last byte.
    note(QStringLiteral("1. Exchange, p99 of each part: the command's way to the simulator %1, "
                        "the simulator's paced reply %2, the reading after the last byte %3.")
             .arg(milliseconds(percentile(toSimulator, 99)))
             .arg(milliseconds(percentile(simulatorPacing, 99)))
             .arg(milliseconds(percentile(afterLastByte, 99))));
    return 0;
}

} // namespace bench
