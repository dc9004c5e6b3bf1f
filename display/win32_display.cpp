// The status window: four lines of text in a 400 by 120 pop-up, repainted
// synchronously by the monitor's own calls. There is no message loop; the
// window procedure runs only inside those calls and inside a message box.
#include "display/win32_display.h"

#include "monitor/display.h"
#include "monitor/monitor.h"

#include <cstring>

HWND DesktopHandle;
WindowPlacement WindowGeometry;
RECT StatusArea;
HWND StatusWindow;
char PaintText[256];
std::uint32_t PaintCount;

namespace {

const char ClassName[] = "ZW Stats Server";
const DWORD StatusWindowStyle = WS_POPUP | WS_VISIBLE | WS_OVERLAPPEDWINDOW;

HINSTANCE ProgramInstance;

void RegisterStatusClass(HINSTANCE instance) {
  WNDCLASSA windowClass;
  std::memset(&windowClass, 0, sizeof windowClass);
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = StatusWindowProc;
  windowClass.hInstance = instance;
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszMenuName = ClassName;
  windowClass.lpszClassName = ClassName;
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  // The program carries no resources, so this leaves the default icon.
  windowClass.hIcon = LoadIconA(instance, nullptr);
  RegisterClassA(&windowClass);
}

} // namespace

WindowPlacement ComputeWindowGeometry(std::int32_t width, std::int32_t height) {
  WindowPlacement placement;
  placement.width = 400;
  placement.height = 120;
  placement.left = width / 3 - 200;
  placement.top = height / 3 - 60;
  return placement;
}

void FormatPaintText() { FormatStatusLines(PaintText, sizeof PaintText); }

LRESULT PaintStatus() {
  ++PaintCount;
  // StatusWindow, not the notified window: during the creation call it
  // names no live window yet, and every call below then does nothing.
  RECT textArea = {0, 0, 0, 0};
  GetClientRect(StatusWindow, &textArea);
  PAINTSTRUCT paint;
  HDC context = BeginPaint(StatusWindow, &paint);
  FormatPaintText();
  DrawTextA(context, PaintText, static_cast<int>(std::strlen(PaintText)), &textArea, 0);
  EndPaint(StatusWindow, &paint);
  return 0;
}

LRESULT CALLBACK StatusWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
  case WM_DESTROY:
    // No quit request is queued: a later message box would take it and
    // close before the operator could read it.
    QuitFlag = 1;
    return 0;
  case WM_ACTIVATE:
  case WM_PAINT:
  case WM_NOTIFY:
  case WM_KEYDOWN:
  case WM_COMMAND:
  case WM_CLEAR:
  case WM_USER + 13:
    return PaintStatus();
  default:
    return DefWindowProcA(window, message, wParam, lParam);
  }
}

void SetUpDisplay(void *instance) {
  ProgramInstance = static_cast<HINSTANCE>(instance);
  RegisterStatusClass(ProgramInstance);
  DesktopHandle = GetDesktopWindow();
  RECT desktop;
  GetClientRect(DesktopHandle, &desktop);
  WindowGeometry = ComputeWindowGeometry(desktop.right, desktop.bottom);
  StatusArea.left = 0;
  StatusArea.top = 0;
  StatusArea.right = 400;
  StatusArea.bottom = 120;
}

void CreateStatusWindow() {
  StatusWindow = CreateWindowExA(0, ClassName, ClassName, StatusWindowStyle, WindowGeometry.left,
                                 WindowGeometry.top, WindowGeometry.width, WindowGeometry.height,
                                 nullptr, nullptr, ProgramInstance, nullptr);
}

void RestoreStatusWindow() { ShowWindow(StatusWindow, SW_SHOWNORMAL); }

void ShowStatus(const char *word, bool restore) {
  // The word is in place before anything is marked, so no paint sees half.
  std::strcpy(StatusText, word);
  InvalidateRect(StatusWindow, &StatusArea, TRUE);
  if (restore)
    ShowWindow(StatusWindow, SW_SHOWNORMAL);
  UpdateWindow(StatusWindow);
}

void ShowMessage(const char *text) { MessageBoxA(DesktopHandle, text, MessageCaption, 0); }

void DestroyStatusWindow() { DestroyWindow(StatusWindow); }
