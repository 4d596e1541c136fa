#pragma once
// USER functions of the headless stand-in: windows, messages, timers, input state.

#include "platform/headless/base.h"
