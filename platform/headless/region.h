#pragma once
// GDI regions of the headless stand-in.

#include "platform/headless/base.h"
