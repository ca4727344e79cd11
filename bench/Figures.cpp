#include "Figures.h"

#include <QStringList>
#include <cstdio>

namespace bench {

const QByteArray kShortestReply =
    QByteArray("QVX1 000001         ") + "ABCDEFGHIJKLMNO" + " r000p000P000 " + "+2";
const QByteArray kWholeReply = kShortestReply + "3.4\r\n";

namespace {

void emitLine(const QStringList& fields)
{
    std::printf("%s\n", fields.join(QLatin1Char('\t')).toUtf8().constData());
    std::fflush(stdout);
}

} // namespace

void row(const QString& figure, const QString& value, const QString& reference,
         const QString& ratio, const QString& target, bool met)
{
    emitLine({QStringLiteral("row"), figure, value, reference, ratio, target,
              met ? QStringLiteral("yes") : QStringLiteral("NO")});
}

void reported(const QString& figure, const QString& value, const QString& reference,
              const QString& ratio)
{
    emitLine({QStringLiteral("row"), figure, value, reference, ratio, QStringLiteral("-"),
              QStringLiteral("-")});
}

void note(const QString& text)
{
    emitLine({QStringLiteral("note"), text});
}

int fail(const QString& why)
{
    emitLine({QStringLiteral("error"), why});
    return 1;
}

QString milliseconds(double ns)
{
    return QStringLiteral("%1 ms").arg(ns / 1e6, 0, 'f', ns < 1e7 ? 3 : 2);
}

QString kib(qint64 value)
{
    return QStringLiteral("%1 KiB").arg(value);
}

QString simulatorText(const QByteArray& bytes)
{
    QString text;
    for (const char c : bytes) {
        const auto value = static_cast<unsigned char>(c);
        if (value == '\\')
            text += QStringLiteral("\\\\");
        else if (value >= 0x20 && value < 0x7f)
            text += QLatin1Char(c);
        else
            text += QStringLiteral("\\x%1").arg(value, 2, 16, QLatin1Char('0'));
    }
    return text;
}

} // namespace bench
