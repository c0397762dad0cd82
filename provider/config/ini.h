// A profile file reader/writer bound to one path. Built on the stack for each call
// and dropped again: nothing is cached between calls.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include <string>

namespace pq {

class CIni {
 public:
  explicit CIni(std::string path) : path_(std::move(path)) {}

  // Copies the value (or `def`) into `buffer` of `size` bytes, NUL-terminated and cut
  // without splitting a character; returns the bytes copied.
  size_t ReadString(const char* section, const char* key, const char* def, char* buffer, size_t size) const;
  std::string ReadString(const char* section, const char* key, const char* def) const;
  int32_t ReadInt(const char* section, const char* key, int32_t def) const;
  int32_t ReadBool(const char* section, const char* key, int32_t def) const;
  bool WriteString(const char* section, const char* key, const char* value) const;
  bool WriteInt(const char* section, const char* key, int32_t value) const;

  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace pq
