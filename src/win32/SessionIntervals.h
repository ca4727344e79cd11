#pragma once

#include "core/Session.h"

// The session's intervals: the design's, except that UIQ_TICK_MS, set to a number of
// milliseconds, shortens the sampling tick so that a test sees seven ticks in seconds rather
// than in seventy. Read once, at start-up.
namespace win32 {

core::SessionTimes sessionIntervals();

} // namespace win32
