// The provider's windows as the token code sees them. The window layer fills these
// in when the library is loaded; where it is absent (native builds) nothing is shown
// and operations go on without their windows.
#pragma once
#include <stdint.h>

#include "../transport/platform.h"

// A progress note request, kept alive by the caller while the note shows.
struct KVUIInfo {
  char name[256];  // token label or reader name inserted into the message
  uint32_t kind;   // see NoteKind
  uint32_t show;   // non-zero: show; 0: close the note shown earlier with this request
  void* window;    // filled in by the note when it opens
  void* module;    // the provider's module, filled in on show
  char text[384];  // the message built for the note
};

namespace pq {

enum NoteKind : uint32_t {
  kNoteFormatting = 1,
  kNoteRsaKeyGeneration = 2,
  kNoteErasing = 3,
  kNoteWritingCertificate = 4,
  kNoteCertificateStoreFull = 5,
  kNoteSm2KeyGeneration = 6,
};

struct UiHooks {
  // The button-press wait dialog: opened on a thread of its own.
  void* (*openButtonWait)() = nullptr;
  bool (*buttonWaitVisible)(void* wait) = nullptr;
  bool (*buttonWaitEnded)(void* wait) = nullptr;  // the user closed it
  void (*closeButtonWait)(void* wait) = nullptr;  // closes it if open, waits for its thread, frees it
  // Inside the browser plug-in host: lets the provider's next window take the foreground.
  void (*foregroundWorkaround)() = nullptr;
  // Progress notes.
  void* (*providerModule)() = nullptr;
  void (*showNote)(KVUIInfo* request) = nullptr;  // starts the note's thread
  void (*closeNote)(KVUIInfo* request) = nullptr;
};

UiHooks& Ui();

}  // namespace pq

PQ_EXPORT uint32_t PQ_WINAPI KVShowUIInfo(KVUIInfo* request);
PQ_EXPORT uint32_t PQ_WINAPI PressKeyTransmit(DeviceHandle device, const uint8_t* command, int32_t commandLength,
                                              uint8_t* response, uint32_t* responseLength, uint32_t* statusWord,
                                              int32_t* pending, int32_t noWait);
