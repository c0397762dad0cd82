// The library's application object: the registered window messages, the PIN length
// limits read at load, the reader remembered by the last PIN change, and the
// registry of the modal dialogs currently shown per reader (token removal closes them).
#pragma once
#include <stdint.h>

#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace pq {

enum class AppMessage { kContentChanged, kFormatStarting, kMustChangeInitPin, kShowChangePinDialog, kCount };

// The registered name of a message for an installation number.
std::string AppMessageName(AppMessage message, int32_t installNumber);

// What a dialog closed by the provider (not by the user) receives as its close reason.
constexpr uintptr_t kClosedByProvider = 100;
constexpr uintptr_t kClosedByWorker = 101;

class CPelqinCSPApp {
 public:
  CPelqinCSPApp();

  void SetRememberedReader(const char* reader);
  std::string RememberedReader() const;

  // Files a dialog under its reader; an empty name files it under the remembered reader.
  void RegisterDialog(const char* reader, void* dialog);
  void UnregisterDialog(void* dialog);
  // Forgets every dialog of the reader and posts each a close request.
  void CloseDialogsOf(const char* reader);
  size_t DialogCount(const char* reader) const;

  // Posts the provider's close request to a dialog; set by the window layer.
  void (*postClose)(void* dialog) = nullptr;

  uint32_t Message(AppMessage m) const { return messages_[static_cast<int>(m)]; }
  void SetMessage(AppMessage m, uint32_t id) { messages_[static_cast<int>(m)] = id; }

  int32_t minPinLength = 4;
  int32_t maxPinLength = 16;

 private:
  mutable std::mutex lock_;
  std::string rememberedReader_;
  std::vector<std::pair<std::string, void*>> dialogs_;
  uint32_t messages_[static_cast<int>(AppMessage::kCount)] = {};
};

CPelqinCSPApp& App();

// Start-up on Windows: registers the messages, reads the PIN limits, initialises
// the common controls. Portable builds only read the limits.
void InitialiseApplication();

}  // namespace pq
