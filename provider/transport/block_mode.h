// The block mode of secure messaging: chosen per token, kept per device handle so
// that two threads working on tokens of different generations never see each
// other's mode.
#pragma once
#include "platform.h"

namespace pq {

enum class BlockMode { k16 = 16, k8 = 8 };

inline unsigned BlockSize(BlockMode mode) { return static_cast<unsigned>(mode); }

// Asks the token: 8-byte mode for button type 131 without encrypted-MAC commands,
// else 16-byte mode. Records the answer for `device`.
BlockMode EvaluateBlockMode(DeviceHandle device);

// The mode last recorded for `device`; 16-byte mode when none was.
BlockMode DeviceBlockMode(DeviceHandle device);
void SetDeviceBlockMode(DeviceHandle device, BlockMode mode);
// Called when a handle is disconnected so that a reused value starts afresh.
void ForgetDeviceBlockMode(DeviceHandle device);

}  // namespace pq
