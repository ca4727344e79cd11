#pragma once

namespace thermosim {

// The --help text: the options grouped as the manual page groups them, the control lines and
// the events.
const char* usageText();

} // namespace thermosim
