// SM2 identity digest Z = SM3(ENTL || ID || a || b || Gx || Gy || xA || yA).

#include "sm2_internal.h"

namespace {

constexpr auto kA = smcrypto::HexBytes32(smcrypto::kHexA);
constexpr auto kB = smcrypto::HexBytes32(smcrypto::kHexB);
constexpr auto kGx = smcrypto::HexBytes32(smcrypto::kHexGx);
constexpr auto kGy = smcrypto::HexBytes32(smcrypto::kHexGy);

}  // namespace

extern "C" uint32_t SM2ComputeZ(const uint8_t* id, uint32_t idLen, const uint8_t x[32], const uint8_t y[32],
                                uint8_t z[32]) {
    if (id == nullptr || x == nullptr || y == nullptr || z == nullptr || idLen == 0)
        return SMCRYPTO_E_INVALID_PARAMETER;
    if (idLen > SM2_MAX_IDENTITY) return SMCRYPTO_E_NO_MEMORY;

    const uint32_t bits = idLen * 8;  // at most 4096: fits ENTL's 16 bits
    const uint8_t entl[2] = {uint8_t(bits >> 8), uint8_t(bits)};
    SM3_CONTEXT ctx;
    SM3Init(&ctx);
    SM3Update(&ctx, entl, sizeof(entl));
    SM3Update(&ctx, id, idLen);
    SM3Update(&ctx, kA.data(), 32);
    SM3Update(&ctx, kB.data(), 32);
    SM3Update(&ctx, kGx.data(), 32);
    SM3Update(&ctx, kGy.data(), 32);
    SM3Update(&ctx, x, 32);
    SM3Update(&ctx, y, 32);
    SM3Final(&ctx, z);
    return SMCRYPTO_OK;
}
