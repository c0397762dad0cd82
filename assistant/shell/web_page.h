// CWebPage: calls script functions of the page's document or of one of its named frames.
// Built for each batch of calls; the last error text is kept for diagnosis only.
#pragma once
#include <mshtml.h>
#include <windows.h>

#include <string>
#include <vector>

namespace quorvane {

class CWebPage {
 public:
  CWebPage() = default;
  ~CWebPage();
  CWebPage(const CWebPage&) = delete;
  CWebPage& operator=(const CWebPage&) = delete;

  bool SetDocument(IDispatch* document);
  bool GetScript(IDispatch** script);
  bool GetFrameDocument(const std::string& frame, IHTMLDocument2** document);
  // Calls a function of a script object (the top document's when script is null and a document
  // is set). Arguments are ANSI texts, passed as string variants.
  bool CallScript(const std::string& function, const std::vector<std::string>& args, VARIANT* result = nullptr);
  bool CallScriptInFrame(const std::string& frame, const std::string& function, const std::vector<std::string>& args,
                         VARIANT* result = nullptr);
  // The call itself, on a given script object.
  bool CallScriptOn(IDispatch* script, const std::string& function, const std::vector<std::string>& args,
                    VARIANT* result);

  const std::string& LastError() const { return lastError_; }

 private:
  bool Fail(const std::string& message);
  bool FailCode(HRESULT code);

  IHTMLDocument2* document_ = nullptr;
  std::string lastError_;
};

}  // namespace quorvane
