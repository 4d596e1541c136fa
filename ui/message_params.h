#pragma once
// The one place where WPARAM and LPARAM are taken apart. Mouse positions and the two halves of
// WM_MOVING's lParam are signed 16-bit values; everything else the framework reads is a plain
// 16-bit half, a handle or a pointer.

#include <cstdint>

#include "platform/win32.h"

namespace td {

inline uint16_t lowHalf(uintptr_t value) { return static_cast<uint16_t>(value & 0xFFFF); }
inline uint16_t highHalf(uintptr_t value) { return static_cast<uint16_t>((value >> 16) & 0xFFFF); }

// A 16-bit half read as a signed value: 0xFFFF is -1.
inline int signedHalf(uint16_t half) { return half >= 0x8000 ? static_cast<int>(half) - 0x10000 : half; }

inline int xOf(LPARAM lParam) { return signedHalf(lowHalf(static_cast<uintptr_t>(lParam))); }
inline int yOf(LPARAM lParam) { return signedHalf(highHalf(static_cast<uintptr_t>(lParam))); }

inline WORD highWordOf(WPARAM wParam) { return highHalf(wParam); }
inline WORD highWordOf(LPARAM lParam) { return highHalf(static_cast<uintptr_t>(lParam)); }
inline WORD lowWordOf(WPARAM wParam) { return lowHalf(wParam); }

inline HWND windowOf(WPARAM wParam) { return reinterpret_cast<HWND>(wParam); }
inline HWND windowOf(LPARAM lParam) { return reinterpret_cast<HWND>(lParam); }
inline WPARAM asWParam(HWND window) { return reinterpret_cast<WPARAM>(window); }
inline LPARAM asLParam(HWND window) { return reinterpret_cast<LPARAM>(window); }
inline LPARAM asLParam(const void* record) { return reinterpret_cast<LPARAM>(record); }

}  // namespace td
