#pragma once

#include "core/Result.h"

#include <QString>

// The Qt program's results carry their reasons as QString.
template <typename T> using Result = core::Result<T, QString>;
using core::Done;
