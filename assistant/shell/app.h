// CTessalyApp: start-up, single instance, the registered messages, and shutdown.
#pragma once
#include <windows.h>

#include <string>

#include "../env/operations.h"
#include "main_dialog.h"

namespace quorvane {

// The name under which ServiceMessage is registered.
extern const char kServiceMessageName[];

// Registers ActivateMessage (string 160), QuitMessage (string 161) and ServiceMessage.
RegisteredMessages RegisterMessages();

// Lets a message through the user-interface privilege filter ("ChangeWindowMessageFilter" of
// "user32", looked up once; skipped where it does not exist). True when the call was made.
bool AllowMessageThroughFilter(UINT message);

class CTessalyApp {
 public:
  explicit CTessalyApp(HINSTANCE module) : module_(module) {}
  // Runs the program; returns the process exit code.
  int Run(const std::string& commandLine, Operations& ops);

 private:
  HINSTANCE module_;
};

}  // namespace quorvane
