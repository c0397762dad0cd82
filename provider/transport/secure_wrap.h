// The secure-messaging envelope: header, Lc', C (the encrypted plain block), M (MAC).
#pragma once
#include "apdu.h"
#include "block_mode.h"

namespace pq {

// `command` holds the header bytes (4, or 5 for the 2048-bit private-key form) and
// receives the whole enveloped command. `iv` may be null: a challenge is then asked
// from the token right before. Fails with 87 for empty data, data of 4096 bytes or
// more, or a key that does not suit the mode.
uint32_t SecureWrap(DeviceHandle device, BlockMode mode, const uint8_t* key, uint32_t keyLength, Bytes& command,
                    const uint8_t* data, uint32_t dataLength, const uint8_t* iv);

// The same with the mode recorded for `device`.
uint32_t SecureWrap(DeviceHandle device, const uint8_t* key, uint32_t keyLength, Bytes& command, const uint8_t* data,
                    uint32_t dataLength, const uint8_t* iv);

}  // namespace pq
