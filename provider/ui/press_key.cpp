// Commands that may need the token's button, and the progress note request.
#include <chrono>
#include <thread>

#include "../config/settings.h"
#include "../transport/export_guard.h"
#include "../transport/result_codes.h"
#include "../transport/transport_binding.h"
#include "ui_hooks.h"

using namespace pq;

namespace {

constexpr uint32_t kSentWithoutWaiting = 66;
constexpr uint32_t kSwButtonWait = 0x6954;
constexpr uint32_t kSwButtonWaitDisplay = 0x6955;
constexpr int kDialogAppearMs = 2000;

bool TokenWaitsForButton(uint32_t sw) { return sw == kSwButtonWait || sw == kSwButtonWaitDisplay; }

// The wait dialog for the time the token waits; closed on every path.
class ButtonWaitWindow {
 public:
  ButtonWaitWindow() {
    if (Ui().openButtonWait == nullptr) return;
    wait_ = Ui().openButtonWait();
    if (wait_ == nullptr || Ui().buttonWaitVisible == nullptr) return;
    for (int waited = 0; waited < kDialogAppearMs && !Ui().buttonWaitVisible(wait_); waited += 20)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ~ButtonWaitWindow() {
    if (wait_ != nullptr && Ui().closeButtonWait != nullptr) Ui().closeButtonWait(wait_);
  }
  ButtonWaitWindow(const ButtonWaitWindow&) = delete;
  ButtonWaitWindow& operator=(const ButtonWaitWindow&) = delete;
  bool ClosedByUser() const { return wait_ != nullptr && Ui().buttonWaitEnded && Ui().buttonWaitEnded(wait_); }

 private:
  void* wait_ = nullptr;
};

}  // namespace

namespace pq {
UiHooks& Ui() {
  static UiHooks hooks;
  return hooks;
}
}  // namespace pq

PQ_EXPORT uint32_t PQ_WINAPI PressKeyTransmit(DeviceHandle device, const uint8_t* command, int32_t commandLength,
                                              uint8_t* response, uint32_t* responseLength, uint32_t* statusWord,
                                              int32_t* pending, int32_t noWait) {
  return Guarded([&]() -> uint32_t {
    if (command == nullptr || commandLength <= 0 || response == nullptr || responseLength == nullptr ||
        statusWord == nullptr || pending == nullptr)
      return kErrInvalidArgument;
    if (!TransportReady()) return kErrTransportUnavailable;
    if (Ui().foregroundWorkaround) Ui().foregroundWorkaround();
    const int32_t timeoutSeconds = SettingOr(setting::kPressButtonOverTime, setting::kPressButtonOverTime.def);
    const uint32_t capacity = *responseLength;
    auto transmit = [&]() {
      *responseLength = capacity;
      return Transport().transmit(device, command, static_cast<uint32_t>(commandLength), response, responseLength,
                                  statusWord);
    };

    uint32_t rc = transmit();
    if (noWait) return kSentWithoutWaiting;
    *pending = *statusWord == kSwButtonWait ? 1 : 0;
    if (rc != 0 || !TokenWaitsForButton(*statusWord)) return rc;

    const auto start = std::chrono::steady_clock::now();
    ButtonWaitWindow window;
    for (;;) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      if (window.ClosedByUser()) return kErrCancelled;
      rc = transmit();
      if (rc != 0 || !TokenWaitsForButton(*statusWord)) return rc;
      if (std::chrono::steady_clock::now() - start >= std::chrono::seconds(timeoutSeconds)) return kErrTimedOut;
    }
  });
}

PQ_EXPORT uint32_t PQ_WINAPI KVShowUIInfo(KVUIInfo* request) {
  return Guarded([&]() -> uint32_t {
    if (request == nullptr) return kErrInvalidArgument;
    if (request->show == 0) {
      if (Ui().closeNote) Ui().closeNote(request);
      return kOk;
    }
    if (request->kind < kNoteFormatting || request->kind > kNoteSm2KeyGeneration) return kOk;  // nothing to show
    if (Ui().providerModule) request->module = Ui().providerModule();
    if (Ui().showNote) Ui().showNote(request);
    return kOk;
  });
}
