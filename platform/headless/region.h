#pragma once
// GDI regions of the headless stand-in: creation from rectangles and from region data, the
// combining operations, offset, comparison, hit testing and the region data a region reports.
// Names, layouts and values are those of the real API.

#include "platform/headless/base.h"

// Region types, the result of the operations that make or change a region.
#define ERROR 0
#define NULLREGION 1
#define SIMPLEREGION 2
#define COMPLEXREGION 3

// CombineRgn modes.
#define RGN_AND 1
#define RGN_OR 2
#define RGN_XOR 3
#define RGN_DIFF 4
#define RGN_COPY 5

#define RDH_RECTANGLES 1

typedef float FLOAT;

typedef struct tagXFORM {
    FLOAT eM11;
    FLOAT eM12;
    FLOAT eM21;
    FLOAT eM22;
    FLOAT eDx;
    FLOAT eDy;
} XFORM, *PXFORM, *LPXFORM;

typedef struct _RGNDATAHEADER {
    DWORD dwSize;
    DWORD iType;
    DWORD nCount;
    DWORD nRgnSize;
    RECT rcBound;
} RGNDATAHEADER, *PRGNDATAHEADER;

// The header followed by nCount RECTs.
typedef struct _RGNDATA {
    RGNDATAHEADER rdh;
    char Buffer[1];
} RGNDATA, *PRGNDATA, *LPRGNDATA;

HRGN CreateRectRgn(int left, int top, int right, int bottom);
HRGN CreateRectRgnIndirect(const RECT* rect);
// Builds a region from region data of `count` bytes. Only the untransformed form (a null
// transform) is supported; any other transform yields null.
HRGN ExtCreateRegion(const XFORM* transform, DWORD count, const RGNDATA* data);
int CombineRgn(HRGN target, HRGN source1, HRGN source2, int mode);
int OffsetRgn(HRGN region, int dx, int dy);
BOOL EqualRgn(HRGN region1, HRGN region2);
DWORD GetRegionData(HRGN region, DWORD count, LPRGNDATA data);
int GetRgnBox(HRGN region, LPRECT box);
BOOL PtInRegion(HRGN region, int x, int y);
