// The page bridge: every call takes the document anew, hands it to
// a new CWebPage and calls the function in the top document or in a named frame.
#pragma once
#include <functional>

#include "host_api.h"
#include "web_page.h"

namespace quorvane {

class DocumentPageScript : public PageScript {
 public:
  // getDocument returns the current document with a reference added (or null).
  explicit DocumentPageScript(std::function<IDispatch*()> getDocument) : getDocument_(std::move(getDocument)) {}
  bool Call(const std::string& frame, const std::string& function, const std::vector<std::string>& args) override {
    CWebPage page;
    IDispatch* document = getDocument_ ? getDocument_() : nullptr;
    bool ok = page.SetDocument(document);
    if (document) document->Release();
    if (ok) ok = frame.empty() ? page.CallScript(function, args) : page.CallScriptInFrame(frame, function, args);
    lastError_ = ok ? std::string() : page.LastError();
    return ok;
  }
  // The error text of the last failed call (diagnosis only).
  const std::string& LastError() const { return lastError_; }

 private:
  std::function<IDispatch*()> getDocument_;
  std::string lastError_;
};

}  // namespace quorvane
