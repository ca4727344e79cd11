#include "Child.h"
#include "Figures.h"
#include "Measure.h"
#include "Profile.h"
#include "SimulatedThermometer.h"

#include <QFile>

#ifndef UIQ_PROGRAM_PATH
#error "UIQ_PROGRAM_PATH must name the UiQuorvix binary"
#endif
#ifndef UIQ_BARE_WINDOW_PATH
#error "UIQ_BARE_WINDOW_PATH must name the bare window binary"
#endif

namespace bench {

namespace {

constexpr int kLineTimeoutMs = 20000;

struct Times
{
    std::vector<double> program;
    // The bare window reports twice: before show() and after it.
    std::vector<double> bareBuilt;
    std::vector<double> bareShown;
    std::vector<double> textShown;
    std::vector<double> other;
};

QString tail(const QString& log)
{
    QFile file(log);
    return file.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(file.readAll().right(400))
                                          : QString();
}

bool runProgram(const QString& path, const QMap<QString, QString>& environment, const QString& log,
                double& ns, QString& problem)
{
    Child child;
    QByteArray line;
    qint64 at = 0;
    if (!child.start(path, {}, environment, log) ||
        !child.readLine("caption ", kLineTimeoutMs, line, at)) {
        problem = QStringLiteral("UiQuorvix: %1 %2").arg(child.problem(), tail(log));
        return false;
    }
    if (line != "caption Stopped") {
        problem = QStringLiteral("UiQuorvix started with \"%1\"").arg(QString::fromUtf8(line));
        return false;
    }
    ns = double(at - child.startedAt());
    if (!child.stop()) {
        problem = QStringLiteral("UiQuorvix did not end cleanly: %1").arg(child.problem());
        return false;
    }
    return true;
}

bool runBare(const QMap<QString, QString>& environment, const QString& log,
             const QStringList& arguments, double& builtNs, double& shownNs, QString& problem)
{
    Child child;
    QByteArray line;
    qint64 builtAt = 0;
    qint64 shownAt = 0;
    if (!child.start(QStringLiteral(UIQ_BARE_WINDOW_PATH), arguments, environment, log) ||
        !child.readLine("constructed", kLineTimeoutMs, line, builtAt) ||
        !child.readLine("shown", kLineTimeoutMs, line, shownAt)) {
        problem = QStringLiteral("bare window: %1 %2").arg(child.problem(), tail(log));
        return false;
    }
    builtNs = double(builtAt - child.startedAt());
    shownNs = double(shownAt - child.startedAt());
    child.stop();
    return true;
}

} // namespace

// Process start to the "caption Stopped" line of the built program, against a bare Qt window
// that prints a line once shown, in interleaved runs of the same session.
int figureStartup(const Run& run)
{
    const int rounds = run.smoke ? 2 : 40;
    Profile profile;
    SimulatedThermometer thermometer;
    if (!thermometer.installAs(profile.winePrefix(), 1))
        return fail(thermometer.problem());
    const QMap<QString, QString> environment{
        {QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen")},
        {QStringLiteral("UIQ_REPORT_CAPTION"), QStringLiteral("1")},
        {QStringLiteral("XDG_CONFIG_HOME"), profile.configHome()},
        {QStringLiteral("XDG_STATE_HOME"), profile.stateHome()},
        {QStringLiteral("WINEPREFIX"), profile.winePrefix()},
    };
    const QString log = profile.root() + QStringLiteral("/stderr.log");

    Times times;
    QString problem;
    double program = 0;
    double built = 0;
    double shown = 0;
    const QStringList withText{QStringLiteral("--text")};
    const QString programPath = QStringLiteral(UIQ_PROGRAM_PATH);
    // A second build of the program (say, with a change to try) runs in the same rounds, so
    // both meet the same spells of a busy machine.
    const QString otherPath = qEnvironmentVariable("UIQ_BENCH_OTHER_PROGRAM");
    const int kinds = otherPath.isEmpty() ? 3 : 4;
    // The first of each fills the page cache, and the program's first run stores its
    // defaults; neither is what a user sees on a later start.
    if (!runProgram(programPath, environment, log, program, problem) ||
        !runBare(environment, log, {}, built, shown, problem) ||
        !runBare(environment, log, withText, built, shown, problem) ||
        (!otherPath.isEmpty() && !runProgram(otherPath, environment, log, program, problem)))
        return fail(problem);
    // The order turns every round, so a slow spell of the machine falls on each in turn.
    for (int i = 0; i < rounds; ++i) {
        for (int slot = 0; slot < kinds; ++slot) {
            const int which = (slot + i) % kinds;
            if (which == 3) {
                if (!runProgram(otherPath, environment, log, program, problem))
                    return fail(problem);
                times.other.push_back(program);
            } else if (which == 0) {
                if (!runProgram(programPath, environment, log, program, problem))
                    return fail(problem);
                times.program.push_back(program);
            } else if (which == 1) {
                if (!runBare(environment, log, {}, built, shown, problem))
                    return fail(problem);
                times.bareBuilt.push_back(built);
                times.bareShown.push_back(shown);
            } else {
                if (!runBare(environment, log, withText, built, shown, problem))
                    return fail(problem);
                times.textShown.push_back(shown);
            }
        }
    }
    if (!thermometer.problem().isEmpty())
        return fail(thermometer.problem());

    const double programMedian = median(times.program);
    const double shownMedian = median(times.bareShown);
    const double ratio = programMedian / shownMedian;
    row(QStringLiteral("4. Start-up to \"caption Stopped\", median (%1 rounds)").arg(rounds),
        milliseconds(programMedian), QStringLiteral("%1 bare").arg(milliseconds(shownMedian)),
        QString::number(ratio, 'f', 3), QStringLiteral("<= 1.3"), ratio <= 1.3);
    note(QStringLiteral("4. Start-up: the bare window reaches show() after %1 (median) and has "
                        "returned from it after %2; UiQuorvix prints its first caption before "
                        "show(), so against the bare window before show() the ratio is %3. "
                        "Fastest runs: UiQuorvix %4, bare %5.")
             .arg(milliseconds(median(times.bareBuilt)))
             .arg(milliseconds(shownMedian))
             .arg(programMedian / median(times.bareBuilt), 0, 'f', 3)
             .arg(milliseconds(*std::min_element(times.program.begin(), times.program.end())))
             .arg(milliseconds(*std::min_element(times.bareShown.begin(), times.bareShown.end()))));
    const double textMedian = median(times.textShown);
    note(QStringLiteral("4. Start-up: the same bare window holding one line of text (so Qt loads "
                        "the fonts) is shown after %1 (median); UiQuorvix against it: %2.")
             .arg(milliseconds(textMedian))
             .arg(programMedian / textMedian, 0, 'f', 3));
    if (!otherPath.isEmpty())
        note(QStringLiteral("4. Start-up: %1 in the same rounds: median %2, ratio %3 to the bare "
                            "window, %4 to the one with text.")
                 .arg(otherPath)
                 .arg(milliseconds(median(times.other)))
                 .arg(median(times.other) / shownMedian, 0, 'f', 3)
                 .arg(median(times.other) / textMedian, 0, 'f', 3));
    return 0;
}

} // namespace bench
