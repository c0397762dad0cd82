#include <windows.h>

#include "device_monitor.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
  // Unloaded by FreeLibrary: the monitor thread must not wake up in unmapped code.
  if (reason == DLL_PROCESS_DETACH && reserved == nullptr) vt::KillDeviceMonitor();
  return TRUE;
}
