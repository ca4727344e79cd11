#include "qt/WinePorts.h"

#include "qt/Text.h"

#include <QList>

namespace WinePorts {

namespace {

int digitValue(char c, int base)
{
    const int value = c >= '0' && c <= '9'   ? c - '0'
                      : c >= 'a' && c <= 'f' ? c - 'a' + 10
                      : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                             : base;
    return value < base ? value : -1;
}

QChar escapedControl(char c)
{
    switch (c) {
    case 'a':
        return QChar(0x07);
    case 'b':
        return QChar(0x08);
    case 'e':
        return QChar(0x1b);
    case 'f':
        return QChar(0x0c);
    case 'n':
        return QChar(0x0a);
    case 'r':
        return QChar(0x0d);
    case 't':
        return QChar(0x09);
    case 'v':
        return QChar(0x0b);
    default:
        return QLatin1Char(c);
    }
}

// Undoes the registry file's escapes: \\ \" \n and the like, \xHHHH and octal \NNN.
QString unescape(QByteArrayView text)
{
    QString out;
    QByteArray plain;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            plain += text[i];
            continue;
        }
        out += qt::text(std::string_view(plain.constData(), size_t(plain.size())));
        plain.clear();
        const char c = text[++i];
        const bool hex = c == 'x';
        const int base = hex ? 16 : 8;
        if (!hex && digitValue(c, 8) < 0) {
            out += escapedControl(c);
            continue;
        }
        if (!hex)
            --i;
        char16_t value = 0;
        for (int taken = 0; taken < (hex ? 4 : 3) && i + 1 < text.size(); ++taken) {
            const int digit = digitValue(text[i + 1], base);
            if (digit < 0)
                break;
            value = char16_t(value * base + digit);
            ++i;
        }
        out += QChar(value);
    }
    return out + qt::text(std::string_view(plain.constData(), size_t(plain.size())));
}

// The end of a quoted text that starts after position open, past its escapes; -1 if none.
qsizetype closingQuote(QByteArrayView line, qsizetype open)
{
    for (qsizetype i = open + 1; i < line.size(); ++i) {
        if (line[i] == '\\')
            ++i;
        else if (line[i] == '"')
            return i;
    }
    return -1;
}

bool isPortsSection(QByteArrayView line)
{
    const qsizetype close = line.indexOf(']');
    if (close < 0)
        return false;
    return line.sliced(1, close - 1)
               .trimmed()
               .compare("Software\\\\Wine\\\\Ports", Qt::CaseInsensitive) == 0;
}

} // namespace

QString deviceIn(const QByteArray& systemReg, int port)
{
    const QString wanted = QStringLiteral("COM%1").arg(port);
    bool inPorts = false;
    QString device;
    for (const QByteArray& rawLine : systemReg.split('\n')) {
        const QByteArrayView line = QByteArrayView(rawLine).trimmed();
        if (line.startsWith('[')) {
            inPorts = isPortsSection(line);
            continue;
        }
        if (!inPorts || !line.startsWith('"'))
            continue;
        const qsizetype nameEnd = closingQuote(line, 0);
        if (nameEnd < 0 || nameEnd + 2 >= line.size() || line[nameEnd + 1] != '=' ||
            line[nameEnd + 2] != '"')
            continue;
        const qsizetype valueEnd = closingQuote(line, nameEnd + 2);
        if (valueEnd < 0)
            continue;
        if (unescape(line.sliced(1, nameEnd - 1)).compare(wanted, Qt::CaseInsensitive) != 0)
            continue;
        device = unescape(line.sliced(nameEnd + 3, valueEnd - nameEnd - 3));
    }
    return device;
}

} // namespace WinePorts
