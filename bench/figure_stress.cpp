#include "Figures.h"
#include "Hogs.h"
#include "Measure.h"
#include "Observed.h"
#include "Profile.h"
#include "SimulatedThermometer.h"
#include "Stage.h"
#include "core/Captions.h"

#include <QDateTime>
#include <QFile>
#include <QMap>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

namespace bench {

namespace {

// Ticks far shorter than the program's 10 s, so that thousands of exchanges fit in a run; a
// tick that comes while an exchange runs is let go, as always.
constexpr int kTickMs = 100;
// The program waits 3 s for a reply; a third of that keeps the run shorter, and the
// simulator's late answers (up to 1.5 s) then fall on both sides of it.
constexpr int kDeadlineMs = 1000;
constexpr quint64 kSeed = 20261208;
// After every this many exchanges, OneShot is clicked, at one of these moments after the
// exchange ended, as soon as the window is idle.
constexpr int kOneShotEvery = 10;
constexpr int kOneShotDelaysMs[] = {0, 7, 23, 61};
const QDateTime kStart(QDate(2003, 3, 5), QTime(7, 0));
// Every wrong and lost reading and every unexpected error is told, up to this many; of the
// late ones, a few examples.
constexpr int kMostDetails = 40;
constexpr int kLateExamples = 4;

// What the simulator did with one command, from its events.
struct Answer
{
    qint64 queriedAt = -1;
    QByteArray plan;
    qint64 firstReplyingAt = -1;
    qint64 firstRepliedAt = -1;
};

// One exchange of the window, as it was seen.
struct Exchange
{
    qint64 startedAt = 0;
    qint64 endedAt = 0;
    bool oneShot = false;
    bool reading = false;
    bool wrote = false;
    core::ExchangeForm form = core::ExchangeForm::Tick;
    QString caption;
    QByteArray file;
    QByteArray dateLine;
    // The simulator's number of the command it sent; 0 when it sent none.
    int command = 0;
};

enum class Verdict
{
    Right,
    Late,
    Wrong,
    Lost,
    Error,
};

QString temperatureOf(int command)
{
    const int tenths = command % 1000;
    return QStringLiteral("+%1.%2").arg(tenths / 10, 2, 10, QLatin1Char('0')).arg(tenths % 10);
}

QByteArray weatherOf(int command)
{
    return 'W' + QByteArray::number(command).rightJustified(14, '0');
}

QByteArray dateLineAt(const QDateTime& when)
{
    return when.toString(QStringLiteral("MMM dd yyyy hh:mm")).toLatin1();
}

// The first word of a plan: plain, pause, ack, twice, noise, late, silent, long, tail,
// packets, stray, straggler.
QString kindOf(const QByteArray& plan)
{
    const QByteArray word = plan.split(' ').value(0);
    return word.isEmpty() ? QStringLiteral("unknown") : QString::fromLatin1(word);
}

// A failure caption with its numbers taken out, so captions of one kind count together.
QString failureKind(const QString& caption, const QString& malformed)
{
    if (caption == malformed)
        return QStringLiteral("malformed reply");
    if (caption.contains(QStringLiteral("did not answer")))
        return QStringLiteral("no answer");
    if (caption.contains(QStringLiteral("without ending its line")))
        return QStringLiteral("a line without its end");
    if (caption.contains(QStringLiteral("answered only")))
        return QStringLiteral("only part of a line");
    if (caption.contains(QStringLiteral("without a line end")))
        return QStringLiteral("over 4096 characters");
    if (caption.contains(QStringLiteral("is busy")))
        return QStringLiteral("line busy");
    if (caption.contains(QStringLiteral("with no temperature at characters")) ||
        caption.contains(QStringLiteral("where its answers have")))
        return QStringLiteral("out of shape");
    return caption;
}

// A tick that ends after Stop says so before its reading or failure, which is judged as any
// tick's caption.
QString withoutStopped(const QString& caption)
{
    const QString degrees = QString::fromStdString(core::captions::reading({}));
    const QString lastReading = QString::fromStdString(core::captions::stoppedWithReading({}));
    const QString readingPrefix = lastReading.left(lastReading.size() - degrees.size());
    const QString failurePrefix = QString::fromStdString(core::captions::stoppedWith({}));
    if (caption.startsWith(readingPrefix))
        return caption.mid(readingPrefix.size());
    if (caption.startsWith(failurePrefix))
        return caption.mid(failurePrefix.size());
    return caption;
}

// Texts that hold what the device sent are put in with one pass of arg(), so a '%' among
// them is taken as it is.
QString number(qint64 value)
{
    return QString::number(value);
}

struct Tally
{
    int right = 0;
    int late = 0;
    int wrong = 0;
    int lost = 0;
    int errors = 0;
    int total() const { return right + late + wrong + lost + errors; }
    void count(Verdict verdict)
    {
        switch (verdict) {
        case Verdict::Right:
            ++right;
            break;
        case Verdict::Late:
            ++late;
            break;
        case Verdict::Wrong:
            ++wrong;
            break;
        case Verdict::Lost:
            ++lost;
            break;
        case Verdict::Error:
            ++errors;
            break;
        }
    }
    QString text() const
    {
        QStringList parts;
        const auto add = [&](int count, const char* name) {
            if (count > 0)
                parts << QStringLiteral("%1 %2").arg(QLatin1String(name)).arg(count);
        };
        add(right, "right");
        add(late, "late");
        add(wrong, "wrong");
        add(lost, "lost");
        add(errors, "errors");
        return parts.join(QStringLiteral(", "));
    }
};

} // namespace

// Thousands of readings through the window at the line's own pace, against a thermometer that
// answers each command plainly or with one of the line's misfortunes (--mix), every answer
// naming its command (--unique), while CPU hogs keep every core busy. Each reading the window
// shows, and each weather file it writes, is held against the answers the simulator sent.
int figureStress(const Run& run)
{
    // UIQ_BENCH_STRESS_EXCHANGES sets another count, for a look at the run in between.
    const int chosen = qEnvironmentVariableIntValue("UIQ_BENCH_STRESS_EXCHANGES");
    const int count = chosen > 0 ? chosen : run.smoke ? 40 : 5000;
    Progress progress;
    Stage stage(progress,
                {QStringLiteral("--baud"), QStringLiteral("9600"), QStringLiteral("--mix"),
                 QStringLiteral("--unique"), QStringLiteral("--seed"), QString::number(kSeed)},
                kStart);
    SimulatedThermometer& thermometer = stage.thermometer;
    std::vector<Answer> answers(1);
    const auto answer = [&](int number) -> Answer& {
        if (number >= int(answers.size()))
            answers.resize(std::size_t(number) + 1);
        return answers[std::size_t(std::max(number, 0))];
    };
    QObject::connect(&thermometer, &SimulatedThermometer::queried, &progress,
                     [&](int number, qint64 at) { answer(number).queriedAt = at; });
    QObject::connect(&thermometer, &SimulatedThermometer::mixed, &progress,
                     [&](int number, const QByteArray& plan) { answer(number).plan = plan; });
    QObject::connect(&thermometer, &SimulatedThermometer::replying, &progress,
                     [&](int number, qint64 at) {
                         if (answer(number).firstReplyingAt < 0)
                             answer(number).firstReplyingAt = at;
                     });
    QObject::connect(&thermometer, &SimulatedThermometer::replied, &progress,
                     [&](int number, qint64 at) {
                         if (answer(number).firstRepliedAt < 0)
                             answer(number).firstRepliedAt = at;
                     });
    if (const std::optional<QString> problem = stage.start())
        return fail(*problem);
    const QString weatherFile = stage.weatherFile();

    const auto window = openObservedWindow(stage.profile, stage.clock, kTickMs, kDeadlineMs);
    if (!window)
        return fail(QStringLiteral("the window was not shown"));

    std::vector<Exchange> exchanges;
    exchanges.reserve(std::size_t(count) + 64);
    int ended = 0;
    bool clickingOneShot = false;
    bool oneShotWanted = false;
    int oneShots = 0;
    QObject::connect(window.get(), &ObservedWindow::exchangeStarted, &progress, [&](qint64 at) {
        Exchange exchange;
        exchange.startedAt = at;
        exchange.oneShot = clickingOneShot;
        // Every exchange at a minute of its own, so a file that was not replaced shows.
        const QDateTime minute = kStart.addSecs(60 * qint64(exchanges.size() + 1));
        stage.clock.set(minute);
        exchange.dateLine = dateLineAt(minute);
        exchanges.push_back(exchange);
    });
    QObject::connect(window.get(), &qt::Window::readingTaken, &progress,
                     [&](core::ExchangeForm form, bool wrote) {
                         Exchange& exchange = exchanges.back();
                         exchange.reading = true;
                         exchange.form = form;
                         exchange.wrote = wrote;
                         exchange.caption = window->windowTitle();
                         if (wrote) {
                             QFile file(weatherFile);
                             exchange.file = file.open(QIODevice::ReadOnly) ? file.readAll()
                                                                            : QByteArray("(none)");
                         }
                     });
    // OneShot is clicked only on an idle window, so that every exchange is seen to end: a
    // click during an exchange would start its own at the very moment the other ends.
    std::function<void()> clickOneShot = [&] {
        if (!oneShotWanted || window->session().busy())
            return;
        oneShotWanted = false;
        ++oneShots;
        clickingOneShot = true;
        QTest::mouseClick(window->Command1, Qt::LeftButton);
        clickingOneShot = false;
    };
    QObject::connect(
        window.get(), &ObservedWindow::exchangeEnded, &progress, [&](qint64 at, bool tookReading) {
            Exchange& exchange = exchanges.back();
            exchange.endedAt = at;
            if (!tookReading)
                exchange.caption = window->sessionCaption();
            ++ended;
            if (ended % kOneShotEvery == 0)
                oneShotWanted = true;
            if (oneShotWanted) {
                const int delay =
                    kOneShotDelaysMs[(ended / kOneShotEvery) % int(std::size(kOneShotDelaysMs))];
                QTimer::singleShot(delay, &progress, clickOneShot);
            }
            progress.notify();
        });

    CpuHogs hogs;
    if (!hogs.start(CpuHogs::countForThisMachine()))
        return fail(hogs.problem());
    const qint64 runStart = monotonicNs();
    QTest::mouseClick(window->Command2, Qt::LeftButton);
    const bool done = progress.waitFor([&] { return ended >= count; }, 70 * 60 * 1000);
    QTest::mouseClick(window->Command3, Qt::LeftButton);
    oneShotWanted = false;
    progress.waitFor([&] { return !window->session().busy(); }, 3 * kDeadlineMs + 5000);
    const qint64 runNs = monotonicNs() - runStart;
    const qint64 hogNs = hogs.cpuNs();
    const int hogCount = hogs.count();
    hogs.stop();
    if (!done)
        return fail(QStringLiteral("%1 of %2 exchanges ended in time; the caption says \"%3\"")
                        .arg(ended)
                        .arg(count)
                        .arg(window->windowTitle()));
    if (window->session().busy())
        return fail(QStringLiteral("the last exchange did not end"));
    // A control line answered means every event written before it has been read.
    if (!thermometer.setDelay(0))
        return fail(QStringLiteral("the simulator did not answer at the end"));

    // Each command the simulator received belongs to the exchange that ran when it arrived.
    // The command reaches the line once the event loop writes it, after the exchange was seen
    // to start; the allowance covers a write made at once. A command that fits no exchange,
    // or a second one in an exchange, is told in the notes.
    const QString malformed = QString::fromStdString(core::captions::malformed("COM1"));
    constexpr qint64 kAllowanceNs = 2000000;
    const int commands = int(answers.size()) - 1;
    if (thermometer.queries() != commands)
        return fail(QStringLiteral("the simulator counted %1 commands but numbered %2")
                        .arg(thermometer.queries())
                        .arg(commands));
    QStringList strays;
    std::size_t current = 0;
    for (int q = 1; q <= commands && !exchanges.empty(); ++q) {
        const qint64 at = answers[std::size_t(q)].queriedAt;
        while (current + 1 < exchanges.size() &&
               exchanges[current + 1].startedAt - kAllowanceNs <= at)
            ++current;
        Exchange& exchange = exchanges[current];
        if (at < 0 || at < exchange.startedAt - kAllowanceNs || at > exchange.endedAt ||
            exchange.command != 0)
            strays << QStringLiteral("command %1 (%2) reached the simulator %3 after exchange %4 "
                                     "started, which %5")
                          .arg(q)
                          .arg(QString::fromLatin1(answers[std::size_t(q)].plan))
                          .arg(milliseconds(double(at - exchange.startedAt)))
                          .arg(current + 1)
                          .arg(exchange.command != 0
                                   ? QStringLiteral("had sent command %1").arg(exchange.command)
                                   : QStringLiteral("ended %1 after it started")
                                         .arg(milliseconds(
                                             double(exchange.endedAt - exchange.startedAt))));
        else
            exchange.command = q;
    }

    const qint64 deadlineNs = qint64(kDeadlineMs) * 1000000;
    Tally all;
    QMap<QString, Tally> byKind;
    QMap<QString, int> errorKinds;
    QMap<QString, int> lateFrom;
    int expectedErrors = 0;
    int readings = 0;
    int writes = 0;
    QStringList details;
    QStringList lateExamples;
    const QRegularExpression temperaturePattern(QStringLiteral("^\\+\\d\\d\\.\\d$"));
    const QRegularExpression weatherPattern(QStringLiteral("^W(\\d{14})$"));
    const auto planOf = [&](int command) {
        return command > 0 && command < int(answers.size())
                   ? QString::fromLatin1(answers[std::size_t(command)].plan)
                   : QStringLiteral("-");
    };
    // The commands just before and after, to tell what was on the line.
    const auto neighbours = [&](int command) {
        QStringList around;
        for (int c = std::max(1, command - 2); c <= std::min(commands, command + 1); ++c)
            around << number(c) + QStringLiteral(": ") + planOf(c);
        return around.join(QStringLiteral("; "));
    };
    const auto say = [&](const QString& text) {
        if (details.size() < kMostDetails)
            details << text;
    };
    int lastCommand = 0;

    for (std::size_t i = 0; i < exchanges.size(); ++i) {
        const Exchange& exchange = exchanges[i];
        const int n = exchange.command;
        const QString kind =
            n > 0 ? kindOf(answers[std::size_t(n)].plan) : QStringLiteral("no command sent");
        Verdict verdict = Verdict::Error;
        const QString form = exchange.oneShot ? QStringLiteral("OneShot") : QStringLiteral("tick");
        const QString caption = withoutStopped(exchange.caption);
        if (exchange.reading && caption != malformed) {
            ++readings;
            writes += exchange.wrote ? 1 : 0;
            const QString prefix = exchange.form == core::ExchangeForm::OneShot
                                       ? QStringLiteral("One shot ")
                                       : QString();
            const QString suffix = QStringLiteral("\u00b0C");
            QString temperature;
            if (caption.startsWith(prefix) && caption.endsWith(suffix))
                temperature =
                    caption.mid(prefix.size(), caption.size() - prefix.size() - suffix.size());
            QByteArray weather;
            bool fileWhole = true;
            if (exchange.wrote) {
                const QList<QByteArray> lines = exchange.file.split('\n');
                fileWhole = lines.size() == 3 && lines[0] == exchange.dateLine + '\r' &&
                            lines[1].endsWith('\r') && lines[2].isEmpty();
                weather = lines.value(1).chopped(lines.value(1).endsWith('\r') ? 1 : 0);
            }
            const auto temperatureMatch = temperaturePattern.match(temperature);
            const auto weatherMatch = weatherPattern.match(QString::fromLatin1(weather));
            const bool formRight =
                (exchange.form == core::ExchangeForm::OneShot) == exchange.oneShot;
            if (temperature == temperatureOf(n) && (!exchange.wrote || weather == weatherOf(n)) &&
                fileWhole && formRight) {
                verdict = Verdict::Right;
            } else if (fileWhole && formRight && temperatureMatch.hasMatch() &&
                       (!exchange.wrote || weatherMatch.hasMatch())) {
                // The latest earlier command whose answer carries these fields, if it was sent.
                int earlier = 0;
                if (exchange.wrote) {
                    const qint64 number = weatherMatch.captured(1).toLongLong();
                    if (number < n && temperatureOf(int(number)) == temperature)
                        earlier = int(number);
                } else {
                    for (int m = n - 1; m >= 1 && earlier == 0; --m) {
                        if (temperatureOf(m) == temperature)
                            earlier = m;
                    }
                }
                if (earlier > 0 && answers[std::size_t(earlier)].firstReplyingAt >= 0) {
                    verdict = Verdict::Late;
                    ++lateFrom[QStringLiteral("the answer to a '%1' command")
                                   .arg(kindOf(answers[std::size_t(earlier)].plan))];
                    if (lateExamples.size() < kLateExamples)
                        lateExamples
                            << QStringLiteral("%1 %2 (command %3, %4) showed \"%5\"%6: the answer "
                                              "to command %7 (%8), asked %9 before; around: %10")
                                   .arg(form, number(qint64(i) + 1), number(n), planOf(n),
                                        exchange.caption,
                                        exchange.wrote ? QStringLiteral(" and wrote ") +
                                                             QString::fromLatin1(weather)
                                                       : QString(),
                                        number(earlier), planOf(earlier),
                                        milliseconds(
                                            double(exchange.endedAt -
                                                   answers[std::size_t(earlier)].queriedAt)),
                                        neighbours(n));
                } else {
                    verdict = Verdict::Wrong;
                }
            } else {
                verdict = Verdict::Wrong;
            }
            if (verdict == Verdict::Wrong)
                say(QStringLiteral("WRONG: %1 %2 (command %3, %4) showed \"%5\" as a %6 "
                                   "reading%7; around: %8")
                        .arg(form, number(qint64(i) + 1), number(n), planOf(n), exchange.caption,
                             exchange.form == core::ExchangeForm::OneShot
                                 ? QStringLiteral("OneShot")
                                 : QStringLiteral("tick"),
                             exchange.wrote
                                 ? QStringLiteral(", file \"") + simulatorText(exchange.file) +
                                       QStringLiteral("\" (its date line due: ") +
                                       QString::fromLatin1(exchange.dateLine) + QLatin1Char(')')
                                 : QString(),
                             neighbours(n)));
        } else {
            const QString failure = failureKind(caption, malformed);
            const Answer* asked = n > 0 ? &answers[std::size_t(n)] : nullptr;
            // Stray bytes before a reply shift its fields: no reading may come of it, and the
            // caption says what did come.
            const bool outOfShape = failure == QStringLiteral("out of shape");
            const bool strayAnswer = asked && kindOf(asked->plan) == QStringLiteral("stray");
            if (asked && asked->firstRepliedAt >= 0 &&
                asked->firstRepliedAt - asked->queriedAt < deadlineNs &&
                !(strayAnswer && outOfShape)) {
                verdict = Verdict::Lost;
                say(QStringLiteral("LOST: %1 %2 (command %3, %4) ended \"%5\" %6 after the "
                                   "command, though its reply ended %7 after it (%8 before the "
                                   "deadline); around: %9")
                        .arg(form, number(qint64(i) + 1), number(n), planOf(n), exchange.caption,
                             milliseconds(double(exchange.endedAt - asked->queriedAt)),
                             milliseconds(double(asked->firstRepliedAt - asked->queriedAt)),
                             milliseconds(
                                 double(asked->queriedAt + deadlineNs - asked->firstRepliedAt)),
                             neighbours(n)));
            } else {
                ++errorKinds[failure];
                // Expected: the simulator sent stray bytes before the reply, or went past the
                // deadline (silent, long, late, or slowed) with anything but an answer out of
                // shape, which only stray bytes make; or, with no command sent, the line was
                // busy after a line left without its end (a long line, or noise after an
                // answer, still coming once this exchange began) or after an exchange that
                // found it busy too.
                const bool busyLine = failure == QStringLiteral("line busy");
                const QString before =
                    i > 0 && exchanges[i - 1].command > 0
                        ? kindOf(answers[std::size_t(exchanges[i - 1].command)].plan)
                        : QString();
                const bool expected =
                    (asked && (!outOfShape || strayAnswer)) ||
                    (busyLine && i > 0 &&
                     (exchanges[i - 1].command == 0 || before == QStringLiteral("long") ||
                      before == QStringLiteral("noise")));
                if (expected)
                    ++expectedErrors;
                else if (asked)
                    say(QStringLiteral("unexpected error: %1 %2 (command %3, %4) ended \"%5\" "
                                       "%6 after the command; around: %7")
                            .arg(form, number(qint64(i) + 1), number(n), planOf(n),
                                 exchange.caption,
                                 milliseconds(double(exchange.endedAt - asked->queriedAt)),
                                 neighbours(n)));
                else
                    say(QStringLiteral("unexpected error: %1 %2 ended \"%3\" %5 after it "
                                       "started, with no command sent; before it: %4")
                            .arg(form, number(qint64(i) + 1), exchange.caption,
                                 neighbours(lastCommand),
                                 milliseconds(double(exchange.endedAt - exchange.startedAt))));
            }
        }
        lastCommand = std::max(lastCommand, n);
        all.count(verdict);
        byKind[kind].count(verdict);
    }
    if (!thermometer.problem().isEmpty())
        return fail(thermometer.problem());

    QStringList errorText;
    for (auto it = errorKinds.begin(); it != errorKinds.end(); ++it)
        errorText << QStringLiteral("%1 %2").arg(it.key()).arg(it.value());
    QStringList kindText;
    for (auto it = byKind.begin(); it != byKind.end(); ++it)
        kindText << QStringLiteral("%1 %2 (%3)")
                        .arg(it.key())
                        .arg(it.value().total())
                        .arg(it.value().text());
    QStringList lateText;
    for (auto it = lateFrom.begin(); it != lateFrom.end(); ++it)
        lateText << QStringLiteral("%1 %2").arg(it.value()).arg(it.key());

    const int total = int(exchanges.size());
    row(QStringLiteral("7. Readings under stress: wrong (%1 exchanges)").arg(total),
        QString::number(all.wrong), QStringLiteral("%1 readings").arg(readings),
        QStringLiteral("-"), QStringLiteral("0"), all.wrong == 0);
    row(QStringLiteral("7. Readings under stress: lost (reply in time, no reading)"),
        QString::number(all.lost), QStringLiteral("%1 commands").arg(commands), QStringLiteral("-"),
        QStringLiteral("0"), all.lost == 0);
    note(QStringLiteral("7. Stress: simulator --mix --unique --seed %1 at 9600 baud; %2 exchanges "
                        "(%3 OneShots) in %4 s, ticks every %5 ms, reply deadline %6 ms (the "
                        "program's own is 3000 ms); %7 CPU hogs beside it used %8 s of CPU "
                        "(%9 of their cores' time). Right %10, late %11, wrong %12, lost %13, "
                        "errors %14 (%15 expected: %17); %16 weather files written and read; "
                        "commands that fit no exchange: %18.")
             .arg(kSeed)
             .arg(total)
             .arg(oneShots)
             .arg(double(runNs) / 1e9, 0, 'f', 0)
             .arg(kTickMs)
             .arg(kDeadlineMs)
             .arg(hogCount)
             .arg(double(hogNs) / 1e9, 0, 'f', 0)
             .arg(QStringLiteral("%1 %").arg(
                 100.0 * double(hogNs) / (double(runNs) * std::max(1, hogCount)), 0, 'f', 0))
             .arg(all.right)
             .arg(all.late)
             .arg(all.wrong)
             .arg(all.lost)
             .arg(all.errors)
             .arg(expectedErrors)
             .arg(writes)
             .arg(errorText.isEmpty() ? QStringLiteral("none")
                                      : errorText.join(QStringLiteral(", ")))
             .arg(strays.size()));
    note(QStringLiteral("7. Stress by what the simulator did with the command: %1.")
             .arg(kindText.join(QStringLiteral("; "))));
    if (!lateText.isEmpty())
        note(QStringLiteral("7. Stress, the late readings took: %1.")
                 .arg(lateText.join(QStringLiteral(", "))));
    for (const QString& example : lateExamples)
        note(QStringLiteral("7. Stress, a late reading: %1").arg(example));
    for (const QString& detail : details)
        note(QStringLiteral("7. Stress, %1").arg(detail));
    for (const QString& stray : strays.mid(0, kMostDetails))
        note(QStringLiteral("7. Stress, STRAY COMMAND: %1").arg(stray));
    return 0;
}

} // namespace bench
