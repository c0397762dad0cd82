// A small document object for the page bridge: a top document with a script object and named
// frames, each frame a window whose document has its own script object. Script objects know a set
// of function names and record every call with its arguments in page order.
#pragma once
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "html_stubs.h"

namespace assistant_test {

// Reference counting that only counts: the objects live in the test's scope.
#define ASSISTANT_TEST_COUNTING                                            \
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }               \
  STDMETHODIMP_(ULONG) Release() override { return --refs; }              \
  LONG refs = 0;

// The document objects are reached through their own interfaces only, never by name.
#define ASSISTANT_TEST_NO_DISPATCH                                                                  \
  STDMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }                               \
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }                  \
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; } \
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override { return E_NOTIMPL; }

struct ScriptCall {
  std::string frame;
  std::string function;
  std::vector<std::wstring> args;  // page order
};

class FakeScript : public IDispatch {
 public:
  FakeScript(std::string frame, std::vector<std::string> functions, std::vector<ScriptCall>* log)
      : frame_(std::move(frame)), functions_(std::move(functions)), log_(log) {}
  ASSISTANT_TEST_COUNTING
  STDMETHODIMP QueryInterface(REFIID riid, void** object) override {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)) {
      *object = this;
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override {
    lastLcid = lcid;
    for (UINT i = 0; i < count; ++i) {
      ids[i] = DISPID_UNKNOWN;
      std::wstring name(names[i]);
      for (size_t f = 0; f < functions_.size(); ++f) {
        if (name == std::wstring(functions_[f].begin(), functions_[f].end())) ids[i] = static_cast<DISPID>(f + 1);
      }
      if (ids[i] == DISPID_UNKNOWN) return DISP_E_UNKNOWNNAME;
    }
    return S_OK;
  }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                      UINT*) override {
    if (id < 1 || static_cast<size_t>(id) > functions_.size()) return DISP_E_MEMBERNOTFOUND;
    if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
    ScriptCall call{frame_, functions_[static_cast<size_t>(id - 1)], {}};
    for (UINT i = params->cArgs; i-- > 0;) {
      const VARIANT& v = params->rgvarg[i];
      call.args.push_back(V_VT(&v) == VT_BSTR ? std::wstring(V_BSTR(&v), SysStringLen(V_BSTR(&v))) : L"<not a string>");
    }
    log_->push_back(call);
    if (result) {
      V_VT(result) = VT_I4;
      V_I4(result) = static_cast<LONG>(call.args.size());
    }
    return S_OK;
  }
  LCID lastLcid = 0;

 private:
  std::string frame_;
  std::vector<std::string> functions_;
  std::vector<ScriptCall>* log_;
};

class FakeDocument;

class FakeHtmlWindow : public StubHTMLWindow2 {
 public:
  explicit FakeHtmlWindow(FakeDocument* document) : document_(document) {}
  ASSISTANT_TEST_COUNTING
  STDMETHODIMP QueryInterface(REFIID riid, void** object) override {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, IID_IHTMLWindow2)) {
      *object = static_cast<IHTMLWindow2*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ASSISTANT_TEST_NO_DISPATCH
  STDMETHODIMP get_document(IHTMLDocument2** p) override;

 private:
  FakeDocument* document_;
};

class FakeFrames;

class FakeDocument : public StubHTMLDocument2 {
 public:
  FakeDocument(const std::string& name, std::vector<std::string> functions, std::vector<ScriptCall>* log)
      : script(name, std::move(functions), log) {}
  ASSISTANT_TEST_COUNTING
  STDMETHODIMP QueryInterface(REFIID riid, void** object) override {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, IID_IHTMLDocument) ||
        IsEqualIID(riid, IID_IHTMLDocument2)) {
      *object = static_cast<IHTMLDocument2*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ASSISTANT_TEST_NO_DISPATCH
  STDMETHODIMP get_Script(IDispatch** p) override {
    if (!scriptPresent) {
      *p = nullptr;
      return E_FAIL;
    }
    *p = &script;
    script.AddRef();
    return S_OK;
  }
  STDMETHODIMP get_frames(IHTMLFramesCollection2** p) override;

  // A named frame with its own document and script functions.
  FakeDocument* AddFrame(const std::string& name, std::vector<std::string> functions, std::vector<ScriptCall>* log);
  FakeHtmlWindow* FrameWindow(const std::string& name);

  FakeScript script;
  bool scriptPresent = true;

 private:
  std::map<std::string, std::unique_ptr<struct FakeFrame>> frames_;
  std::unique_ptr<FakeFrames> collection_;
};

class FakeFrames : public StubHTMLFramesCollection2 {
 public:
  explicit FakeFrames(FakeDocument* owner) : owner_(owner) {}
  ASSISTANT_TEST_COUNTING
  STDMETHODIMP QueryInterface(REFIID riid, void** object) override {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, IID_IHTMLFramesCollection2)) {
      *object = static_cast<IHTMLFramesCollection2*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ASSISTANT_TEST_NO_DISPATCH
  // Frames by name, as the browser's collection answers a string index.
  STDMETHODIMP item(VARIANT* index, VARIANT* result) override {
    if (!index || V_VT(index) != VT_BSTR) return E_INVALIDARG;
    std::wstring wide(V_BSTR(index), SysStringLen(V_BSTR(index)));
    FakeHtmlWindow* window = owner_->FrameWindow(std::string(wide.begin(), wide.end()));
    if (!window) return E_INVALIDARG;
    V_VT(result) = VT_DISPATCH;
    V_DISPATCH(result) = static_cast<IHTMLWindow2*>(window);
    window->AddRef();
    return S_OK;
  }

 private:
  FakeDocument* owner_;
};

struct FakeFrame {
  FakeFrame(const std::string& name, std::vector<std::string> functions, std::vector<ScriptCall>* log)
      : document(name, std::move(functions), log), window(&document) {}
  FakeDocument document;
  FakeHtmlWindow window;
};

inline FakeDocument* FakeDocument::AddFrame(const std::string& name, std::vector<std::string> functions,
                                            std::vector<ScriptCall>* log) {
  auto frame = std::make_unique<FakeFrame>(name, std::move(functions), log);
  FakeDocument* document = &frame->document;
  frames_[name] = std::move(frame);
  return document;
}

inline FakeHtmlWindow* FakeDocument::FrameWindow(const std::string& name) {
  auto it = frames_.find(name);
  return it == frames_.end() ? nullptr : &it->second->window;
}

inline STDMETHODIMP FakeHtmlWindow::get_document(IHTMLDocument2** p) {
  *p = document_;
  document_->AddRef();
  return S_OK;
}

inline STDMETHODIMP FakeDocument::get_frames(IHTMLFramesCollection2** p) {
  if (!collection_) collection_ = std::make_unique<FakeFrames>(this);
  *p = collection_.get();
  collection_->AddRef();
  return S_OK;
}

}  // namespace assistant_test
