#include "custom_site.h"

namespace quorvane {

bool IsBlockedAccelerator(const MSG& msg, bool f5Down, bool controlDown, bool oDown, bool pDown, bool nDown) {
  if (msg.message == WM_KEYDOWN && f5Down) return true;                                      // refresh
  if (controlDown && msg.message == WM_KEYDOWN && (oDown || pDown || nDown)) return true;    // open, print, new window
  if (msg.wParam == VK_BACK) return true;                                                    // back, also in fields
  return false;
}

// No context menu: the page never gets the browser's menu.
STDMETHODIMP CCustomControlSite::ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) { return S_OK; }

STDMETHODIMP CCustomControlSite::GetHostInfo(DOCHOSTUIINFO* info) {
  if (!info) return E_POINTER;
  info->dwFlags = DOCHOSTUIFLAG_NO3DBORDER;  // 0x4
  info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
  return S_OK;
}

STDMETHODIMP CCustomControlSite::ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                                        IOleInPlaceUIWindow*) {
  return S_OK;
}
STDMETHODIMP CCustomControlSite::HideUI() { return S_OK; }
STDMETHODIMP CCustomControlSite::UpdateUI() { return S_OK; }

STDMETHODIMP CCustomControlSite::TranslateAccelerator(LPMSG msg, const GUID*, DWORD) {
  if (!msg) return S_FALSE;
  auto down = [](int key) { return (GetAsyncKeyState(key) & 0x8000) != 0; };
  bool blocked = IsBlockedAccelerator(*msg, down(VK_F5), (GetKeyState(VK_CONTROL) & 0x8000) != 0, down('O'), down('P'),
                                      down('N'));
  return blocked ? S_OK : S_FALSE;
}

STDMETHODIMP CCustomControlSite::GetExternal(IDispatch** external) {
  if (!external) return E_POINTER;
  *external = external_;
  if (external_) external_->AddRef();
  return S_OK;
}

// Every alert of the page: the host's message box, caption "Custom Browser", error icon.
STDMETHODIMP CCustomControlSite::ShowMessage(HWND owner, LPOLESTR text, LPOLESTR, DWORD, LPOLESTR, DWORD, LRESULT*) {
  MessageBoxW(owner, text ? text : L"", L"Custom Browser", MB_OK | MB_ICONERROR);
  return S_OK;
}

STDMETHODIMP CCustomControlSite::ShowHelp(HWND, LPOLESTR, UINT, DWORD, POINT, IDispatch*) { return S_OK; }

}  // namespace quorvane
