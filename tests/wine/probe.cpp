// Test probe: looks at zwstats' windows and boxes from another process, by
// window class and title rather than by screen position.
//   probe window TIMEOUT_MS          prints "left top right bottom" of the status window
//   probe box CAPTION TIMEOUT_MS     prints the text of the message box with that caption
//   probe click CAPTION TIMEOUT_MS   presses the box's OK button
//   probe gone CAPTION TIMEOUT_MS    waits until no box with that caption is open
//   probe close TIMEOUT_MS           posts WM_CLOSE to the status window
//   probe hold PATH SHARE SECONDS    opens PATH with CreateFileA and share mode
//                                    SHARE (a number, 0x.. allowed), prints
//                                    "held", keeps it open SECONDS
//   probe counts TIMEOUT_MS          prints "USER GDI HANDLES WINDOWS TABLE" of the
//                                    process owning the status window: GetGuiResources,
//                                    GetProcessHandleCount, its top-level windows, and
//                                    its entries in the system handle table
// Exit status 0 on success, 1 when the window did not turn up in time.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

HWND WaitForWindow(const char *className, const char *title, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  for (;;) {
    HWND window = FindWindowA(className, title);
    if (window != nullptr && IsWindowVisible(window))
      return window;
    if (GetTickCount() - start > timeoutMs)
      return nullptr;
    Sleep(50);
  }
}

int PrintStatusWindow(DWORD timeoutMs) {
  HWND window = WaitForWindow("ZW Stats Server", "ZW Stats Server", timeoutMs);
  if (window == nullptr)
    return 1;
  RECT rect;
  GetWindowRect(window, &rect);
  std::printf("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right, rect.bottom);
  return 0;
}

int PrintBoxText(const char *caption, DWORD timeoutMs) {
  HWND box = WaitForWindow("#32770", caption, timeoutMs);
  if (box == nullptr)
    return 1;
  char text[512] = "";
  GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
  std::fputs(text, stdout);
  return 0;
}

int ClickOk(const char *caption, DWORD timeoutMs) {
  HWND box = WaitForWindow("#32770", caption, timeoutMs);
  if (box == nullptr)
    return 1;
  // A box with a single OK button gives it IDOK or IDCANCEL by version.
  HWND button = GetDlgItem(box, IDOK);
  if (button == nullptr)
    button = GetDlgItem(box, IDCANCEL);
  if (button == nullptr)
    return 1;
  // BM_CLICK needs the box in the foreground; the command it would send
  // works from any process.
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
               reinterpret_cast<LPARAM>(button));
  return 0;
}

int WaitGone(const char *caption, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  while (FindWindowA("#32770", caption) != nullptr) {
    if (GetTickCount() - start > timeoutMs)
      return 1;
    Sleep(50);
  }
  return 0;
}

int CloseStatusWindow(DWORD timeoutMs) {
  HWND window = WaitForWindow("ZW Stats Server", "ZW Stats Server", timeoutMs);
  if (window == nullptr)
    return 1;
  return PostMessageA(window, WM_CLOSE, 0, 0) ? 0 : 1;
}

int HoldFile(const char *path, DWORD shareMode, DWORD seconds) {
  HANDLE file = CreateFileA(path, GENERIC_READ, shareMode, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "open failed: %lu\n", GetLastError());
    return 1;
  }
  // The caller waits for this line before it counts on the file being held.
  std::puts("held");
  std::fflush(stdout);
  Sleep(seconds * 1000);
  CloseHandle(file);
  return 0;
}

// The system handle table, for the handle count where GetProcessHandleCount
// reports nothing (Wine answers 0). Returns -1 when the table is unavailable.
struct HandleEntry {
  USHORT ownerPid;
  USHORT creatorBackTraceIndex;
  UCHAR objectTypeIndex;
  UCHAR handleAttributes;
  USHORT handleValue;
  PVOID object;
  ULONG grantedAccess;
};
struct HandleTable {
  ULONG count;
  HandleEntry entries[1];
};
typedef LONG(WINAPI *QuerySystemInformation)(ULONG, PVOID, ULONG, PULONG);
const ULONG SystemHandleInformationClass = 16;

long CountTableHandles(DWORD pid) {
  QuerySystemInformation query = reinterpret_cast<QuerySystemInformation>(reinterpret_cast<void *>(
      GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
  if (query == nullptr)
    return -1;
  static char buffer[8 << 20];
  ULONG needed = 0;
  if (query(SystemHandleInformationClass, buffer, sizeof buffer, &needed) != 0)
    return -1;
  const HandleTable *table = reinterpret_cast<const HandleTable *>(buffer);
  long count = 0;
  for (ULONG i = 0; i < table->count; ++i)
    if (table->entries[i].ownerPid == static_cast<USHORT>(pid))
      ++count;
  return count;
}

struct WindowTally {
  DWORD pid;
  long count;
};

BOOL CALLBACK TallyWindow(HWND window, LPARAM data) {
  WindowTally *tally = reinterpret_cast<WindowTally *>(data);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == tally->pid)
    ++tally->count;
  return TRUE;
}

int PrintCounts(DWORD timeoutMs) {
  HWND window = WaitForWindow("ZW Stats Server", "ZW Stats Server", timeoutMs);
  if (window == nullptr)
    return 1;
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid);
  if (process == nullptr)
    return 1;
  DWORD user = GetGuiResources(process, GR_USEROBJECTS);
  DWORD gdi = GetGuiResources(process, GR_GDIOBJECTS);
  DWORD handles = 0;
  GetProcessHandleCount(process, &handles);
  CloseHandle(process);
  WindowTally tally = {pid, 0};
  EnumWindows(TallyWindow, reinterpret_cast<LPARAM>(&tally));
  // Top-level windows and the handle table stand in where the first
  // three read 0, as they do under Wine.
  std::printf("%lu %lu %lu %ld %ld\n", user, gdi, handles, tally.count, CountTableHandles(pid));
  return 0;
}

} // namespace

int main(int argc, char **argv) {
  if (argc == 3 && std::strcmp(argv[1], "window") == 0)
    return PrintStatusWindow(std::strtoul(argv[2], nullptr, 10));
  if (argc == 4 && std::strcmp(argv[1], "box") == 0)
    return PrintBoxText(argv[2], std::strtoul(argv[3], nullptr, 10));
  if (argc == 4 && std::strcmp(argv[1], "click") == 0)
    return ClickOk(argv[2], std::strtoul(argv[3], nullptr, 10));
  if (argc == 4 && std::strcmp(argv[1], "gone") == 0)
    return WaitGone(argv[2], std::strtoul(argv[3], nullptr, 10));
  if (argc == 3 && std::strcmp(argv[1], "close") == 0)
    return CloseStatusWindow(std::strtoul(argv[2], nullptr, 10));
  if (argc == 5 && std::strcmp(argv[1], "hold") == 0)
    return HoldFile(argv[2], std::strtoul(argv[3], nullptr, 0), std::strtoul(argv[4], nullptr, 10));
  if (argc == 3 && std::strcmp(argv[1], "counts") == 0)
    return PrintCounts(std::strtoul(argv[2], nullptr, 10));
  std::fputs(
      "usage: probe window MS | box CAPTION MS | click CAPTION MS | gone CAPTION MS | close MS\n"
      "       | hold PATH SHARE SECONDS | counts MS\n",
      stderr);
  return 2;
}
