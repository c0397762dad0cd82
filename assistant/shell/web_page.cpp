#include "web_page.h"

#include "text.h"

namespace quorvane {

CWebPage::~CWebPage() {
  if (document_) document_->Release();
}

bool CWebPage::Fail(const std::string& message) {
  lastError_ = "JSCall Error:\n" + message;
  return false;
}

bool CWebPage::FailCode(HRESULT code) {
  std::string text = SystemMessage(static_cast<DWORD>(code));
  return Fail(text.empty() ? std::string("FormatMessage Netive Error") : text);
}

bool CWebPage::SetDocument(IDispatch* document) {
  if (!document) return Fail("NULL pointer");
  if (document_) {
    document_->Release();
    document_ = nullptr;
  }
  HRESULT hr = document->QueryInterface(IID_IHTMLDocument2, reinterpret_cast<void**>(&document_));
  if (FAILED(hr) || !document_) {
    document_ = nullptr;
    return Fail("Failed to get HTML document COM object");
  }
  return true;
}

bool CWebPage::GetScript(IDispatch** script) {
  if (!script) return Fail("NULL pointer");
  *script = nullptr;
  if (!document_) return Fail("NULL pointer");
  HRESULT hr = document_->get_Script(script);
  if (FAILED(hr) || !*script) {
    *script = nullptr;
    return FailCode(FAILED(hr) ? hr : E_POINTER);
  }
  return true;
}

bool CWebPage::GetFrameDocument(const std::string& frame, IHTMLDocument2** document) {
  if (!document) return Fail("NULL pointer");
  *document = nullptr;
  if (!document_) return Fail("NULL pointer");
  IHTMLFramesCollection2* frames = nullptr;
  if (FAILED(document_->get_frames(&frames)) || !frames) return false;
  std::wstring wide = FromAnsi(frame);
  VARIANT name;
  VariantInit(&name);
  V_VT(&name) = VT_BSTR;
  V_BSTR(&name) = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
  VARIANT item;
  VariantInit(&item);
  HRESULT hr = frames->item(&name, &item);
  VariantClear(&name);
  frames->Release();
  bool ok = false;
  if (SUCCEEDED(hr) && V_VT(&item) == VT_DISPATCH && V_DISPATCH(&item)) {
    IHTMLWindow2* window = nullptr;
    if (SUCCEEDED(V_DISPATCH(&item)->QueryInterface(IID_IHTMLWindow2, reinterpret_cast<void**>(&window))) && window) {
      ok = SUCCEEDED(window->get_document(document)) && *document;
      window->Release();
    }
  }
  VariantClear(&item);
  if (!ok) *document = nullptr;
  return ok;
}

bool CWebPage::CallScript(const std::string& function, const std::vector<std::string>& args, VARIANT* result) {
  IDispatch* script = nullptr;
  if (!GetScript(&script)) return false;
  bool ok = CallScriptOn(script, function, args, result);
  script->Release();
  return ok;
}

bool CWebPage::CallScriptInFrame(const std::string& frame, const std::string& function,
                                 const std::vector<std::string>& args, VARIANT* result) {
  IHTMLDocument2* document = nullptr;
  if (!GetFrameDocument(frame, &document)) return Fail(Format("Cannot GetDocument in frame:%s", frame.c_str()));
  IDispatch* script = nullptr;
  HRESULT hr = document->get_Script(&script);
  document->Release();
  if (FAILED(hr) || !script) return Fail(Format("Cannot GetScript in frame:%s", frame.c_str()));
  bool ok = CallScriptOn(script, function, args, result);
  script->Release();
  return ok;
}

bool CWebPage::CallScriptOn(IDispatch* script, const std::string& function, const std::vector<std::string>& args,
                            VARIANT* result) {
  if (!script) return Fail("NULL pointer");
  // 2. The function's dispatch id, system default locale.
  std::wstring wideName = FromAnsi(function);
  BSTR name = SysAllocStringLen(wideName.data(), static_cast<UINT>(wideName.size()));
  DISPID id = DISPID_UNKNOWN;
  HRESULT hr = script->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_SYSTEM_DEFAULT, &id);
  SysFreeString(name);
  if (FAILED(hr)) return FailCode(hr);
  // 3. String arguments in reverse order.
  std::vector<VARIANT> variants(args.size());
  for (size_t i = 0; i < args.size(); ++i) {
    VARIANT& v = variants[args.size() - 1 - i];
    VariantInit(&v);
    std::wstring wide = FromAnsi(args[i]);
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
  }
  DISPPARAMS params = {};
  params.rgvarg = variants.empty() ? nullptr : variants.data();
  params.cArgs = static_cast<UINT>(variants.size());
  // 4. Call as a method.
  VARIANT local;
  VariantInit(&local);
  EXCEPINFO exception = {};
  UINT argError = 0;
  hr = script->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, &local, &exception, &argError);
  for (VARIANT& v : variants) VariantClear(&v);
  SysFreeString(exception.bstrSource);
  SysFreeString(exception.bstrDescription);
  SysFreeString(exception.bstrHelpFile);
  // 5. Result.
  if (FAILED(hr)) {
    VariantClear(&local);
    return FailCode(hr);
  }
  if (result) {
    VariantInit(result);
    VariantCopy(result, &local);
  }
  VariantClear(&local);
  return true;
}

}  // namespace quorvane
