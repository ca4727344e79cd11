#pragma once

#include "core/Result.h"

#include <QString>
#include <QVariant>

// How one value stands on its line in the settings file, after the "=".
//
// Reading keeps the text as the user typed it, yet still reads what earlier versions wrote
// through Qt's INI format:
// - blanks around the value are dropped; a value wholly in double quotes loses them;
// - "\\" is one backslash, "\"" one quote, and "\x" with one or two hex digits that name a
//   control character is that character; every other backslash stands for itself (so
//   C:\xdata stays as it is), and C:\UiView\WXprs.txt and even
//   C:\new\table.txt keep theirs (only a UNC path typed by hand needs "\\\\server");
// - a comma or semicolon is part of the text, never a list;
// - "@@" at the start stands for one "@"; a whole @ByteArray(...), @Variant(...),
//   @DateTime(...), @Rect(...), @Size(...), @Point(...) or @Invalid() is a value of
//   another type; @String(...) is the text inside.
// Writing escapes only what cannot stand on a line (control characters) and writes "\\" and
// "\"" for a backslash and a quote, and quotes a value with outer blanks, a comma, a
// semicolon or "=", so that an earlier version reads the same text.
namespace SettingsValueText {

// A value of another type than text, kept as it stood so that it can be written back.
struct OtherType
{
    QString written;
};

// A QString, or an OtherType; or why the value cannot be read, worded to follow
// "line N of FILE ".
core::Result<QVariant> parse(const QString& written);
QString write(const QString& text);

} // namespace SettingsValueText
