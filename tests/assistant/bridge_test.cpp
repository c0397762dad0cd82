// The page bridge against a small test document: script calls in the top document and
// in named frames, argument order, a missing frame and a missing function, the recorded errors;
// then detect-all through CImpIDispatch, the host API and the bridge into the frames. Also the
// custom site's answers to the browser control.
#include <gtest/gtest.h>

#include <thread>

#include "fake_document.h"
#include "fakes.h"
#include "shell/custom_site.h"
#include "shell/dispatch.h"
#include "shell/page_bridge.h"
#include "shell/web_page.h"

using namespace assistant_test;
using quorvane::CWebPage;

namespace {

struct Bridge : ::testing::Test {
  std::vector<ScriptCall> log;
  FakeDocument top{"top", {"showMainPage"}, &log};
  Bridge() {
    for (const char* frame : {"frame_main", "frame_main1", "frame_main2", "frame_main3"}) {
      top.AddFrame(frame, {"addResult"}, &log);
    }
    top.AddFrame("frame_main4", {"addIELeaveLog", "noneIELeaveLog"}, &log);
  }
};

TEST_F(Bridge, CallsAFunctionOfTheTopDocument) {
  CWebPage page;
  ASSERT_TRUE(page.SetDocument(static_cast<IHTMLDocument2*>(&top)));
  VARIANT result;
  VariantInit(&result);
  EXPECT_TRUE(page.CallScript("showMainPage", {}, &result));
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].frame, "top");
  EXPECT_EQ(log[0].function, "showMainPage");
  EXPECT_TRUE(log[0].args.empty());
  EXPECT_EQ(V_VT(&result), VT_I4);  // the function's result is handed back
  EXPECT_EQ(top.script.lastLcid, 2048u);
  EXPECT_EQ(page.LastError(), "");
}

TEST_F(Bridge, ArgumentsReachTheFrameInPageOrder) {
  CWebPage page;
  ASSERT_TRUE(page.SetDocument(static_cast<IHTMLDocument2*>(&top)));
  EXPECT_TRUE(page.CallScriptInFrame("frame_main4", "addIELeaveLog", {"2026-1-5 9:03:07", "medium"}));
  EXPECT_TRUE(page.CallScriptInFrame("frame_main2", "addResult", {"COM12", "1"}));
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].frame, "frame_main4");
  EXPECT_EQ(log[0].args, (std::vector<std::wstring>{L"2026-1-5 9:03:07", L"medium"}));
  EXPECT_EQ(log[1].frame, "frame_main2");
  EXPECT_EQ(log[1].args, (std::vector<std::wstring>{L"COM12", L"1"}));
}

TEST_F(Bridge, AMissingFrameFailsWithTheRecordedError) {
  CWebPage page;
  ASSERT_TRUE(page.SetDocument(static_cast<IHTMLDocument2*>(&top)));
  EXPECT_FALSE(page.CallScriptInFrame("frame_nowhere", "addResult", {"TITLE_KV", "1"}));
  EXPECT_EQ(page.LastError(), "JSCall Error:\nCannot GetDocument in frame:frame_nowhere");
  EXPECT_TRUE(log.empty());
  // The host goes on: the next call works.
  EXPECT_TRUE(page.CallScriptInFrame("frame_main", "addResult", {"TITLE_KV", "1"}));
}

TEST_F(Bridge, AMissingFunctionFailsAtTheLookup) {
  CWebPage page;
  ASSERT_TRUE(page.SetDocument(static_cast<IHTMLDocument2*>(&top)));
  EXPECT_FALSE(page.CallScript("addResult", {"x", "1"}));  // the top document has no addResult
  EXPECT_EQ(page.LastError().rfind("JSCall Error:\n", 0), 0u);
  EXPECT_GT(page.LastError().size(), std::string("JSCall Error:\n").size());
  EXPECT_FALSE(page.CallScriptInFrame("frame_main4", "addResult", {"x", "1"}));
  EXPECT_TRUE(log.empty());
}

TEST_F(Bridge, AFrameWithoutScriptFails) {
  FakeDocument* frame = top.AddFrame("frame_noscript", {"addResult"}, &log);
  frame->scriptPresent = false;
  CWebPage page;
  ASSERT_TRUE(page.SetDocument(static_cast<IHTMLDocument2*>(&top)));
  EXPECT_FALSE(page.CallScriptInFrame("frame_noscript", "addResult", {}));
  EXPECT_EQ(page.LastError(), "JSCall Error:\nCannot GetScript in frame:frame_noscript");
}

TEST_F(Bridge, DocumentErrors) {
  CWebPage page;
  EXPECT_FALSE(page.SetDocument(nullptr));
  EXPECT_EQ(page.LastError(), "JSCall Error:\nNULL pointer");
  EXPECT_FALSE(page.CallScript("showMainPage", {}));
  EXPECT_EQ(page.LastError(), "JSCall Error:\nNULL pointer");
  IHTMLDocument2* document = nullptr;
  EXPECT_FALSE(page.GetFrameDocument("frame_main", &document));
  EXPECT_EQ(page.LastError(), "JSCall Error:\nNULL pointer");
  // An object that is not a document.
  FakeScript notADocument("x", {}, &log);
  EXPECT_FALSE(page.SetDocument(&notADocument));
  EXPECT_EQ(page.LastError(), "JSCall Error:\nFailed to get HTML document COM object");
}

TEST_F(Bridge, ReferencesAreReturned) {
  {
    CWebPage page;
    ASSERT_TRUE(page.SetDocument(static_cast<IHTMLDocument2*>(&top)));
    page.CallScriptInFrame("frame_main1", "addResult", {"a", "1"});
    page.CallScriptInFrame("frame_gone", "addResult", {"a", "1"});
    page.CallScript("showMainPage", {});
  }
  EXPECT_EQ(top.refs, 0);
  EXPECT_EQ(top.script.refs, 0);
  EXPECT_EQ(top.FrameWindow("frame_main1")->refs, 0);
}

// Detect-all as the page starts it: window.external.CB_DetectAll() -> CImpIDispatch -> host API ->
// the bridge -> "addResult" in frame "frame_main" of the document.
TEST_F(Bridge, DetectAllThroughTheWholeBridge) {
  RecordingOperations ops;
  ops.tokens = 1;
  ops.providerInstalled = ops.driversOk = true;
  ops.browser = {true, false, true};
  FakeDocument* current = &top;
  quorvane::DocumentPageScript script([&current]() -> IDispatch* {
    current->AddRef();
    return static_cast<IHTMLDocument2*>(current);
  });
  assistant_test::FakeShell shell;
  struct : quorvane::HostWindow {
    HWND Window() override { return nullptr; }
    int BrowserWidth() override { return 1; }
    int BrowserHeight() override { return 1; }
    std::string LastErrorText() override { return ""; }
    bool AskYesNo(const std::wstring&, const std::wstring&) override { return false; }
    void Inform(const std::wstring&, const std::wstring&) override {}
  } window;
  quorvane::HostApi api(ops, script, window, shell);
  quorvane::CImpIDispatch external(&api);
  LPOLESTR name = const_cast<LPOLESTR>(L"CB_DetectAll");
  DISPID id = 0;
  ASSERT_EQ(external.GetIDsOfNames(IID_NULL, &name, 1, 0, &id), S_OK);
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  VARIANT result;
  VariantInit(&result);
  ASSERT_EQ(external.Invoke(id, IID_NULL, 0, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr),
            S_OK);
  std::vector<std::wstring> seen;
  for (const ScriptCall& c : log) {
    ASSERT_EQ(c.frame, "frame_main");
    ASSERT_EQ(c.function, "addResult");
    ASSERT_EQ(c.args.size(), 2u);
    seen.push_back(c.args[0] + L"/" + c.args[1]);
  }
  EXPECT_EQ(seen, (std::vector<std::wstring>{L"TITLE_KV/1", L"UKEY_KV1010/1", L"UKEY_KV1020/1", L"UKEY_KV1080/1",
                                             L"TITLE_RG/1", L"REG0/1", L"TITLE_IE/1", L"SSL0/1", L"SITE0/1",
                                             L"IELEVEL2/1", L"TITLE_CT/1", L"ENCKEY0/1", L"COM00/1", L"COM12/1",
                                             L"COM20/1", L"SIGN0/1", L"REPAIR1/0"}));
  // The snapshot list goes to frame 4; the timer's showMainPage to the top document.
  log.clear();
  api.GetIEChanges();
  api.ShowMainPage();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].frame, "frame_main4");
  EXPECT_EQ(log[0].function, "noneIELeaveLog");
  EXPECT_EQ(log[1].frame, "top");
  // A page without the frames: the run goes on quietly.
  FakeDocument bare("bare", {}, &log);
  current = &bare;
  log.clear();
  api.DetectAll();
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(script.LastError(), "JSCall Error:\nCannot GetDocument in frame:frame_main");
}

// --- The custom site's answers ---

TEST(CustomSite, AnswersTheBrowsersQuestions) {
  RecordingOperations ops;
  RecordingPage page;
  assistant_test::FakeWindow window;
  FakeShell shell;
  quorvane::HostApi api(ops, page, window, shell);
  quorvane::CImpIDispatch external(&api);
  HWND container = CreateWindowW(L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  auto* site = new quorvane::CCustomControlSite(container, &external);
  IDocHostUIHandler* handler = nullptr;
  ASSERT_EQ(site->QueryInterface(IID_IDocHostUIHandler, reinterpret_cast<void**>(&handler)), S_OK);
  POINT point = {0, 0};
  EXPECT_EQ(handler->ShowContextMenu(0, &point, nullptr, nullptr), S_OK);
  DOCHOSTUIINFO info = {};
  info.cbSize = sizeof(info);
  info.dwFlags = 0xFFFF;
  info.dwDoubleClick = 7;
  EXPECT_EQ(handler->GetHostInfo(&info), S_OK);
  EXPECT_EQ(info.dwFlags, 0x4u);
  EXPECT_EQ(info.dwDoubleClick, 0u);
  EXPECT_EQ(handler->ShowUI(0, nullptr, nullptr, nullptr, nullptr), S_OK);
  EXPECT_EQ(handler->HideUI(), S_OK);
  EXPECT_EQ(handler->UpdateUI(), S_OK);
  EXPECT_EQ(handler->EnableModeless(TRUE), E_NOTIMPL);
  EXPECT_EQ(handler->OnDocWindowActivate(TRUE), E_NOTIMPL);
  EXPECT_EQ(handler->OnFrameWindowActivate(TRUE), E_NOTIMPL);
  EXPECT_EQ(handler->ResizeBorder(nullptr, nullptr, TRUE), E_NOTIMPL);
  LPOLESTR key = nullptr;
  EXPECT_EQ(handler->GetOptionKeyPath(&key, 0), E_NOTIMPL);
  IDropTarget* drop = nullptr;
  EXPECT_EQ(handler->GetDropTarget(nullptr, &drop), E_NOTIMPL);
  LPWSTR url = nullptr;
  EXPECT_EQ(handler->TranslateUrl(0, const_cast<LPWSTR>(L"x"), &url), E_NOTIMPL);
  IDataObject* data = nullptr;
  EXPECT_EQ(handler->FilterDataObject(nullptr, &data), E_NOTIMPL);
  IDispatch* ext = nullptr;
  EXPECT_EQ(handler->GetExternal(&ext), S_OK);
  EXPECT_EQ(ext, static_cast<IDispatch*>(&external));
  EXPECT_EQ(external.References(), 1);  // one reference added
  // Backspace is consumed whatever the message; an ordinary key reaches the browser.
  MSG back = {container, WM_CHAR, VK_BACK, 0, 0, {0, 0}};
  EXPECT_EQ(handler->TranslateAccelerator(&back, nullptr, 0), S_OK);
  MSG letter = {container, WM_KEYDOWN, 'F', 0, 0, {0, 0}};
  EXPECT_EQ(handler->TranslateAccelerator(&letter, nullptr, 0), S_FALSE);
  handler->Release();
  DestroyWindow(container);
  site->Release();
}

TEST(CustomSite, AcceleratorRules) {
  using quorvane::IsBlockedAccelerator;
  MSG down = {nullptr, WM_KEYDOWN, 'X', 0, 0, {0, 0}};
  MSG up = {nullptr, WM_KEYUP, 'X', 0, 0, {0, 0}};
  EXPECT_TRUE(IsBlockedAccelerator(down, true, false, false, false, false));   // F5
  EXPECT_FALSE(IsBlockedAccelerator(up, true, false, false, false, false));
  EXPECT_TRUE(IsBlockedAccelerator(down, false, true, true, false, false));    // Ctrl+O
  EXPECT_TRUE(IsBlockedAccelerator(down, false, true, false, true, false));    // Ctrl+P
  EXPECT_TRUE(IsBlockedAccelerator(down, false, true, false, false, true));    // Ctrl+N
  EXPECT_FALSE(IsBlockedAccelerator(down, false, false, true, true, true));    // O, P, N without Ctrl
  EXPECT_FALSE(IsBlockedAccelerator(down, false, true, false, false, false));  // Ctrl+F reaches the browser
  MSG back = {nullptr, WM_KEYUP, VK_BACK, 0, 0, {0, 0}};
  EXPECT_TRUE(IsBlockedAccelerator(back, false, false, false, false, false));
}

// Every alert of the page: a message box with the caption "Custom Browser".
TEST(CustomSite, AlertsShowTheHostsMessageBox) {
  auto* site = new quorvane::CCustomControlSite(nullptr, nullptr);
  IDocHostShowUI* show = nullptr;
  const IID iidShowUI = {0xc4d244b0, 0xd43e, 0x11cf, {0x89, 0x3b, 0x00, 0xaa, 0x00, 0xbd, 0xce, 0x1a}};
  ASSERT_EQ(site->QueryInterface(iidShowUI, reinterpret_cast<void**>(&show)), S_OK);
  bool seen = false;
  std::wstring text;
  std::thread closer([&] {
    for (int i = 0; i < 200 && !seen; ++i) {  // up to 10 s
      HWND box = FindWindowW(L"#32770", L"Custom Browser");
      if (box) {
        seen = true;
        wchar_t buffer[256] = {0};
        HWND label = GetDlgItem(box, 0xFFFF);
        if (label) GetWindowTextW(label, buffer, 255);
        text = buffer;
        PostMessageW(box, WM_COMMAND, IDOK, 0);
      }
      Sleep(50);
    }
  });
  LRESULT answer = 12345;
  EXPECT_EQ(show->ShowMessage(nullptr, const_cast<LPOLESTR>(L"页面提示"), const_cast<LPOLESTR>(L"Page caption"),
                              MB_OK | MB_ICONINFORMATION, nullptr, 0, &answer),
            S_OK);
  closer.join();
  EXPECT_TRUE(seen);
  EXPECT_EQ(text, L"页面提示");
  EXPECT_EQ(answer, 12345);  // not set
  POINT point = {0, 0};
  EXPECT_EQ(show->ShowHelp(nullptr, nullptr, 0, 0, point, nullptr), S_OK);
  show->Release();
  site->Release();
}

}  // namespace
