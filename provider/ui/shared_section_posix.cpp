// Native builds (unit tests): sections live in process memory, kept while any
// object maps them or one was kept for the process lifetime. The cross-process
// behaviour is tested under Wine with the Windows implementation.
#include <string.h>
#include <unistd.h>

#include <map>
#include <mutex>
#include <vector>

#include "shared_section.h"

namespace pq {
namespace {

struct Section {
  std::vector<uint8_t> bytes;
  int users = 0;
  bool kept = false;
};

std::mutex g_lock;
std::map<std::string, Section> g_sections;

}  // namespace

SharedSection::SharedSection(const std::string& name, size_t size) : size_(size) {
  std::lock_guard<std::mutex> guard(g_lock);
  auto it = g_sections.find(name);
  existed_ = it != g_sections.end();
  if (!existed_) it = g_sections.emplace(name, Section{std::vector<uint8_t>(size, 0), 0, false}).first;
  ++it->second.users;
  handle_ = &*it;
  view_ = it->second.bytes.data();
}

SharedSection::~SharedSection() {
  std::lock_guard<std::mutex> guard(g_lock);
  auto* entry = static_cast<std::pair<const std::string, Section>*>(handle_);
  if (keep_) entry->second.kept = true;
  if (--entry->second.users == 0 && !entry->second.kept) g_sections.erase(entry->first);
}

void SharedSection::Flush() {}

uint32_t ThisProcessId() { return static_cast<uint32_t>(getpid()); }

}  // namespace pq
