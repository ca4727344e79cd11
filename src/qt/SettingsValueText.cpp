#include "qt/SettingsValueText.h"

#include "core/Captions.h"
#include "core/Escapes.h"
#include "qt/Text.h"

namespace SettingsValueText {

namespace {

bool isControl(char16_t c)
{
    return c < 0x20 || c == 0x7f;
}

QString unescaped(const QString& text)
{
    const core::Result<std::string> plain =
        core::unescape(text.toStdString(), core::kSettingsFileEscapes);
    return plain.ok() ? qt::text(*plain.value()) : text;
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
