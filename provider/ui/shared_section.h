// A named shared-memory section in the paging file, mapped while the object lives.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include <string>

namespace pq {

class SharedSection {
 public:
  // Creates or opens the section; a new one is labelled for low-integrity readers
  // and zero-filled.
  SharedSection(const std::string& name, size_t size);
  ~SharedSection();
  SharedSection(const SharedSection&) = delete;
  SharedSection& operator=(const SharedSection&) = delete;

  bool Ok() const { return view_ != nullptr; }
  bool Existed() const { return existed_; }
  uint8_t* View() const { return view_; }
  void Flush();
  // Keeps the section alive for the rest of the process (the handle is not closed).
  void KeepForProcessLifetime() { keep_ = true; }

 private:
  void* handle_ = nullptr;
  uint8_t* view_ = nullptr;
  size_t size_;
  bool existed_ = false;
  bool keep_ = false;
};

uint32_t ThisProcessId();

}  // namespace pq
