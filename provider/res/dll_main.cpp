// Library attach and detach.
#include <windows.h>

#include "../config/app.h"
#include "../transport/reader_table.h"
#include "../transport/transport_loader.h"
#include "../ui/windows_ui.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      DisableThreadLibraryCalls(instance);
      pq::ClearReaderTable();
      (void)pq::LoadTransport(nullptr);  // the provider loads even without a transport
      pq::InstallWindowsUi();
      pq::InitialiseApplication();
      break;
    case DLL_PROCESS_DETACH:
      // At process exit the transport may already be gone; only an explicit unload frees it.
      if (reserved == nullptr) pq::UnloadTransport();
      break;
  }
  return TRUE;
}
