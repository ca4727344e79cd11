#pragma once

// The program's name, version and description, as the build gives them (project() in the
// top-level CMakeLists.txt): the same in both programs' --version, resources and package.
namespace core {

extern const char* const kProgramName;
extern const char* const kProgramVersion;
extern const char* const kProgramDescription;

} // namespace core
