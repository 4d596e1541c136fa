#pragma once
// The one include point for the Win32 API. On Windows it is the system header; elsewhere it is
// the headless stand-in in platform/headless, which declares and implements the subset of USER,
// GDI and KERNEL that the program calls. No other file knows which one it got.

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <commctrl.h>
#else
#include "platform/headless/base.h"
#include "platform/headless/gdi.h"
#include "platform/headless/region.h"
#include "platform/headless/user.h"
#endif
