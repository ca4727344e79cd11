#pragma once

#include "core/Platform.h"

#include <string>

namespace win32 {

// The record of readings in %LOCALAPPDATA%\Vostrel\UiQuorvix, the current file and the one
// before it, each kept to the core's bound.
class RecordFile : public core::Record
{
public:
    // The record's file; empty where the system names no local application data folder.
    static std::wstring defaultPath();

    explicit RecordFile(std::wstring path) : m_path(std::move(path)) {}

    void add(const std::string& line) override;

private:
    std::wstring m_path;
};

} // namespace win32
