#include "block_mode.h"

#include <map>
#include <mutex>

#include "../token/device_info.h"

namespace pq {
namespace {

std::mutex g_modesLock;
std::map<DeviceHandle, BlockMode>& Modes() {
  static std::map<DeviceHandle, BlockMode> modes;
  return modes;
}

}  // namespace

BlockMode EvaluateBlockMode(DeviceHandle device) {
  uint32_t buttonType = 0;
  // A token that will not tell its button type counts as type 0.
  if (HWGetPressKeyType(device, &buttonType) != 0) buttonType = 0;
  BlockMode mode = (buttonType == 131 && HWGetSupportEncMacCMD(device) == 0) ? BlockMode::k8 : BlockMode::k16;
  SetDeviceBlockMode(device, mode);
  return mode;
}

BlockMode DeviceBlockMode(DeviceHandle device) {
  std::lock_guard<std::mutex> lock(g_modesLock);
  auto it = Modes().find(device);
  return it == Modes().end() ? BlockMode::k16 : it->second;
}

void SetDeviceBlockMode(DeviceHandle device, BlockMode mode) {
  std::lock_guard<std::mutex> lock(g_modesLock);
  Modes()[device] = mode;
}

void ForgetDeviceBlockMode(DeviceHandle device) {
  std::lock_guard<std::mutex> lock(g_modesLock);
  Modes().erase(device);
}

}  // namespace pq
