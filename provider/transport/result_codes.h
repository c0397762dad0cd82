// The provider's result codes. Transport results and Windows codes pass through unchanged.
#pragma once
#include <stdint.h>

namespace pq {

constexpr uint32_t kOk = 0;
constexpr uint32_t kErrNoMemory = 8;
constexpr uint32_t kErrInvalidParameter = 87;
constexpr uint32_t kErrBufferTooSmall = 234;
constexpr uint32_t kErrNotFound = 1168;

constexpr uint32_t kErrInvalidArgument = 0x88000001;
constexpr uint32_t kErrNoAnswerAfterLongOp = 0x88000007;
constexpr uint32_t kErrSizeOrLookup = 0x88000008;
constexpr uint32_t kErrKeyForm = 0x88000020;
constexpr uint32_t kErrDataTooLong = 0x88000021;
constexpr uint32_t kErrCreateMF = 0x88000030;
constexpr uint32_t kErrActivateMF = 0x88000031;
constexpr uint32_t kErrDeleteMF = 0x88000032;
constexpr uint32_t kErrCreateDF = 0x88000033;
constexpr uint32_t kErrCreateEF = 0x88000034;
constexpr uint32_t kErrMFNotFound = 0x88000035;
constexpr uint32_t kErrDFNotFound = 0x88000036;
constexpr uint32_t kErrEFNotFound = 0x88000037;
constexpr uint32_t kErrEFExists = 0x88000038;
constexpr uint32_t kErrNoSpace = 0x88000039;
constexpr uint32_t kErrDFExists = 0x886A8038;
constexpr uint32_t kErrWriteKey = 0x8800003B;
constexpr uint32_t kErrPinWrong = 0x8800003D;
constexpr uint32_t kErrPinBlocked = 0x8800003E;
constexpr uint32_t kErrReadBinary = 0x8800003F;
constexpr uint32_t kErrUpdateBinary = 0x88000040;
constexpr uint32_t kErrNotSupported = 0x88000041;
constexpr uint32_t kErrSecurityStatus = 0x88000043;
constexpr uint32_t kErrUnexpectedStatus = 0x88000044;
constexpr uint32_t kErrGetDataRefused = 0x88000046;
constexpr uint32_t kErrCancelled = 0x88000061;
constexpr uint32_t kErrTimedOut = 0xE0020013;
constexpr uint32_t kErrButtonPending = 0xE0020019;
constexpr uint32_t kErrButtonEnded = 0xE002001A;

// Returned by any operation while the transport is missing or incomplete.
constexpr uint32_t kErrTransportUnavailable = 0x88000002;

constexpr uint32_t kNteFail = 0x80090020;

}  // namespace pq
