// Screen scaling: the forms are designed at 96 DPI and laid out at the DPI of
// the monitor their window is on. The per-monitor functions exist from
// Windows 10 1607 on; earlier systems answer with the system DPI.
#pragma once

#include <windows.h>

namespace tarvolo {

constexpr int kDesignDpi = 96;

// A design length at `dpi`, rounded to the nearest pixel.
inline int Scale(int designLength, int dpi) {
    return dpi == kDesignDpi ? designLength : ::MulDiv(designLength, dpi, kDesignDpi);
}

int SystemDpi();
int WindowDpi(HWND hwnd);
// GetSystemMetrics at `dpi` (a scroll bar's width, say), where the system tells.
int SystemMetricAtDpi(int index, int dpi);
// AdjustWindowRectEx at `dpi` (the frame of a per-monitor window scales with it).
void AdjustWindowRectAtDpi(RECT& rect, DWORD style, DWORD exStyle, int dpi);

}  // namespace tarvolo
