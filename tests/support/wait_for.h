// Polls a condition for up to `ms` milliseconds: tests wait for things that happen on
// other threads or in other processes without a fixed sleep.
#pragma once
#include <windows.h>

namespace testing_support {

template <typename Fn>
bool WaitFor(Fn condition, DWORD ms) {
  ULONGLONG end = GetTickCount64() + ms;
  while (GetTickCount64() < end) {
    if (condition()) return true;
    Sleep(10);
  }
  return condition();
}

}  // namespace testing_support
