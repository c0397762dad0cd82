// Native builds (unit tests): the lock is process-local. The cross-process
// behaviour is tested under Wine with the Windows implementation.
#include <condition_variable>
#include <mutex>
#include <set>
#include <string>

#include "named_lock.h"

namespace pq {
namespace {

std::mutex g_lock;
std::condition_variable g_released;
std::set<std::string> g_held;

}  // namespace

NamedLock::NamedLock(const char* name) {
  std::unique_lock<std::mutex> lock(g_lock);
  g_released.wait(lock, [&] { return g_held.count(name) == 0; });
  g_held.insert(name);
  handle_ = new std::string(name);
}

NamedLock::~NamedLock() {
  if (handle_ == nullptr) return;
  auto* name = static_cast<std::string*>(handle_);
  {
    std::lock_guard<std::mutex> lock(g_lock);
    g_held.erase(*name);
  }
  g_released.notify_all();
  delete name;
}

}  // namespace pq
