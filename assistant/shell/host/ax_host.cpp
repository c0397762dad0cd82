#include "ax_host.h"

#include <string>

namespace axhost {
namespace {
// Not in mingw's uuid library.
const IID kIID_IDocHostShowUI = {0xc4d244b0, 0xd43e, 0x11cf, {0x89, 0x3b, 0x00, 0xaa, 0x00, 0xbd, 0xce, 0x1a}};
}  // namespace

// --- ControlSite ---

ControlSite::ControlSite(HWND container) : container_(container), frame_(this) {}

ControlSite::~ControlSite() { DestroyControl(); }

HRESULT ControlSite::CreateControl(REFCLSID clsid) {
  DestroyControl();
  HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject, reinterpret_cast<void**>(&object_));
  if (FAILED(hr) || !object_) {
    object_ = nullptr;
    return FAILED(hr) ? hr : E_FAIL;
  }
  object_->SetClientSite(this);
  IPersistStreamInit* persist = nullptr;
  if (SUCCEEDED(object_->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(&persist))) && persist) {
    persist->InitNew();
    persist->Release();
  }
  object_->SetHostNames(L"Quorvane", nullptr);
  RECT rect;
  GetClientRect(container_, &rect);
  hr = object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, this, 0, container_, &rect);
  if (FAILED(hr)) {
    DestroyControl();
    return hr;
  }
  object_->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&inPlace_));
  object_->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch_));
  Resize();
  return S_OK;
}

void ControlSite::DestroyControl() {
  if (active_) {
    active_->Release();
    active_ = nullptr;
  }
  if (dispatch_) {
    dispatch_->Release();
    dispatch_ = nullptr;
  }
  if (inPlace_) {
    inPlace_->InPlaceDeactivate();
    inPlace_->Release();
    inPlace_ = nullptr;
  }
  if (object_) {
    object_->Close(OLECLOSE_NOSAVE);
    object_->SetClientSite(nullptr);
    object_->Release();
    object_ = nullptr;
  }
}

void ControlSite::Resize() {
  if (!inPlace_) return;
  RECT rect;
  GetClientRect(container_, &rect);
  inPlace_->SetObjectRects(&rect, &rect);
}

bool ControlSite::PreTranslate(MSG* msg) {
  if (!active_ || msg->message < WM_KEYFIRST || msg->message > WM_KEYLAST) return false;
  if (msg->hwnd != container_ && !IsChild(container_, msg->hwnd)) return false;
  return active_->TranslateAccelerator(msg) == S_OK;
}

STDMETHODIMP ControlSite::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleClientSite)) {
    *object = static_cast<IOleClientSite*>(this);
  } else if (IsEqualIID(riid, IID_IOleWindow) || IsEqualIID(riid, IID_IOleInPlaceSite)) {
    *object = static_cast<IOleInPlaceSite*>(this);
  } else if (IsEqualIID(riid, IID_IOleInPlaceFrame) || IsEqualIID(riid, IID_IOleInPlaceUIWindow)) {
    *object = static_cast<IOleInPlaceFrame*>(&frame_);
  } else if (IsEqualIID(riid, IID_IDocHostUIHandler)) {
    *object = static_cast<IDocHostUIHandler*>(this);
  } else if (IsEqualIID(riid, kIID_IDocHostShowUI)) {
    *object = static_cast<IDocHostShowUI*>(this);
  } else {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) ControlSite::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }

STDMETHODIMP_(ULONG) ControlSite::Release() {
  LONG n = InterlockedDecrement(&refs_);
  if (n == 0) delete this;
  return static_cast<ULONG>(n);
}

// IOleClientSite
STDMETHODIMP ControlSite::SaveObject() { return E_NOTIMPL; }
STDMETHODIMP ControlSite::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
  if (moniker) *moniker = nullptr;
  return E_NOTIMPL;
}
STDMETHODIMP ControlSite::GetContainer(IOleContainer** container) {
  if (container) *container = nullptr;
  return E_NOINTERFACE;
}
STDMETHODIMP ControlSite::ShowObject() { return S_OK; }
STDMETHODIMP ControlSite::OnShowWindow(BOOL) { return S_OK; }
STDMETHODIMP ControlSite::RequestNewObjectLayout() { return E_NOTIMPL; }

// IOleInPlaceSite
STDMETHODIMP ControlSite::GetWindow(HWND* window) {
  if (!window) return E_POINTER;
  *window = container_;
  return S_OK;
}
STDMETHODIMP ControlSite::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }
STDMETHODIMP ControlSite::CanInPlaceActivate() { return S_OK; }
STDMETHODIMP ControlSite::OnInPlaceActivate() { return S_OK; }
STDMETHODIMP ControlSite::OnUIActivate() { return S_OK; }
STDMETHODIMP ControlSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                           LPRECT clip, LPOLEINPLACEFRAMEINFO info) {
  if (!frame || !document || !position || !clip || !info) return E_POINTER;
  *frame = &frame_;
  frame_.AddRef();
  *document = nullptr;
  GetClientRect(container_, position);
  GetClientRect(container_, clip);
  info->fMDIApp = FALSE;
  info->hwndFrame = GetAncestor(container_, GA_ROOT);
  info->haccel = nullptr;
  info->cAccelEntries = 0;
  return S_OK;
}
STDMETHODIMP ControlSite::Scroll(SIZE) { return E_NOTIMPL; }
STDMETHODIMP ControlSite::OnUIDeactivate(BOOL) { return S_OK; }
STDMETHODIMP ControlSite::OnInPlaceDeactivate() { return S_OK; }
STDMETHODIMP ControlSite::DiscardUndoState() { return E_NOTIMPL; }
STDMETHODIMP ControlSite::DeactivateAndUndo() { return E_NOTIMPL; }
STDMETHODIMP ControlSite::OnPosRectChange(LPCRECT position) {
  if (inPlace_ && position) inPlace_->SetObjectRects(position, position);
  return S_OK;
}

// IDocHostUIHandler: a plain host's answers (the browser's own behaviour).
STDMETHODIMP ControlSite::ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) { return S_FALSE; }
STDMETHODIMP ControlSite::GetHostInfo(DOCHOSTUIINFO*) { return E_NOTIMPL; }
STDMETHODIMP ControlSite::ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                                 IOleInPlaceUIWindow*) {
  return S_FALSE;
}
STDMETHODIMP ControlSite::HideUI() { return S_OK; }
STDMETHODIMP ControlSite::UpdateUI() { return S_OK; }
STDMETHODIMP ControlSite::EnableModeless(BOOL) { return E_NOTIMPL; }
STDMETHODIMP ControlSite::OnDocWindowActivate(BOOL) { return E_NOTIMPL; }
STDMETHODIMP ControlSite::OnFrameWindowActivate(BOOL) { return E_NOTIMPL; }
STDMETHODIMP ControlSite::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) { return E_NOTIMPL; }
STDMETHODIMP ControlSite::TranslateAccelerator(LPMSG, const GUID*, DWORD) { return S_FALSE; }
STDMETHODIMP ControlSite::GetOptionKeyPath(LPOLESTR* key, DWORD) {
  if (key) *key = nullptr;
  return E_NOTIMPL;
}
STDMETHODIMP ControlSite::GetDropTarget(IDropTarget*, IDropTarget** replacement) {
  if (replacement) *replacement = nullptr;
  return E_NOTIMPL;
}
STDMETHODIMP ControlSite::GetExternal(IDispatch** external) {
  if (external) *external = nullptr;
  return E_NOTIMPL;
}
STDMETHODIMP ControlSite::TranslateUrl(DWORD, LPWSTR, LPWSTR* translated) {
  if (translated) *translated = nullptr;
  return E_NOTIMPL;
}
STDMETHODIMP ControlSite::FilterDataObject(IDataObject*, IDataObject** filtered) {
  if (filtered) *filtered = nullptr;
  return E_NOTIMPL;
}

// IDocHostShowUI: the browser's own message boxes and help.
STDMETHODIMP ControlSite::ShowMessage(HWND, LPOLESTR, LPOLESTR, DWORD, LPOLESTR, DWORD, LRESULT*) { return S_FALSE; }
STDMETHODIMP ControlSite::ShowHelp(HWND, LPOLESTR, UINT, DWORD, POINT, IDispatch*) { return S_FALSE; }

// Frame
STDMETHODIMP ControlSite::Frame::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleWindow) || IsEqualIID(riid, IID_IOleInPlaceUIWindow) ||
      IsEqualIID(riid, IID_IOleInPlaceFrame)) {
    *object = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
    return S_OK;
  }
  return site_->QueryInterface(riid, object);
}

STDMETHODIMP ControlSite::Frame::GetWindow(HWND* window) {
  if (!window) return E_POINTER;
  *window = GetAncestor(site_->container_, GA_ROOT);
  return S_OK;
}

STDMETHODIMP ControlSite::Frame::SetActiveObject(IOleInPlaceActiveObject* active, LPCOLESTR) {
  if (active) active->AddRef();
  if (site_->active_) site_->active_->Release();
  site_->active_ = active;
  return S_OK;
}

// --- The site window ---

namespace {

OccManager* g_manager = nullptr;

LRESULT CALLBACK SiteWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  ControlSite* site = reinterpret_cast<ControlSite*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (message) {
    case WM_CREATE: {
      wchar_t name[64] = {0};
      GetClassNameW(hwnd, name, 63);
      CLSID clsid;
      if (g_manager && SUCCEEDED(CLSIDFromString(name, &clsid))) {
        ControlSite* created = g_manager->CreateSite(hwnd);
        if (created) {
          SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
          if (FAILED(created->CreateControl(clsid))) {
            // No control: the window stays, empty; nobody can reach a control through it.
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            created->Release();
          }
        }
      }
      return 0;
    }
    case WM_SIZE:
      if (site) site->Resize();
      return 0;
    case WM_ERASEBKGND: {
      RECT rect;
      GetClientRect(hwnd, &rect);
      FillRect(reinterpret_cast<HDC>(wParam), &rect, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
      return 1;
    }
    case WM_DESTROY:
      if (site) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        site->DestroyControl();
        site->Release();
      }
      return 0;
    default:
      return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

}  // namespace

bool EnableControlContainer(HINSTANCE module, const wchar_t* classId, OccManager* manager) {
  g_manager = manager;
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  if (GetClassInfoExW(module, classId, &wc)) return true;
  wc.cbSize = sizeof(wc);
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = SiteWindowProc;
  wc.hInstance = module;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = classId;
  return RegisterClassExW(&wc) != 0;
}

ControlSite* SiteFromWindow(HWND window) {
  if (!window || GetWindowLongPtrW(window, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(SiteWindowProc)) return nullptr;
  return reinterpret_cast<ControlSite*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

// --- ModalDialog ---

INT_PTR ModalDialog::DoModal(HWND owner) {
  ended_ = false;
  result_ = -1;
  hwnd_ = CreateDialogParamW(module_, MAKEINTRESOURCEW(templateId_), owner, DialogProc, reinterpret_cast<LPARAM>(this));
  if (!hwnd_) return -1;
  bool ownerEnabled = owner && IsWindowEnabled(owner);
  if (ownerEnabled) EnableWindow(owner, FALSE);
  MSG msg;
  while (!ended_) {
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {  // WM_QUIT: end the dialog and leave the quit for the outer loop
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (got < 0) break;
    if (!PreTranslateMessage(&msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  if (ownerEnabled) EnableWindow(owner, TRUE);
  if (hwnd_) {
    DestroyWindow(hwnd_);
    hwnd_ = nullptr;
  }
  return result_;
}

void ModalDialog::EndDialog(INT_PTR result) {
  result_ = result;
  ended_ = true;
  if (hwnd_) ShowWindow(hwnd_, SW_HIDE);
  PostMessageW(hwnd_, WM_NULL, 0, 0);  // wake the loop
}

bool ModalDialog::PreTranslateMessage(MSG* msg) {
  if (!hwnd_) return false;
  if (msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST) {
    for (HWND w = msg->hwnd; w && w != hwnd_; w = GetParent(w)) {
      ControlSite* site = SiteFromWindow(w);
      if (site) {
        if (site->PreTranslate(msg)) return true;
        break;
      }
    }
  }
  return IsDialogMessageW(hwnd_, msg) != FALSE;
}

bool ModalDialog::OnMessage(UINT message, WPARAM wParam, LPARAM, INT_PTR* result) {
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        OnOK();
        *result = TRUE;
        return true;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        OnCancel();
        *result = TRUE;
        return true;
      }
      return false;
    case WM_CLOSE:
      OnCancel();
      *result = TRUE;
      return true;
    default:
      return false;
  }
}

INT_PTR CALLBACK ModalDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  ModalDialog* self;
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<ModalDialog*>(lParam);
    SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    self->hwnd_ = hwnd;
    return self->OnInitDialog();
  }
  self = reinterpret_cast<ModalDialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  if (!self) return FALSE;
  INT_PTR result = FALSE;
  if (!self->OnMessage(message, wParam, lParam, &result)) return FALSE;
  return result;
}

HRESULT GetDispatchProperty(IDispatch* object, DISPID id, VARIANT* value) {
  if (!object || !value) return E_POINTER;
  VariantInit(value);
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, value, nullptr, nullptr);
}

}  // namespace axhost
