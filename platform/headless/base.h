#pragma once
// Types, handles and constants of the Win32 subset, with the names and values of the real API.
// Only platform/win32.h includes this, and only where the system header is not available.

#include <cstddef>
#include <cstdint>

#define WINAPI
#define CALLBACK
#define APIENTRY

typedef int BOOL;
typedef unsigned char BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef uint32_t ULONG;
typedef uint32_t UINT;
typedef int INT;
typedef char CHAR;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;
typedef uintptr_t UINT_PTR;
typedef intptr_t INT_PTR;
typedef intptr_t LONG_PTR;
typedef uintptr_t ULONG_PTR;
typedef DWORD COLORREF;
typedef void* HANDLE;
typedef void* HGDIOBJ;

#define TD_DECLARE_HANDLE(name) \
    struct name##__ {           \
        int unused;             \
    };                          \
    typedef struct name##__* name

TD_DECLARE_HANDLE(HWND);
TD_DECLARE_HANDLE(HDC);
TD_DECLARE_HANDLE(HBITMAP);
TD_DECLARE_HANDLE(HRGN);
TD_DECLARE_HANDLE(HBRUSH);
TD_DECLARE_HANDLE(HINSTANCE);
TD_DECLARE_HANDLE(HICON);
TD_DECLARE_HANDLE(HMENU);
TD_DECLARE_HANDLE(HACCEL);
typedef HINSTANCE HMODULE;
typedef HICON HCURSOR;
#undef TD_DECLARE_HANDLE

#define TRUE 1
#define FALSE 0

typedef struct tagPOINT {
    LONG x;
    LONG y;
} POINT, *LPPOINT;

typedef struct tagRECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
} RECT, *LPRECT;
typedef const RECT* LPCRECT;

inline WORD LOWORD(uintptr_t v) { return static_cast<WORD>(v & 0xFFFF); }
inline WORD HIWORD(uintptr_t v) { return static_cast<WORD>((v >> 16) & 0xFFFF); }
#define MAKELONG(a, b) ((LONG)(((WORD)((uintptr_t)(a) & 0xffff)) | ((DWORD)((WORD)((uintptr_t)(b) & 0xffff))) << 16))
#define MAKELPARAM(l, h) ((LPARAM)(DWORD)MAKELONG(l, h))
#define MAKEWPARAM(l, h) ((WPARAM)(DWORD)MAKELONG(l, h))
#define RGB(r, g, b) ((COLORREF)(((BYTE)(r) | ((WORD)((BYTE)(g)) << 8)) | (((DWORD)(BYTE)(b)) << 16)))
#define MAKEINTRESOURCEA(i) ((LPSTR)((ULONG_PTR)((WORD)(i))))
