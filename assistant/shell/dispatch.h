// CImpIDispatch: the page's external object. A fixed table of 36 host functions with
// fixed dispatch ids; the page calls them through window.external.
#pragma once
#include <oaidl.h>
#include <windows.h>

#include <string>

#include "host_api.h"

namespace quorvane {

// Argument conversion rules: the page's arguments arrive in reverse order
// (its last argument in rgvarg[0]). A missing argument or one that is not a string reads as empty;
// nothing reads past the arguments given.
namespace args {
// The page's argument number `index` (0 = first) when the page passed at least `expected`
// arguments, converted to ANSI; empty otherwise or when it is not a string.
std::string PageString(const DISPPARAMS* params, unsigned index, unsigned expected);
// The page's last argument (its only one for the functions that take one); empty when none.
std::string LastString(const DISPPARAMS* params);
// True only when the page's last argument is a number equal to 0.
bool LastIsZero(const DISPPARAMS* params);
// A variant's text: BSTR (also by reference or inside a referenced variant) to ANSI.
bool VariantText(const VARIANT* value, std::string* text);
}  // namespace args

class CImpIDispatch : public IDispatch {
 public:
  explicit CImpIDispatch(HostApi* api) : api_(api) {}
  virtual ~CImpIDispatch() = default;

  // Number of names in the table and lookup by exact name (-1 when unknown).
  static int TableSize();
  static DISPID Lookup(const std::string& name);
  LONG References() const { return refs_; }

  STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP GetTypeInfoCount(UINT* count) override;
  STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
  STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
  STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO* exception, UINT* argError) override;

 private:
  HostApi* api_;
  LONG refs_ = 0;
};

}  // namespace quorvane
