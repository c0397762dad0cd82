// The ciphers of the secure-messaging envelope, shared by the provider (which wraps
// commands) and the virtual token (which checks them).
#pragma once
#include <stddef.h>
#include <stdint.h>

#include <vector>

namespace pq {

using Bytes = std::vector<uint8_t>;

// 16: SM4 with a 16-byte key; 8: DES (8-byte key), two-key or three-key triple DES.
enum class EnvelopeCipher { kSm4 = 16, kDes = 8 };

// Whether `keyLength` suits the cipher.
bool EnvelopeKeyValid(EnvelopeCipher cipher, size_t keyLength);

// Length prefix (1 byte below 256, else 2 bytes big-endian) + data + padding:
// SM4: zeros up to a multiple of 16 (none when aligned); DES: n bytes of value n, n = 1..8.
Bytes EnvelopePlainBlock(EnvelopeCipher cipher, const uint8_t* data, size_t length);

// ECB over whole blocks. False on a bad key or unaligned input.
bool EnvelopeEcb(EnvelopeCipher cipher, bool encrypt, const uint8_t* key, size_t keyLength, const Bytes& in, Bytes& out);

// 4-byte MAC: 0x80 then zeros to the next block boundary (a whole block when already
// aligned), CBC from `iv`; SM4 takes the last block, DES uses ISO/IEC 9797-1 algorithm 3.
bool EnvelopeMac(EnvelopeCipher cipher, const uint8_t* key, size_t keyLength, const uint8_t* iv, const Bytes& input,
                 uint8_t mac[4]);

void SecureClear(void* p, size_t n);

}  // namespace pq
