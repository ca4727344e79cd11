#include "qt/WinePorts.h"

#include "core/Escapes.h"
#include "qt/Text.h"

#include <QList>

namespace WinePorts {

namespace {

// Wine's registry file: \\ \" \n and the like, \xHHHH and octal \NNN; any other letter after a
// backslash stands for itself.
const core::EscapeDialect kRegistryEscapes = [] {
    core::EscapeDialect dialect;
    dialect.letters = true;
    dialect.hexDigits = 4;
    dialect.octal = true;
    dialect.unknown = core::EscapeDialect::Unknown::LetterKept;
    return dialect;
}();

QString unescape(QByteArrayView text)
{
    const core::Result<std::string> plain =
        core::unescape(std::string_view(text.data(), size_t(text.size())), kRegistryEscapes);
    return plain.ok() ? qt::text(*plain.value()) : QString();
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
