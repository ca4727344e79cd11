#include "qt/SettingsValueText.h"

#include "core/Captions.h"

namespace SettingsValueText {

namespace {

bool isControl(char16_t c)
{
    return c < 0x20 || c == 0x7f;
}

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

// "\x" and one or two hex digits at i, when they name a control character: the character and
// the length of the escape.
std::pair<char16_t, int> controlEscape(const QString& text, qsizetype i)
{
    if (i + 2 >= text.size() || text[i + 1] != QLatin1Char('x'))
        return {0, 0};
    const int high = hexDigit(text[i + 2]);
    if (high < 0)
        return {0, 0};
    const int low = i + 3 < text.size() ? hexDigit(text[i + 3]) : -1;
    const int code = low < 0 ? high : high * 16 + low;
    if (!isControl(char16_t(code)))
        return {0, 0};
    return {char16_t(code), low < 0 ? 3 : 4};
}

QString unescaped(const QString& text)
{
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != QLatin1Char('\\') || i + 1 == text.size()) {
            result += c;
            continue;
        }
        const QChar next = text[i + 1];
        if (next == QLatin1Char('\\') || next == QLatin1Char('"')) {
            result += next;
            ++i;
            continue;
        }
        const auto [control, length] = controlEscape(text, i);
        if (length > 0) {
            result += QChar(control);
            i += length - 1;
            continue;
        }
        result += c;
    }
    return result;
}

// The markers Qt puts before a value of another type; "@String(" is text after all.
const char* const kOtherTypeMarkers[] = {"@ByteArray(", "@Variant(", "@DateTime(", "@Rect(",
                                         "@Size(",      "@Point(",   "@Invalid("};

} // namespace

core::Result<QVariant> parse(const QString& written)
{
    QString text = written;
    if (text.size() >= 2 && text.startsWith(QLatin1Char('"')) && text.endsWith(QLatin1Char('"')))
        text = text.mid(1, text.size() - 2);
    text = unescaped(text);

    if (!text.startsWith(QLatin1Char('@')))
        return QVariant(text);
    if (text.startsWith(QLatin1String("@@")))
        return QVariant(text.mid(1));
    const bool closed = text.endsWith(QLatin1Char(')'));
    const QLatin1String string("@String(");
    if (text.startsWith(string)) {
        if (closed)
            return QVariant(text.mid(string.size(), text.size() - string.size() - 1));
        return core::Result<QVariant>::failure(core::captions::damagedValue("@String("));
    }
    for (const char* marker : kOtherTypeMarkers) {
        if (!text.startsWith(QLatin1String(marker)))
            continue;
        if (closed)
            return QVariant::fromValue(OtherType{written});
        return core::Result<QVariant>::failure(core::captions::damagedValue(marker));
    }
    // A lone "@" before anything else was typed by hand: it is text.
    return QVariant(text);
}

QString write(const QString& text)
{
    QString result;
    result.reserve(text.size() + 2);
    if (text.startsWith(QLatin1Char('@')))
        result += QLatin1Char('@');
    bool quote = false;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == '\\' || u == '"') {
            result += QLatin1Char('\\');
            result += c;
        } else if (isControl(u)) {
            result += QStringLiteral("\\x%1").arg(int(u), 2, 16, QLatin1Char('0'));
        } else {
            quote = quote || u == ',' || u == ';' || u == '=';
            result += c;
        }
    }
    quote = quote || text.startsWith(QLatin1Char(' ')) || text.endsWith(QLatin1Char(' '));
    return quote ? QLatin1Char('"') + result + QLatin1Char('"') : result;
}

} // namespace SettingsValueText
