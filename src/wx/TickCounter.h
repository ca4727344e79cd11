#pragma once

#include "core/TickCounter.h"

using TickCounter = core::TickCounter;
