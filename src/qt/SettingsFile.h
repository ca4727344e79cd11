#pragma once

#include <QByteArray>
#include <QList>
#include <QSettings>
#include <QString>
#include <optional>

// The settings file on Linux, line by line: "[Group]" headers, one "key=value" a line (value
// text as SettingsValueText reads it), and ";" or "#" comment lines. Blanks around a line and
// around its "=" do not count; "[General]" holds the keys outside any group.
//
// A line that cannot be read (not UTF-8, a control character, a "[" without its "]", no "=",
// a damaged @Variant(...)) is kept byte for byte and written back where it stood, and so are
// comments, blank lines and the lines after a broken group header. Writing changes only the
// lines of values that changed and adds new values at the end of their group, so nothing a
// user wrote by hand is lost by a save.
namespace SettingsFile {

struct Line
{
    enum class Kind
    {
        Other, // blank or comment
        Group,
        Entry,
        Unreadable,
    };
    Kind kind = Kind::Other;
    int number = 0;
    // The line as it stood, without its line feed.
    QByteArray raw;
    // The group the line belongs to; none after a header that cannot be read.
    std::optional<QString> group;
    // An entry's key, or the key of an unreadable line whose key could still be read.
    QString key;
    // An entry's value, as SettingsValueText parsed it.
    QVariant value;
    // Why an unreadable line cannot be read, worded to follow "line N of FILE ".
    QString problem;
};

using Layout = QList<Line>;

Layout parse(const QByteArray& contents);
// The values the layout holds, under "group/key", plus the layout itself under layoutKey().
QSettings::SettingsMap values(const Layout& layout);
// The layout with the values of the map laid over it.
QByteArray write(const Layout& layout, const QSettings::SettingsMap& values);

// Where values() keeps the layout: a key that no line of a file can give.
QString layoutKey();
// The unreadable line that may have held key in group, if any.
std::optional<Line> unreadableLineFor(const Layout& layout, const QString& group,
                                      const QString& key);

// The file format registered with QSettings, with the extension "conf".
QSettings::Format format();

} // namespace SettingsFile
