#include "dispatch.h"

#include <cstring>

#include "text.h"

namespace quorvane {
namespace {

struct NameEntry {
  const char* name;
  DISPID id;
};

// The name table with its fixed dispatch ids.
const NameEntry kNames[] = {
    {"CB_IsOurCustomBrowser", 1},   {"CB_Close", 2},
    {"CB_CustomFunction", 3},       {"CB_CustomFunctionWithParams", 4},
    {"CB_OpenWindow", 5},           {"CB_ShowModalDialog", 6},
    {"CB_ShowModelessDialog", 7},   {"CB_CallJSFuction", 8},
    {"CB_ClientWindowInfo", 9},     {"CB_DetectUkey", 10},
    {"CB_DetectControl", 11},       {"CB_DetectIE", 12},
    {"CB_DetectAll", 13},           {"CB_RepairUkey", 14},
    {"CB_SetIELevel", 15},          {"CB_InstallDriver", 16},
    {"CB_ChangePassword", 17},      {"CB_ShowSelfCert", 18},
    {"CB_RepairControl", 19},       {"CB_RepairAll", 20},
    {"CB_GetIEChanges", 21},        {"CB_ClearSslStatus", 22},
    {"CB_RecoverIESettings", 23},   {"CB_GetUkeyInfo", 24},
    {"CB_GetSystemInfo", 25},       {"CB_GetNetState", 26},
    {"CB_GetOSInfo", 27},           {"CB_GetIEInfo", 28},
    {"CB_GetVersion", 29},          {"CB_GetCertSubject", 30},
    {"CB_ClearCache", 31},          {"CB_UpdateCert", 32},
    {"CB_GetErrorDesc", 33},        {"CB_DetectNeedUpdateCert", 34},
    {"CB_ShowCert", 35},            {"CB_RepairThread", 36},
};

// "true" and "false" are boolean variants with the value 1 and 0 (not VARIANT_TRUE).
void SetBool(VARIANT* result, bool value) {
  if (!result) return;
  V_VT(result) = VT_BOOL;
  V_BOOL(result) = value ? 1 : 0;
}

void SetInt(VARIANT* result, LONG value) {
  if (!result) return;
  V_VT(result) = VT_I4;
  V_I4(result) = value;
}

void SetString(VARIANT* result, const std::string& ansi) {
  if (!result) return;
  std::wstring wide = FromAnsi(ansi);
  V_VT(result) = VT_BSTR;
  V_BSTR(result) = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

// The variant an argument really holds (one level of VT_BYREF | VT_VARIANT is followed).
const VARIANT* Deref(const VARIANT* value) {
  if (value && V_VT(value) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(value)) return V_VARIANTREF(value);
  return value;
}

}  // namespace

namespace args {

bool VariantText(const VARIANT* value, std::string* text) {
  text->clear();
  value = Deref(value);
  if (!value) return false;
  BSTR bstr = nullptr;
  if (V_VT(value) == VT_BSTR) {
    bstr = V_BSTR(value);
  } else if (V_VT(value) == (VT_BYREF | VT_BSTR) && V_BSTRREF(value)) {
    bstr = *V_BSTRREF(value);
  } else {
    return false;
  }
  if (bstr) *text = ToAnsi(bstr, static_cast<int>(SysStringLen(bstr)));
  return true;
}

std::string PageString(const DISPPARAMS* params, unsigned index, unsigned expected) {
  std::string text;
  if (!params || !params->rgvarg || params->cArgs < expected || index >= params->cArgs) return text;
  VariantText(&params->rgvarg[params->cArgs - 1 - index], &text);
  return text;
}

std::string LastString(const DISPPARAMS* params) {
  std::string text;
  if (!params || !params->rgvarg || params->cArgs < 1) return text;
  VariantText(&params->rgvarg[0], &text);
  return text;
}

bool LastIsZero(const DISPPARAMS* params) {
  if (!params || !params->rgvarg || params->cArgs < 1) return false;
  const VARIANT* v = Deref(&params->rgvarg[0]);
  switch (V_VT(v)) {
    case VT_I4: return V_I4(v) == 0;
    case VT_I2: return V_I2(v) == 0;
    case VT_I1: return V_I1(v) == 0;
    case VT_UI1: return V_UI1(v) == 0;
    case VT_UI2: return V_UI2(v) == 0;
    case VT_UI4: return V_UI4(v) == 0;
    case VT_INT: return V_INT(v) == 0;
    case VT_UINT: return V_UINT(v) == 0;
    case VT_I8: return V_I8(v) == 0;
    case VT_UI8: return V_UI8(v) == 0;
    case VT_R4: return V_R4(v) == 0.0f;
    case VT_R8: return V_R8(v) == 0.0;
    case VT_BYREF | VT_I4: return V_I4REF(v) && *V_I4REF(v) == 0;
    default: return false;
  }
}

}  // namespace args

int CImpIDispatch::TableSize() { return static_cast<int>(sizeof(kNames) / sizeof(kNames[0])); }

DISPID CImpIDispatch::Lookup(const std::string& name) {
  for (const NameEntry& entry : kNames) {
    if (name == entry.name) return entry.id;
  }
  return DISPID_UNKNOWN;
}

// Only IDispatch is answered (IUnknown included is refused: the page only ever asks for IDispatch).
STDMETHODIMP CImpIDispatch::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  if (IsEqualIID(riid, IID_IDispatch)) {
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

// The object lives as long as the application: the count is only counted.
STDMETHODIMP_(ULONG) CImpIDispatch::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
STDMETHODIMP_(ULONG) CImpIDispatch::Release() { return static_cast<ULONG>(InterlockedDecrement(&refs_)); }

STDMETHODIMP CImpIDispatch::GetTypeInfoCount(UINT*) { return E_NOTIMPL; }
STDMETHODIMP CImpIDispatch::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }

STDMETHODIMP CImpIDispatch::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (count == 0) return S_OK;
  if (!names || !ids) return E_INVALIDARG;
  HRESULT hr = S_OK;
  for (UINT i = 0; i < count; ++i) {
    ids[i] = names[i] ? Lookup(ToAnsi(names[i])) : DISPID_UNKNOWN;
    if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
  }
  return hr;
}

STDMETHODIMP CImpIDispatch::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO*, UINT*) {
  // 1. Every name has the value true when read as a property.
  if ((flags & DISPATCH_PROPERTYGET) && result) SetBool(result, true);
  // 2. A method call runs the operation.
  if (!(flags & DISPATCH_METHOD) || !api_) return S_OK;
  switch (id) {
    case 1:  // CB_IsOurCustomBrowser
      SetBool(result, true);
      break;
    case 2:  // CB_Close
      api_->Close();
      break;
    case 3:  // CB_CustomFunction: any arguments, no effect
    case 8:  // CB_CallJSFuction
    case 17:  // CB_ChangePassword
    case 18:  // CB_ShowSelfCert
      break;
    case 4:  // CB_CustomFunctionWithParams: reads the first of two and discards it
      args::PageString(params, 0, 2);
      break;
    case 5:  // CB_OpenWindow: the first of six
      args::PageString(params, 0, 6);
      break;
    case 6:  // CB_ShowModalDialog: the first of five
    case 7:  // CB_ShowModelessDialog
      args::PageString(params, 0, 5);
      break;
    case 9:
      SetString(result, api_->ClientWindowInfo());
      break;
    case 10:
      api_->DetectUkey();
      break;
    case 11:
      api_->DetectControl();
      break;
    case 12:
      api_->DetectIE();
      break;
    case 13:
      api_->DetectAll();
      break;
    case 14:
      SetBool(result, api_->RepairUkey(args::LastString(params)));
      break;
    case 15:
      SetBool(result, api_->SetIELevel(args::LastIsZero(params)));
      break;
    case 16:
      SetBool(result, api_->InstallDriver());
      break;
    case 19:
      SetBool(result, api_->RepairControl(args::LastString(params)));
      break;
    case 20:
      api_->RepairAll(true);
      break;
    case 21:
      api_->GetIEChanges();
      break;
    case 22:
      api_->ClearSslStatus();
      SetBool(result, true);
      break;
    case 23:
      SetBool(result, api_->RecoverIESettings(args::LastString(params)));
      break;
    case 24:
      SetString(result, api_->GetUkeyInfo());
      break;
    case 25:
      SetString(result, api_->GetSystemInfo());
      break;
    case 26:
      SetString(result, api_->GetNetState());
      break;
    case 27:
      SetString(result, api_->GetOSInfo());
      break;
    case 28:
      SetString(result, api_->GetIEInfo());
      break;
    case 29:
      SetString(result, api_->GetVersion(args::LastString(params)));
      break;
    case 30:
      SetString(result, api_->GetCertSubject());
      break;
    case 31:  // CB_ClearCache
    case 36:  // CB_RepairThread
      SetBool(result, true);
      break;
    case 32:  // CB_UpdateCert: reads the first of two and discards it
      args::PageString(params, 0, 2);
      SetInt(result, 0);
      break;
    case 33:
      SetString(result, api_->GetErrorDesc());
      break;
    case 34:  // CB_DetectNeedUpdateCert
      SetBool(result, false);
      break;
    case 35:
      api_->ShowCert();
      SetInt(result, 0);
      break;
    default:  // not in the table: nothing
      break;
  }
  return S_OK;
}

}  // namespace quorvane
