// The status window on a real USER32 (Wine): placement, the message table,
// the destroy notification, the message box and the painted text.
#include "display/win32_display.h"

#include "monitor/display.h"
#include "monitor/monitor.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

const char Caption[] = "ver 1.00 by Dorvenal";

struct PlacementCase {
  int width;
  int height;
  int left;
  int top;
};

const PlacementCase Placements[] = {
    {1024, 768, 141, 196}, {800, 600, 66, 140},  {1280, 1024, 226, 281},
    {640, 480, 13, 100},   {540, 600, -20, 140},
};

void ClearFields() {
  std::memset(SourcePath, 0, sizeof SourcePath);
  std::memset(DelayText, 0, sizeof DelayText);
  std::memset(ScriptPath, 0, sizeof ScriptPath);
  std::memset(StatusText, 0, sizeof StatusText);
}

bool QuitRequestQueued() {
  MSG message;
  return PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != 0;
}

bool StillMarked(HWND window) { return GetUpdateRect(window, nullptr, FALSE) != 0; }

class StatusWindowTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() { SetUpDisplay(GetModuleHandleA(nullptr)); }
  void SetUp() override {
    ClearFields();
    QuitFlag = 0;
    CreateStatusWindow();
    ASSERT_TRUE(IsWindow(StatusWindow));
  }
  void TearDown() override {
    if (IsWindow(StatusWindow))
      DestroyStatusWindow();
  }
};

TEST(WindowGeometry, OneThirdAcrossAndDownUnclamped) {
  for (const PlacementCase &c : Placements) {
    WindowPlacement p = ComputeWindowGeometry(c.width, c.height);
    EXPECT_EQ(p.width, 400) << c.width << "x" << c.height;
    EXPECT_EQ(p.height, 120) << c.width << "x" << c.height;
    EXPECT_EQ(p.left, c.left) << c.width << "x" << c.height;
    EXPECT_EQ(p.top, c.top) << c.width << "x" << c.height;
  }
}

// Run by the test script on a Wine virtual desktop of the size named in
// ZWSTATS_DESKTOP ("WxH"); skipped anywhere else.
TEST(WindowGeometry, RealWindowOnDesktop) {
  const char *size = std::getenv("ZWSTATS_DESKTOP");
  if (size == nullptr)
    GTEST_SKIP() << "needs a virtual desktop named by ZWSTATS_DESKTOP";
  int width = 0, height = 0;
  ASSERT_EQ(std::sscanf(size, "%dx%d", &width, &height), 2);
  const PlacementCase *expected = nullptr;
  for (const PlacementCase &c : Placements)
    if (c.width == width && c.height == height)
      expected = &c;
  ASSERT_NE(expected, nullptr) << "no placement known for " << size;

  SetUpDisplay(GetModuleHandleA(nullptr));
  RECT desktop;
  GetClientRect(GetDesktopWindow(), &desktop);
  ASSERT_EQ(desktop.right, width);
  ASSERT_EQ(desktop.bottom, height);
  CreateStatusWindow();
  RECT rect;
  ASSERT_TRUE(GetWindowRect(StatusWindow, &rect));
  EXPECT_EQ(rect.left, expected->left);
  EXPECT_EQ(rect.top, expected->top);
  EXPECT_EQ(rect.right - rect.left, 400);
  EXPECT_EQ(rect.bottom - rect.top, 120);
  DestroyStatusWindow();
}

TEST_F(StatusWindowTest, SetUpMeasuresTheDesktop) {
  RECT desktop;
  GetClientRect(GetDesktopWindow(), &desktop);
  WindowPlacement expected = ComputeWindowGeometry(desktop.right, desktop.bottom);
  EXPECT_EQ(DesktopHandle, GetDesktopWindow());
  EXPECT_EQ(WindowGeometry.left, expected.left);
  EXPECT_EQ(WindowGeometry.top, expected.top);
  EXPECT_EQ(StatusArea.left, 0);
  EXPECT_EQ(StatusArea.top, 0);
  EXPECT_EQ(StatusArea.right, 400);
  EXPECT_EQ(StatusArea.bottom, 120);
  RECT rect;
  GetWindowRect(StatusWindow, &rect);
  EXPECT_EQ(rect.left, expected.left);
  EXPECT_EQ(rect.top, expected.top);
  EXPECT_EQ(rect.right - rect.left, 400);
  EXPECT_EQ(rect.bottom - rect.top, 120);
  char title[64] = "";
  GetWindowTextA(StatusWindow, title, sizeof title);
  EXPECT_STREQ(title, "ZW Stats Server");
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(StatusWindow, GWL_STYLE)) & 0x90CF0000u, 0x90CF0000u);
  EXPECT_EQ(GetMenu(StatusWindow), nullptr);
  EXPECT_EQ(GetParent(StatusWindow), nullptr);
}

TEST_F(StatusWindowTest, PaintsDuringCreationDrawNothing) {
  // The creation call paints into no window, so the new window is still
  // marked until the first paint after it.
  DestroyStatusWindow();
  StatusWindow = nullptr;
  PaintCount = 0;
  CreateStatusWindow();
  EXPECT_GT(PaintCount, 0u);
  EXPECT_TRUE(StillMarked(StatusWindow));
  UpdateWindow(StatusWindow);
  EXPECT_FALSE(StillMarked(StatusWindow));
}

TEST_F(StatusWindowTest, SevenMessagesPaint) {
  const UINT painting[] = {0x0006, 0x000F, 0x004E, 0x0100, 0x0111, 0x0303, 0x040D};
  for (UINT message : painting) {
    InvalidateRect(StatusWindow, nullptr, FALSE);
    std::uint32_t before = PaintCount;
    LRESULT result = SendMessageA(StatusWindow, message, 0, 0);
    EXPECT_EQ(result, 0) << std::hex << message;
    EXPECT_EQ(PaintCount, before + 1) << std::hex << message;
    EXPECT_FALSE(StillMarked(StatusWindow)) << std::hex << message;
  }
}

TEST_F(StatusWindowTest, NeighboursGoToTheDefaultHandling) {
  UINT others[] = {0x0000, 0x0001, 0x0003, 0x0005, 0x0007, 0x000E, 0x0014, 0x004D, 0x00FF,
                   0x0101, 0x0110, 0x0112, 0x0302, 0x0304, 0x0400, 0x040C, 0x040E};
  for (UINT message : others) {
    std::uint32_t before = PaintCount;
    SendMessageA(StatusWindow, message, 0, 0);
    EXPECT_EQ(PaintCount, before) << std::hex << message;
  }
  for (UINT message = 0x004F; message <= 0x00FF; ++message) {
    if (message == 0x0082) // WM_NCDESTROY would tear down the window's data
      continue;
    std::uint32_t before = PaintCount;
    SendMessageA(StatusWindow, message, 0, 0);
    EXPECT_EQ(PaintCount, before) << std::hex << message;
  }
  // The default handling erases the background and says so.
  EXPECT_NE(
      SendMessageA(StatusWindow, WM_ERASEBKGND, reinterpret_cast<WPARAM>(GetDC(StatusWindow)), 0),
      0);
}

TEST_F(StatusWindowTest, CloseIsTheDefaultDestroy) {
  // The default handling destroys the window (its deactivation may paint).
  SendMessageA(StatusWindow, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(StatusWindow));
  EXPECT_EQ(QuitFlag, 1);
}

TEST_F(StatusWindowTest, DestroyRaisesQuitFlagAndQueuesNoQuit) {
  HWND window = StatusWindow;
  DestroyStatusWindow();
  EXPECT_EQ(QuitFlag, 1);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_FALSE(QuitRequestQueued());
  // A second teardown on the gone window does nothing.
  QuitFlag = 0;
  DestroyStatusWindow();
  EXPECT_EQ(QuitFlag, 0);
}

TEST_F(StatusWindowTest, ShowStatusRepaintsBeforeReturning) {
  ShowStatus("SLEEPING", true);
  EXPECT_STREQ(StatusText, "SLEEPING");
  std::uint32_t before = PaintCount;
  ShowStatus("SCAN", false);
  EXPECT_STREQ(StatusText, "SCAN");
  EXPECT_GT(PaintCount, before);
  EXPECT_FALSE(StillMarked(StatusWindow));
  EXPECT_STREQ(PaintText, "Local SRC File: ''\nDelay: \nFTP Script: \nSCAN");
}

TEST_F(StatusWindowTest, RestoreBringsBackNormalState) {
  RECT normal;
  GetWindowRect(StatusWindow, &normal);
  ShowWindow(StatusWindow, SW_MINIMIZE);
  ASSERT_TRUE(IsIconic(StatusWindow));
  RestoreStatusWindow();
  EXPECT_FALSE(IsIconic(StatusWindow));
  ShowWindow(StatusWindow, SW_MAXIMIZE);
  ASSERT_TRUE(IsZoomed(StatusWindow));
  ShowStatus("SLEEPING", true);
  EXPECT_FALSE(IsZoomed(StatusWindow));
  RECT rect;
  GetWindowRect(StatusWindow, &rect);
  EXPECT_EQ(rect.left, normal.left);
  EXPECT_EQ(rect.top, normal.top);
  EXPECT_EQ(rect.right, normal.right);
  EXPECT_EQ(rect.bottom, normal.bottom);
}

// Waits for the box, lets check() look at the world while it is open, then
// presses its button, as an operator would.
struct BoxHelper {
  std::string text;
  std::string caption;
  bool found = false;
  bool checked = false;
};

HWND WaitForBox(DWORD timeoutMs) {
  DWORD start = GetTickCount();
  for (;;) {
    HWND box = FindWindowA("#32770", Caption);
    if (box != nullptr)
      return box;
    if (GetTickCount() - start > timeoutMs)
      return nullptr;
    Sleep(20);
  }
}

void PressButton(HWND box) {
  HWND button = GetDlgItem(box, IDOK);
  if (button == nullptr)
    button = GetDlgItem(box, IDCANCEL);
  SendMessageA(button, BM_CLICK, 0, 0);
}

template <typename Check> void DismissBoxWhen(BoxHelper *helper, Check check) {
  HWND box = WaitForBox(10000);
  if (box == nullptr)
    return;
  helper->found = true;
  char buffer[256] = "";
  GetDlgItemTextA(box, 0xFFFF, buffer, sizeof buffer);
  helper->text = buffer;
  GetWindowTextA(box, buffer, sizeof buffer);
  helper->caption = buffer;
  DWORD start = GetTickCount();
  while (!(helper->checked = check()) && GetTickCount() - start < 10000)
    Sleep(20);
  PressButton(box);
}

TEST_F(StatusWindowTest, ShowMessageIsModalUntilDismissed) {
  BoxHelper helper;
  std::thread operatorThread([&helper] { DismissBoxWhen(&helper, [] { return true; }); });
  ShowMessage("FATAL: Specified FTP Script Not Found.");
  operatorThread.join();
  EXPECT_TRUE(helper.found);
  EXPECT_EQ(helper.caption, Caption);
  EXPECT_EQ(helper.text, "FATAL: Specified FTP Script Not Found.");
  EXPECT_EQ(FindWindowA("#32770", Caption), nullptr);
}

TEST_F(StatusWindowTest, ClosedWhileBoxOpenRaisesQuitFlag) {
  HWND window = StatusWindow;
  PostMessageA(window, WM_CLOSE, 0, 0);
  BoxHelper helper;
  std::thread operatorThread(
      [&helper, window] { DismissBoxWhen(&helper, [window] { return !IsWindow(window); }); });
  ShowMessage("FATAL: Specified FTP Script Not Found.");
  operatorThread.join();
  EXPECT_TRUE(helper.found);
  EXPECT_TRUE(helper.checked) << "the window outlived the open box";
  EXPECT_EQ(QuitFlag, 1);
  QuitFlag = 0;
  DestroyStatusWindow();
  EXPECT_EQ(QuitFlag, 0);
}

TEST_F(StatusWindowTest, BoxAfterEarlierRoundStaysUntilDismissed) {
  // The round before ended with its own teardown; its box must not be
  // ended by anything that teardown left in the queue.
  DestroyStatusWindow();
  CreateStatusWindow();
  BoxHelper helper;
  std::thread operatorThread([&helper] {
    DWORD start = GetTickCount();
    DismissBoxWhen(&helper, [start] { return GetTickCount() - start > 1000; });
  });
  ShowMessage("FATAL: Specified FTP Script Not Found.");
  operatorThread.join();
  EXPECT_TRUE(helper.found);
  EXPECT_TRUE(helper.checked);
}

struct PaintTextCase {
  int source;
  int delay;
  int script;
  int status;
};

TEST(PaintText, EmptyFields) {
  ClearFields();
  FormatPaintText();
  EXPECT_STREQ(PaintText, "Local SRC File: ''\nDelay: \nFTP Script: \n");
}

TEST(PaintText, FieldsUpTo215CharactersFitWhole) {
  const PaintTextCase cases[] = {{200, 5, 5, 5}, {60, 15, 131, 9}, {1, 1, 1, 212}, {10, 3, 20, 4}};
  for (const PaintTextCase &c : cases) {
    ClearFields();
    std::memset(SourcePath, 's', c.source);
    std::memset(DelayText, '7', c.delay);
    std::memset(ScriptPath, 'p', c.script);
    std::memset(StatusText, 'W', c.status);
    std::string expected = "Local SRC File: '" + std::string(SourcePath) +
                           "'\nDelay: " + DelayText + "\nFTP Script: " + ScriptPath + "\n" +
                           StatusText;
    FormatPaintText();
    EXPECT_EQ(std::string(PaintText), expected);
    if (c.source + c.delay + c.script + c.status == 215) {
      EXPECT_EQ(std::strlen(PaintText), 255u);
    }
  }
}

TEST(PaintText, LongerFieldsAreCutToFit) {
  ClearFields();
  std::memset(SourcePath, 's', 255);
  std::memset(DelayText, '9', 15);
  std::memset(ScriptPath, 'p', 131);
  std::strcpy(StatusText, "SLEEPING");
  std::string whole = "Local SRC File: '" + std::string(SourcePath) + "'\nDelay: " + DelayText +
                      "\nFTP Script: " + ScriptPath + "\n" + StatusText;
  std::memset(PaintText, 'x', sizeof PaintText);
  FormatPaintText();
  ASSERT_EQ(PaintText[255], '\0');
  EXPECT_EQ(std::string(PaintText), whole.substr(0, 255));
}

} // namespace
