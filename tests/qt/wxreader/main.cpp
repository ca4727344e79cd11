// Reads the weather file over and over, as the host program does, and checks every read:
// the file is absent (before the first write) or holds exactly two whole lines, and its
// date and time never go back. Stops when its standard input closes, then reports
// "reads N bad M last LINE".
#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <cstdio>
#include <poll.h>
#include <unistd.h>

namespace {

bool stdinClosed()
{
    pollfd input{STDIN_FILENO, POLLIN, 0};
    if (::poll(&input, 1, 0) <= 0)
        return false;
    char byte;
    return ::read(STDIN_FILENO, &byte, 1) <= 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s WEATHER-FILE\n", argv[0]);
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    static const QRegularExpression whole(
        QStringLiteral("^([A-Z][a-z]{2} \\d\\d \\d{4} \\d\\d:\\d\\d)\r\n[^\r\n]{15}\r\n$"));
    long reads = 0;
    long bad = 0;
    QDateTime last;
    QByteArray lastLine;
    while (!stdinClosed()) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = file.readAll();
        ++reads;
        const auto match = whole.match(QString::fromLatin1(text));
        if (!match.hasMatch()) {
            ++bad;
            std::fprintf(stderr, "bad read: %s\n", text.toPercentEncoding().constData());
            continue;
        }
        const QDateTime when =
            QLocale::c().toDateTime(match.captured(1), QStringLiteral("MMM dd yyyy hh:mm"));
        if (last.isValid() && when < last) {
            ++bad;
            std::fprintf(stderr, "went back: %s\n", text.constData());
        }
        last = when;
        lastLine = match.captured(1).toLatin1();
    }
    std::printf("reads %ld bad %ld last %s\n", reads, bad, lastLine.constData());
    return 0;
}
