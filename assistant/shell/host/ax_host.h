// A small hosting layer for one ActiveX control in a dialog, written for the assistant (no
// application framework here). It knows nothing of the assistant's logic.
//
// - ControlSite: the container side of an in-place active control (IOleClientSite,
//   IOleInPlaceSite, IOleInPlaceFrame) plus the browser control's host interfaces
//   (IDocHostUIHandler, IDocHostShowUI) with overridable answers.
// - OccManager: makes the sites (the assistant's CCustomOccManager makes its custom site).
// - EnableControlContainer: registers a window class named by the control's class identifier,
//   "{...}". A dialog template's CONTROL of that class (as framework-made templates write ActiveX controls)
//   becomes the control's site window: it creates the control, keeps it in place and sized, and
//   releases it when destroyed.
// - ModalDialog: a dialog from a template run modally by our own loop, so that every message passes
//   PreTranslateMessage first (the browser's keyboard accelerators, then the dialog keys).
#pragma once
#include <docobj.h>
#include <exdisp.h>
#include <mshtmhst.h>
#include <oleidl.h>
#include <windows.h>

namespace axhost {

class ControlSite : public IOleClientSite, public IOleInPlaceSite, public IDocHostUIHandler, public IDocHostShowUI {
 public:
  explicit ControlSite(HWND container);
  virtual ~ControlSite();

  // Creates the control, hands it this site and activates it in place in the container window.
  HRESULT CreateControl(REFCLSID clsid);
  // Deactivates and releases the control (the container window is going away).
  void DestroyControl();
  void Resize();
  // The control's IDispatch (no reference added); null when there is no control.
  IDispatch* ControlDispatch() const { return dispatch_; }
  // Offers a keyboard message for the container's control to the control's accelerators.
  bool PreTranslate(MSG* msg);
  HWND Container() const { return container_; }

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // IOleClientSite
  STDMETHODIMP SaveObject() override;
  STDMETHODIMP GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) override;
  STDMETHODIMP GetContainer(IOleContainer** container) override;
  STDMETHODIMP ShowObject() override;
  STDMETHODIMP OnShowWindow(BOOL show) override;
  STDMETHODIMP RequestNewObjectLayout() override;

  // IOleWindow / IOleInPlaceSite
  STDMETHODIMP GetWindow(HWND* window) override;
  STDMETHODIMP ContextSensitiveHelp(BOOL enter) override;
  STDMETHODIMP CanInPlaceActivate() override;
  STDMETHODIMP OnInPlaceActivate() override;
  STDMETHODIMP OnUIActivate() override;
  STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                LPRECT clip, LPOLEINPLACEFRAMEINFO info) override;
  STDMETHODIMP Scroll(SIZE extent) override;
  STDMETHODIMP OnUIDeactivate(BOOL undoable) override;
  STDMETHODIMP OnInPlaceDeactivate() override;
  STDMETHODIMP DiscardUndoState() override;
  STDMETHODIMP DeactivateAndUndo() override;
  STDMETHODIMP OnPosRectChange(LPCRECT position) override;

  // IDocHostUIHandler: defaults of a plain host; a derived site overrides them.
  STDMETHODIMP ShowContextMenu(DWORD id, POINT* point, IUnknown* target, IDispatch* object) override;
  STDMETHODIMP GetHostInfo(DOCHOSTUIINFO* info) override;
  STDMETHODIMP ShowUI(DWORD id, IOleInPlaceActiveObject* active, IOleCommandTarget* target, IOleInPlaceFrame* frame,
                      IOleInPlaceUIWindow* document) override;
  STDMETHODIMP HideUI() override;
  STDMETHODIMP UpdateUI() override;
  STDMETHODIMP EnableModeless(BOOL enable) override;
  STDMETHODIMP OnDocWindowActivate(BOOL activate) override;
  STDMETHODIMP OnFrameWindowActivate(BOOL activate) override;
  STDMETHODIMP ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* window, BOOL frameWindow) override;
  STDMETHODIMP TranslateAccelerator(LPMSG msg, const GUID* group, DWORD id) override;
  STDMETHODIMP GetOptionKeyPath(LPOLESTR* key, DWORD reserved) override;
  STDMETHODIMP GetDropTarget(IDropTarget* target, IDropTarget** replacement) override;
  STDMETHODIMP GetExternal(IDispatch** external) override;
  STDMETHODIMP TranslateUrl(DWORD translate, LPWSTR url, LPWSTR* translated) override;
  STDMETHODIMP FilterDataObject(IDataObject* object, IDataObject** filtered) override;

  // IDocHostShowUI
  STDMETHODIMP ShowMessage(HWND owner, LPOLESTR text, LPOLESTR caption, DWORD type, LPOLESTR helpFile,
                           DWORD helpContext, LRESULT* result) override;
  STDMETHODIMP ShowHelp(HWND owner, LPOLESTR helpFile, UINT command, DWORD data, POINT mouse,
                        IDispatch* object) override;

 private:
  // The in-place frame is its own small object: its window is the top-level window, the site's is
  // the container. Its reference count is the site's.
  class Frame : public IOleInPlaceFrame {
   public:
    explicit Frame(ControlSite* site) : site_(site) {}
    STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override { return site_->AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return site_->Release(); }
    STDMETHODIMP GetWindow(HWND* window) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP GetBorder(LPRECT) override { return E_NOTIMPL; }
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return E_NOTIMPL; }
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return E_NOTIMPL; }
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject* active, LPCOLESTR name) override;
    STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    STDMETHODIMP RemoveMenus(HMENU) override { return E_NOTIMPL; }
    STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

   private:
    ControlSite* site_;
  };

  LONG refs_ = 1;
  HWND container_;
  Frame frame_;
  IOleObject* object_ = nullptr;
  IOleInPlaceObject* inPlace_ = nullptr;
  IOleInPlaceActiveObject* active_ = nullptr;
  IDispatch* dispatch_ = nullptr;
};

// Makes the site for each control a container window hosts.
class OccManager {
 public:
  virtual ~OccManager() = default;
  virtual ControlSite* CreateSite(HWND container) = 0;
};

// Registers the site window class for a control class identifier ("{...}") in a module; every
// window of that class hosts one control with a site from the manager (which must outlive them).
bool EnableControlContainer(HINSTANCE module, const wchar_t* classId, OccManager* manager);
// The site of a site window (null for other windows or when the control could not be made).
ControlSite* SiteFromWindow(HWND window);

// A dialog from a template, run modally by its own message loop.
class ModalDialog {
 public:
  ModalDialog(HINSTANCE module, UINT templateId) : module_(module), templateId_(templateId) {}
  virtual ~ModalDialog() = default;
  // Creates the dialog, runs it until EndDialog and destroys it. -1 when it cannot be created.
  INT_PTR DoModal(HWND owner = nullptr);
  void EndDialog(INT_PTR result);
  HWND Handle() const { return hwnd_; }

 protected:
  virtual BOOL OnInitDialog() { return TRUE; }
  // The platform's pre-translation: the keyboard accelerators of an ActiveX control that has the
  // focus, then the dialog's own keys. True when the message was consumed.
  virtual bool PreTranslateMessage(MSG* msg);
  // Messages of the dialog procedure; return true when handled, with *result the answer.
  virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result);
  virtual void OnOK() { EndDialog(IDOK); }
  virtual void OnCancel() { EndDialog(IDCANCEL); }

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  HINSTANCE module_;
  UINT templateId_;
  HWND hwnd_ = nullptr;
  bool ended_ = false;
  INT_PTR result_ = 0;
};

// Dispatch helpers for controls driven by dispatch id (the browser control's Document = 203 and
// Navigate2 = 500).
HRESULT GetDispatchProperty(IDispatch* object, DISPID id, VARIANT* value);

}  // namespace axhost
