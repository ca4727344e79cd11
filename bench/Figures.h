#pragma once

#include <QByteArray>
#include <QString>

namespace bench {

struct Run
{
    // Tiny counts: proves every figure still runs, says nothing about speed.
    bool smoke = false;
};

// A figure reports on stdout, one tab-separated line each, so the driver that started it in
// a process of its own can gather the table: "row" lines become rows, "note" lines are
// printed under the table, an "error" line means the figure could not be measured.
void row(const QString& figure, const QString& value, const QString& reference,
         const QString& ratio, const QString& target, bool met);
// A row that carries a figure without a target of its own.
void reported(const QString& figure, const QString& value, const QString& reference,
              const QString& ratio);
void note(const QString& text);
int fail(const QString& why);

QString milliseconds(double ns);
QString kib(qint64 kib);

// A 51-character reply, the least a sampling tick takes: its temperature field is cut to
// "+2" (characters 50 and 51).
extern const QByteArray kShortestReply;
// The thermometer's whole 56-character reply line, temperature "+23.4", ending in CR LF.
extern const QByteArray kWholeReply;
// The same as a --reply argument of the simulator.
QString simulatorText(const QByteArray& bytes);

int figureExchange(const Run& run);
int figureLatency(const Run& run);
int figureIdleCpu(const Run& run);
int figureStartup(const Run& run);
int figureMemory(const Run& run);
int figureFileWrite(const Run& run);
int figureStress(const Run& run);

} // namespace bench
