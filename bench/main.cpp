#include "Figures.h"
#include "Hogs.h"
#include "Measure.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

namespace {

struct Figure
{
    const char* name;
    int (*run)(const bench::Run&);
    int fullMinutes;
};

const Figure kFigures[] = {
    {"exchange", bench::figureExchange, 5},
    {"latency", bench::figureLatency, 10},
    {"idle-cpu", bench::figureIdleCpu, 5},
    {"startup", bench::figureStartup, 10},
    {"memory", bench::figureMemory, 15},
    {"file-write", bench::figureFileWrite, 5},
    // Five thousand exchanges at the line's own pace, nearly half of them with a misfortune on
    // the line, beside CPU hogs: about half an hour on a machine of two cores.
    {"stress", bench::figureStress, 80},
};

void usage()
{
    std::printf("Usage: uiq-bench [--smoke] [--markdown FILE] [--only NAME]...\n"
                "       uiq-bench --figure NAME [--smoke]\n"
                "Runs every figure, each in a process of its own, and prints one table.\n"
                "--smoke runs each once with tiny counts: it shows that they run, not how fast.\n"
                "Figures:");
    for (const Figure& figure : kFigures)
        std::printf(" %s", figure.name);
    std::printf("\n");
}

struct Outcome
{
    QList<QStringList> rows;
    QStringList notes;
    QStringList errors;
};

// Each figure in a fresh process: the memory figure needs a peak that no other figure
// raised, and a figure that hangs or crashes must not take the others with it.
Outcome runChild(const QString& self, const Figure& figure, bool smoke)
{
    Outcome outcome;
    QProcess child;
    QStringList arguments{QStringLiteral("--figure"), QLatin1String(figure.name)};
    if (smoke)
        arguments << QStringLiteral("--smoke");
    child.start(self, arguments);
    const int limitMs = (smoke ? 2 : figure.fullMinutes) * 60 * 1000;
    if (!child.waitForFinished(limitMs)) {
        child.kill();
        child.waitForFinished(5000);
        outcome.errors << QStringLiteral("did not finish within %1 s").arg(limitMs / 1000);
    }
    for (const QByteArray& line : child.readAllStandardOutput().split('\n')) {
        const QStringList fields = QString::fromUtf8(line).split(QLatin1Char('\t'));
        if (fields.first() == QStringLiteral("row") && fields.size() == 7)
            outcome.rows << fields.mid(1);
        else if (fields.first() == QStringLiteral("note") && fields.size() == 2)
            outcome.notes << fields[1];
        else if (fields.first() == QStringLiteral("error") && fields.size() == 2)
            outcome.errors << fields[1];
    }
    if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0 ||
        outcome.rows.isEmpty()) {
        outcome.errors << QStringLiteral("exit status %1").arg(child.exitCode());
        const QByteArray errors = child.readAllStandardError().trimmed();
        if (!errors.isEmpty())
            outcome.errors << QString::fromLocal8Bit(errors.right(2000));
    }
    return outcome;
}

QString procText(const char* path)
{
    QFile file(QString::fromLatin1(path));
    return file.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(file.readAll()) : QString();
}

// The figures depend on the machine and on what else runs on it, so both go with the table.
QString machine()
{
    int cores = 0;
    QString model = QStringLiteral("unknown CPU");
    for (const QString& line : procText("/proc/cpuinfo").split(QLatin1Char('\n'))) {
        if (line.startsWith(QStringLiteral("processor")))
            ++cores;
        else if (line.startsWith(QStringLiteral("model name")) && cores == 1)
            model = line.section(QLatin1Char(':'), 1).trimmed();
    }
    return QStringLiteral("%1 cores, %2").arg(cores).arg(model);
}

// On some virtual machines memory left alone for a moment is slow to touch again (the host
// takes it back); every figure whose work comes after an idle spell pays for that, so the
// run says how much it was.
QString idleMemoryProbe()
{
    constexpr std::size_t kBytes = 8 << 20;
    constexpr std::size_t kPage = 4096;
    std::vector<char> memory(kBytes, 1);
    volatile char sink = 0;
    const auto touch = [&] {
        const qint64 begin = bench::monotonicNs();
        for (std::size_t i = 0; i < kBytes; i += kPage)
            sink = char(sink + memory[i]);
        return double(bench::monotonicNs() - begin);
    };
    std::vector<double> hot;
    std::vector<double> afterIdle;
    bench::Progress pause;
    for (int i = 0; i < 3; ++i) {
        hot.push_back(touch());
        pause.waitFor([] { return false; }, 400);
        afterIdle.push_back(touch());
    }
    return QStringLiteral("touching 8 MiB again takes %1 right away, %2 after 400 ms idle")
        .arg(bench::milliseconds(bench::median(hot)),
             bench::milliseconds(bench::median(afterIdle)));
}

QString loadAverage()
{
    return procText("/proc/loadavg").section(QLatin1Char(' '), 0, 2);
}

QString padded(const QString& text, qsizetype width)
{
    return text + QString(std::max<qsizetype>(0, width - text.size()), QLatin1Char(' '));
}

int drive(const QStringList& arguments)
{
    bool smoke = false;
    QString markdown;
    QStringList only;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == QStringLiteral("--smoke"))
            smoke = true;
        else if (arguments[i] == QStringLiteral("--markdown") && i + 1 < arguments.size())
            markdown = arguments[++i];
        else if (arguments[i] == QStringLiteral("--only") && i + 1 < arguments.size())
            only << arguments[++i];
        else {
            usage();
            return 2;
        }
    }

    const QString self = QCoreApplication::applicationFilePath();
    const QStringList header{QStringLiteral("Figure"),    QStringLiteral("Value"),
                             QStringLiteral("Reference"), QStringLiteral("Ratio"),
                             QStringLiteral("Target"),    QStringLiteral("Met")};
    QList<QStringList> rows;
    QStringList notes;
    int broken = 0;
    int started = 0;
    const QString loadBefore = loadAverage();
    const QString probe = idleMemoryProbe();
    for (const Figure& figure : kFigures) {
        if (!only.isEmpty() && !only.contains(QLatin1String(figure.name)))
            continue;
        std::fprintf(stderr, "bench: %s%s ...\n", figure.name, smoke ? " (smoke)" : "");
        ++started;
        const Outcome outcome = runChild(self, figure, smoke);
        rows << outcome.rows;
        notes << outcome.notes;
        if (!outcome.errors.isEmpty()) {
            ++broken;
            rows << QStringList{QLatin1String(figure.name), QStringLiteral("did not run"),
                                QStringLiteral("-"),        QStringLiteral("-"),
                                QStringLiteral("-"),        QStringLiteral("-")};
            for (const QString& error : outcome.errors)
                notes
                    << QStringLiteral("%1 did not run: %2").arg(QLatin1String(figure.name), error);
        }
    }
    if (smoke) {
        // Tiny counts say nothing about speed, so no verdict is printed.
        for (QStringList& row : rows) {
            if (row[5] != QStringLiteral("-"))
                row[5] = QStringLiteral("(smoke)");
        }
    }

    QList<qsizetype> widths(header.size(), 0);
    for (const QStringList& row : QList<QStringList>{header} + rows)
        for (qsizetype c = 0; c < row.size(); ++c)
            widths[c] = std::max(widths[c], row[c].size());
    QString plain;
    QString table;
    for (const QStringList& row : QList<QStringList>{header} + rows) {
        QStringList cells;
        for (qsizetype c = 0; c < row.size(); ++c)
            cells << padded(row[c], widths[c]);
        plain += cells.join(QStringLiteral("  ")).trimmed() + QLatin1Char('\n');
        table += QStringLiteral("| ") + row.join(QStringLiteral(" | ")) + QStringLiteral(" |\n");
        if (&row == &header || row == header)
            table += QStringLiteral("|---|---|---|---|---|---|\n");
    }
    int met = 0;
    int measured = 0;
    for (const QStringList& row : rows) {
        if (row[5] == QStringLiteral("yes") || row[5] == QStringLiteral("NO"))
            ++measured;
        if (row[5] == QStringLiteral("yes"))
            ++met;
    }
    QString summary = smoke ? QStringLiteral("smoke run: %1 figures ran, %2 did not\n")
                                  .arg(started - broken)
                                  .arg(broken)
                            : QStringLiteral("%1 of %2 targets met; %3 figures did not run\n")
                                  .arg(met)
                                  .arg(measured)
                                  .arg(broken);
    const QString context =
        QStringLiteral("Machine: %1; load average %2 before, %3 after; %4; Qt %5.\n")
            .arg(machine(), loadBefore, loadAverage(), probe, QLatin1String(qVersion()));
    std::printf("%s\n%s\n", context.toUtf8().constData(), plain.toUtf8().constData());
    for (const QString& line : notes)
        std::printf("- %s\n", line.toUtf8().constData());
    std::printf("\n%s", summary.toUtf8().constData());

    if (!markdown.isEmpty()) {
        QFile file(markdown);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            QString text = context + QLatin1Char('\n') + table + QLatin1Char('\n');
            for (const QString& line : notes)
                text += QStringLiteral("- ") + line + QLatin1Char('\n');
            text += QLatin1Char('\n') + summary;
            file.write(text.toUtf8());
        }
    }
    return broken == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "--hog") == 0)
        bench::runHog(std::strtol(argv[2], nullptr, 10));
    if (argc >= 3 && std::strcmp(argv[1], "--figure") == 0) {
        // The figures drive the window on Qt's offscreen platform unless told otherwise.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        bench::Run run;
        run.smoke = argc >= 4 && std::strcmp(argv[3], "--smoke") == 0;
        for (const Figure& figure : kFigures) {
            if (std::strcmp(figure.name, argv[2]) == 0)
                return figure.run(run);
        }
        usage();
        return 2;
    }
    QCoreApplication app(argc, argv);
    if (app.arguments().contains(QStringLiteral("--help"))) {
        usage();
        return 0;
    }
    return drive(app.arguments().mid(1));
}
