// Insertion and removal reach the registered handlers on a thread of the transport.
#pragma once
#include <stdint.h>

#include "zt_api.h"

namespace vt {

uint32_t AddDeviceHandlers(uint32_t slot, ZTDevChgHandler arrived, ZTDevChgHandler removed, void* context);
void StopDeviceMonitor();
// Called at unload by FreeLibrary: the thread must not run on in unmapped code.
void KillDeviceMonitor();
// 1 = arrival, 2 = removal.
uint32_t WaitForPresenceChange(uint32_t timeoutMs, uint32_t* slot, uint32_t* event);

}  // namespace vt
