// Exported functions run their body through Guarded so that no exception crosses
// the library boundary.
#pragma once
#include <new>

#include "result_codes.h"

namespace pq {

template <typename Fn>
uint32_t Guarded(Fn&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return kErrNoMemory;
  } catch (...) {
    return kNteFail;
  }
}

}  // namespace pq
