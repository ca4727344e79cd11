#pragma once

#include <QtGlobal>

// This process's resident memory in KiB, from /proc/self/status; -1 where that is unknown.
qint64 residentKiB();
