// Quorvane, the online-banking assistant.
#include <windows.h>

#include "../env/missing_operations.h"
#include "app.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  static quorvane::MissingOperations operations;
  quorvane::CTessalyApp app(instance);
  return app.Run(commandLine ? commandLine : "", operations);
}
