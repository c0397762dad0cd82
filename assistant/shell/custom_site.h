// The browser control's custom site: CCustomOccManager makes a CCustomControlSite for
// every control the program hosts; the site answers the browser's user-interface questions so that
// the control behaves like an application surface.
#pragma once
#include "host/ax_host.h"

namespace quorvane {

class CCustomControlSite : public axhost::ControlSite {
 public:
  CCustomControlSite(HWND container, IDispatch* external) : ControlSite(container), external_(external) {}

  STDMETHODIMP ShowContextMenu(DWORD id, POINT* point, IUnknown* target, IDispatch* object) override;
  STDMETHODIMP GetHostInfo(DOCHOSTUIINFO* info) override;
  STDMETHODIMP ShowUI(DWORD id, IOleInPlaceActiveObject* active, IOleCommandTarget* target, IOleInPlaceFrame* frame,
                      IOleInPlaceUIWindow* document) override;
  STDMETHODIMP HideUI() override;
  STDMETHODIMP UpdateUI() override;
  STDMETHODIMP TranslateAccelerator(LPMSG msg, const GUID* group, DWORD id) override;
  STDMETHODIMP GetExternal(IDispatch** external) override;
  STDMETHODIMP ShowMessage(HWND owner, LPOLESTR text, LPOLESTR caption, DWORD type, LPOLESTR helpFile,
                           DWORD helpContext, LRESULT* result) override;
  STDMETHODIMP ShowHelp(HWND owner, LPOLESTR helpFile, UINT command, DWORD data, POINT mouse,
                        IDispatch* object) override;

 private:
  IDispatch* external_;  // the application's CImpIDispatch, never deleted
};

class CCustomOccManager : public axhost::OccManager {
 public:
  explicit CCustomOccManager(IDispatch* external) : external_(external) {}
  axhost::ControlSite* CreateSite(HWND container) override { return new CCustomControlSite(container, external_); }

 private:
  IDispatch* external_;
};

// The accelerator rules: true when the key is consumed (F5; Ctrl with O, P or N;
// Backspace), with the key states passed in so that the rules can be tested.
bool IsBlockedAccelerator(const MSG& msg, bool f5Down, bool controlDown, bool oDown, bool pDown, bool nDown);

}  // namespace quorvane
