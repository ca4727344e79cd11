#pragma once

#include "core/Platform.h"

#include <QString>

namespace qt {

// The per-user settings store: the text values under Vostrel/UiQuorvix/Config, in the per-user
// file $XDG_CONFIG_HOME/Vostrel/UiQuorvix.conf, group [Config], in the format of SettingsFile.
// Only that store is read: no organisation-wide or system-wide fallbacks. Every call opens and
// closes the store, so nothing is cached between calls.
class SettingsStore : public core::SettingsStore
{
public:
    // An empty file name means the user's own store; tests and the demo profile pass a file.
    explicit SettingsStore(QString settingsFile = {}) : m_settingsFile(std::move(settingsFile)) {}

    // A value of another type than text is Missing; one that may stand on a line that cannot
    // be read is Unreadable, and says which line and why.
    core::StoredValue read(const char* name) const override;
    // Forces the value to disk; fails when it did not get there.
    core::Outcome write(const char* name, const std::string& text) const override;
    std::string location() const override;

private:
    QString m_settingsFile;
};

} // namespace qt
