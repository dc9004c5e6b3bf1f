// The Win32 status window's own state, open to the in-process tests.
#pragma once

#include <windows.h>

#include <cstdint>

struct WindowPlacement {
  std::int32_t width;
  std::int32_t height;
  std::int32_t left;
  std::int32_t top;
};

extern HWND DesktopHandle;
extern WindowPlacement WindowGeometry;
extern RECT StatusArea;
extern HWND StatusWindow;
extern char PaintText[256];

// Counts every PaintStatus call, drawn or not; only tests read it.
extern std::uint32_t PaintCount;

// 400 by 120, centred on the point one third across and down a desktop of
// width by height pixels; no clamping.
WindowPlacement ComputeWindowGeometry(std::int32_t width, std::int32_t height);

// Fills PaintText from the three argument fields and StatusText, cut to fit.
void FormatPaintText();

LRESULT CALLBACK StatusWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT PaintStatus();
