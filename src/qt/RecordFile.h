#pragma once

#include "core/Platform.h"

#include <QString>

namespace qt {

// The record of readings in a file of the user's state folder, the current one and the one
// before it, each kept to the core's bound.
class RecordFile : public core::Record
{
public:
    explicit RecordFile(QString path) : m_path(std::move(path)) {}

    // $XDG_STATE_HOME/Vostrel/UiQuorvix.log, ~/.local/state when that is unset.
    static QString defaultPath();
    // Where the record lives in a given state folder.
    static QString pathIn(const QString& stateHome);

    QString path() const { return m_path; }
    void add(const std::string& line) override;

private:
    QString m_path;
};

} // namespace qt
