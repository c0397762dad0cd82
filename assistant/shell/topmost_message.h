// ShowTopmostMessage: a message box made topmost through an invisible owner dialog
// (KVDummhMsgDlg, template 106) on a worker thread; the caller waits until it is dismissed.
#pragma once
#include <string>

namespace quorvane {

void ShowTopmostMessage(const std::wstring& text, const std::wstring& caption);

}  // namespace quorvane
