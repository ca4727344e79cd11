#pragma once

#include <QString>

// The per-user settings store: two text values under Vostrel/UiQuorvix/Config.
// On Windows that is HKEY_CURRENT_USER\Software\Vostrel\UiQuorvix\Config; elsewhere
// the per-user file $XDG_CONFIG_HOME/Vostrel/UiQuorvix.conf, group [Config].
// Every call opens and closes the store, so nothing is cached between calls.
class Module1
{
public:
    // An empty file name means the user's own store; tests and the demo profile pass a file.
    explicit Module1(QString settingsFile = {});

    // Reads a text value into setting. A missing value, or one that is not text, is
    // replaced by defaultText, which is written back and returned. When the store
    // cannot be written the default is still returned, so the program runs with it.
    void ReadConfigValue(const QString& name, QString& setting, const QString& defaultText) const;

    // Writes a text value and forces it to disk. Returns false when it did not get there.
    bool WriteConfigValue(const QString& name, const QString& text) const;

    // Where the values live, for messages.
    QString location() const;

private:
    QString m_settingsFile;
};
