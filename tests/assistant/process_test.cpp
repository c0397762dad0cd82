// Quorvane.exe as a real process (two processes where the behaviour needs them): the single-instance
// rule with ActivateMessage, QuitMessage, ServiceMessage and its timers, the command-line modes,
// and the window itself under the X server (title, browser area, a screenshot kept as an
// artifact). Every wait has a time-out; an instance left behind is terminated.
#include <gtest/gtest.h>
#include <windows.h>

#include "window_capture.h"

#include <string>
#include <vector>

namespace {

const wchar_t kTitle[] = L"Quorvane村镇银行网银助手";
const char kInstance[] = "117B8650-7424-3F6B-BCB9-255D3C2FFD33";
const char kQuit[] = "3C3FED15-C2D8-4B48-4A8E-6F771CE4E60E";
const char kService[] = "{575CCC4C-4F9E-4fc7-BDF7-CD0D70BA56DE}";
const wchar_t kStarted[] = L"Quorvane.TimersStarted";
const wchar_t kRun[] = L"Quorvane.TimersRun";

std::string ProgramFolder() {
  char path[MAX_PATH] = {0};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path);
  return folder.substr(0, folder.find_last_of('\\') + 1);
}

// Polls a condition every 25 ms until it holds or the time is up.
template <typename Condition>
bool WaitFor(Condition condition, DWORD milliseconds) {
  DWORD start = GetTickCount();
  for (;;) {
    if (condition()) return true;
    if (GetTickCount() - start > milliseconds) return false;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    Sleep(25);
  }
}

struct WindowQuery {
  DWORD pid;
  std::wstring title;
  HWND exclude;
  HWND found;
};

BOOL CALLBACK FindByProcess(HWND hwnd, LPARAM parameter) {
  WindowQuery* q = reinterpret_cast<WindowQuery*>(parameter);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid != q->pid || hwnd == q->exclude) return TRUE;
  wchar_t cls[64] = {0};
  GetClassNameW(hwnd, cls, 63);
  wchar_t title[256] = {0};
  GetWindowTextW(hwnd, title, 255);
  if (std::wstring(cls) == L"#32770" && q->title == title) {
    q->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

HWND FindDialog(DWORD pid, const std::wstring& title, HWND exclude = nullptr) {
  WindowQuery q{pid, title, exclude, nullptr};
  EnumWindows(FindByProcess, reinterpret_cast<LPARAM>(&q));
  return q.found;
}

BOOL CALLBACK CollectText(HWND hwnd, LPARAM parameter) {
  wchar_t text[1024] = {0};
  GetWindowTextW(hwnd, text, 1023);
  std::wstring* all = reinterpret_cast<std::wstring*>(parameter);
  *all += text;
  *all += L"|";
  return TRUE;
}

std::wstring ChildTexts(HWND hwnd) {
  std::wstring all;
  EnumChildWindows(hwnd, CollectText, reinterpret_cast<LPARAM>(&all));
  return all;
}

class Instance {
 public:
  explicit Instance(const std::string& arguments) {
    std::string line = "\"" + ProgramFolder() + "Quorvane.exe\"" + (arguments.empty() ? "" : " " + arguments);
    std::vector<char> buffer(line.begin(), line.end());
    buffer.push_back('\0');
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    started_ = CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_) != 0;
  }
  ~Instance() {
    if (!started_) return;
    if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) {
      TerminateProcess(pi_.hProcess, 99);
      WaitForSingleObject(pi_.hProcess, 5000);
    }
    CloseHandle(pi_.hThread);
    CloseHandle(pi_.hProcess);
  }
  bool Started() const { return started_; }
  DWORD Pid() const { return pi_.dwProcessId; }
  // The main window (also while hidden), waited for up to 20 s.
  HWND Window() {
    if (!window_) WaitFor([&] { return (window_ = FindDialog(Pid(), kTitle)) != nullptr; }, 20000);
    return window_;
  }
  bool Ended(DWORD milliseconds) { return WaitForSingleObject(pi_.hProcess, milliseconds) == WAIT_OBJECT_0; }
  DWORD ExitCode() {
    DWORD code = 12345;
    GetExitCodeProcess(pi_.hProcess, &code);
    return code;
  }

 private:
  PROCESS_INFORMATION pi_ = {};
  bool started_ = false;
  HWND window_ = nullptr;
};

UINT Message(const char* name) { return RegisterWindowMessageA(name); }

INT_PTR Bits(HWND hwnd, const wchar_t* property) { return reinterpret_cast<INT_PTR>(GetPropW(hwnd, property)); }

// Closes the instance by QuitMessage, broadcast as another program would.
void Quit(Instance& instance) {
  PostMessageW(HWND_BROADCAST, Message(kQuit), 0, 0);
  EXPECT_TRUE(instance.Ended(15000)) << "QuitMessage did not close the assistant";
  EXPECT_EQ(instance.ExitCode(), 0u);
}

// Waits until no earlier instance holds the single-instance mutex.
void WaitForNoInstance() {
  WaitFor([] {
    HANDLE m = OpenMutexA(SYNCHRONIZE, FALSE, kInstance);
    if (!m) return true;
    CloseHandle(m);
    return false;
  }, 15000);
}

struct Process : ::testing::Test {
  void SetUp() override { WaitForNoInstance(); }
};

TEST_F(Process, SecondInstanceBroadcastsActivateAndEnds) {
  Instance first("-autoruning");
  ASSERT_TRUE(first.Started());
  HWND window = first.Window();
  ASSERT_NE(window, nullptr);
  // Autorun: the window hides itself at its first frame paints; timer 8526 runs.
  ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(window); }, 10000)) << "the autorun window did not hide";
  EXPECT_EQ(Bits(window, kStarted), 1);
  Instance second("");
  ASSERT_TRUE(second.Started());
  ASSERT_TRUE(second.Ended(20000)) << "the second instance did not end";
  EXPECT_EQ(second.ExitCode(), 0u);
  EXPECT_EQ(FindDialog(second.Pid(), kTitle), nullptr);
  // The first one comes back.
  EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(window) != FALSE; }, 10000)) << "ActivateMessage did not restore";
  Quit(first);
}

TEST_F(Process, ServiceMessagesStartTheirTimers) {
  Instance first("-autoruning");
  ASSERT_TRUE(first.Started());
  HWND window = first.Window();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(window); }, 10000));
  UINT service = Message(kService);
  // 0 and 3: no timer, nothing restored.
  PostMessageW(window, service, 0, 0);
  PostMessageW(window, service, 0, 3);
  // A message that is handled after them tells that they were processed.
  ASSERT_EQ(SendMessageW(window, WM_USER + 100, 0, 0), 0);
  Sleep(400);  // longer than the 200 ms of the service timers
  EXPECT_EQ(Bits(window, kStarted), 1);
  EXPECT_EQ(Bits(window, kRun), 0);
  EXPECT_FALSE(IsWindowVisible(window));
  // 1: restores the window and starts timer 8528, whose handler calls the page's showMainPage.
  PostMessageW(window, service, 0, 1);
  EXPECT_TRUE(WaitFor([&] { return (Bits(window, kStarted) & 2) != 0; }, 10000));
  EXPECT_TRUE(WaitFor([&] { return (Bits(window, kRun) & 2) != 0; }, 10000)) << "timer 8528 did not run";
  EXPECT_TRUE(IsWindowVisible(window));
  // 2: timer 8529 shows the upgrade notice, owned by the main window.
  PostMessageW(window, service, 0, 2);
  EXPECT_TRUE(WaitFor([&] { return (Bits(window, kStarted) & 4) != 0; }, 10000));
  HWND notice = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (notice = FindDialog(first.Pid(), kTitle, window)) != nullptr; }, 10000))
      << "no upgrade notice";
  EXPECT_EQ(GetWindow(notice, GW_OWNER), window);
  std::wstring texts = ChildTexts(notice);
  EXPECT_NE(texts.find(L"为了您的安全"), std::wstring::npos);
  EXPECT_NE(texts.find(L"https://www.quorvane-test.example/"), std::wstring::npos);
  EXPECT_EQ(Bits(window, kRun) & 4, 0);  // the handler is still in the message box
  PostMessageW(notice, WM_COMMAND, IDCANCEL, 0);
  EXPECT_TRUE(WaitFor([&] { return (Bits(window, kRun) & 4) != 0; }, 10000));
  Quit(first);
}

TEST_F(Process, InstallingShowsTheSetupMessageThenTheWindow) {
  Instance first("-installing -autoruning");  // only the installing path runs
  ASSERT_TRUE(first.Started());
  // The topmost message comes first, before the main window is shown.
  HWND box = nullptr;
  ASSERT_TRUE(WaitFor([&] {
    HWND candidate = FindDialog(first.Pid(), kTitle);
    if (candidate && ChildTexts(candidate).find(L"网银助手完成了初始设置") != std::wstring::npos) box = candidate;
    return box != nullptr;
  }, 20000)) << "no setup message";
  EXPECT_TRUE(GetWindowLongW(box, GWL_EXSTYLE) & WS_EX_TOPMOST || GetWindow(box, GW_OWNER) != nullptr);
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  HWND window = nullptr;
  ASSERT_TRUE(WaitFor([&] {
    window = FindDialog(first.Pid(), kTitle);
    return window && IsWindowVisible(window) && ChildTexts(window).find(L"网银助手完成了初始设置") == std::wstring::npos;
  }, 20000)) << "no main window after the setup message";
  Sleep(300);
  EXPECT_TRUE(IsWindowVisible(window));  // not hidden: the autorun mode did not run
  EXPECT_EQ(Bits(window, kStarted), 0);
  Quit(first);
}


TEST_F(Process, TheWindowUnderTheXServer) {
  Instance first("");
  ASSERT_TRUE(first.Started());
  HWND window = first.Window();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(window) != FALSE; }, 10000));
  wchar_t title[256] = {0};
  GetWindowTextW(window, title, 255);
  EXPECT_STREQ(title, kTitle);
  // The browser area: control 1000, the client area less one pixel on every side.
  HWND browser = GetDlgItem(window, 1000);
  ASSERT_NE(browser, nullptr);
  wchar_t cls[64] = {0};
  GetClassNameW(browser, cls, 63);
  EXPECT_STREQ(cls, L"{8856F961-340A-11D0-A96B-00C04FD705A2}");
  RECT client, area;
  GetClientRect(window, &client);
  GetWindowRect(browser, &area);
  MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&area), 2);
  EXPECT_EQ(area.left, 1);
  EXPECT_EQ(area.top, 1);
  EXPECT_EQ(area.right, client.right - 1);
  EXPECT_EQ(area.bottom, client.bottom - 1);
  EXPECT_GT(area.right - area.left, 400);
  EXPECT_GT(area.bottom - area.top, 250);
  // The pages were unpacked into the working folder.
  char temp[MAX_PATH] = {0};
  GetTempPathA(MAX_PATH, temp);
  std::string index = std::string(temp) + kInstance + "\\html\\index.htm";
  EXPECT_NE(GetFileAttributesA(index.c_str()), INVALID_FILE_ATTRIBUTES);
  // Enter and Escape do not close it; WM_USER + 100 is answered with 0.
  PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
  PostMessageW(window, WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_EQ(SendMessageW(window, WM_USER + 100, 0, 0), 0);
  EXPECT_FALSE(first.Ended(300));
  // A screenshot, kept as a test artifact in the build folder's "artifacts".
  Sleep(300);
  std::string artifacts = ProgramFolder() + "..\\artifacts\\";
  CreateDirectoryA(artifacts.c_str(), nullptr);
  std::string shot = artifacts + "quorvane_window.bmp";
  EXPECT_TRUE(testing_support::SaveWindowBitmap(window, shot));
  std::printf("screenshot: %s\n", shot.c_str());
  // Minimised and activated again: it comes back.
  ShowWindow(window, SW_MINIMIZE);
  EXPECT_TRUE(WaitFor([&] { return IsIconic(window) != FALSE; }, 5000));
  PostMessageW(HWND_BROADCAST, Message(kInstance), 0, 0);
  EXPECT_TRUE(WaitFor([&] { return !IsIconic(window) && IsWindowVisible(window); }, 10000));
  // The system close command ends the process.
  PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_TRUE(first.Ended(15000));
  EXPECT_EQ(first.ExitCode(), 0u);
}

TEST_F(Process, QuitMessageClosesTheRunningInstance) {
  Instance first("");
  ASSERT_TRUE(first.Started());
  ASSERT_NE(first.Window(), nullptr);
  Quit(first);
  // The instance name is free again: a new start runs.
  Instance again("-autoruning");
  ASSERT_TRUE(again.Started());
  ASSERT_NE(again.Window(), nullptr);
  EXPECT_FALSE(again.Ended(200));
  Quit(again);
}

}  // namespace
