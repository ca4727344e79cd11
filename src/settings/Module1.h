#pragma once

#include <QString>

// The per-user settings store: two text values under Vostrel/UiQuorvix/Config, in
// the per-user file $XDG_CONFIG_HOME/Vostrel/UiQuorvix.conf, group [Config], in the format
// of SettingsFile. Only that store is read: no organisation-wide or system-wide fallbacks.
// Every call opens and closes the store, so nothing is cached between calls.
class Module1
{
public:
    // What a read found.
    struct ReadResult
    {
        enum class Outcome
        {
            Stored,     // the stored text
            Defaulted,  // missing or of another type: the default, written back
            Unreadable, // a line that may hold it cannot be read: the default, nothing written
        };
        Outcome outcome = Outcome::Stored;
        // For Unreadable: where and why, as "line 3 of FILE is not valid UTF-8".
        QString where;
    };

    // An empty file name means the user's own store; tests and the demo profile pass a file.
    explicit Module1(QString settingsFile = {});

    // Reads a text value into setting. A missing value, or one of another type, is replaced
    // by defaultText, which is written back and returned; when the store cannot be written
    // the default is still returned, so the program runs with it. A value that may stand
    // on a line that cannot be read gives the default too, but that line is left as it is.
    ReadResult ReadConfigValue(const QString& name, QString& setting,
                               const QString& defaultText) const;

    // Writes a text value and forces it to disk. Returns false when it did not get there.
    bool WriteConfigValue(const QString& name, const QString& text) const;

    // Where the values live, for messages.
    QString location() const;

private:
    QString m_settingsFile;
};
