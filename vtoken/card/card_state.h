// Everything an emulated token remembers. The persistent part survives removal and
// is written to the token's file; the volatile part is the card's RAM and is lost
// on reset or removal.
#pragma once
#include <stdint.h>

#include <array>
#include <map>
#include <string>
#include <vector>

namespace vtoken {

using Bytes = std::vector<uint8_t>;

struct CardState {
  // Persistent: what the token is.
  std::string profile;
  std::array<uint8_t, 8> serial{};
  uint8_t cosVersion = 0x41;
  std::map<uint8_t, Bytes> items;  // GET DATA answers by item number
  bool hasReservedSections = true;
  uint8_t challengeP1 = 0x00;      // the GET CHALLENGE form this chip accepts
  uint32_t freeSpace = 0;
  std::array<Bytes, 3> sections;   // reserved sections: 64, 64 and 192 bytes
  // Commands (by leading bytes) that wait for the button on tokens that have one.
  std::vector<Bytes> confirmPrefixes;
  uint16_t buttonTimeoutSeconds = 300;
  uint8_t buttonMode = 0;

  // Volatile: the card's RAM.
  struct Volatile {
    Bytes lastChallenge;    // the latest GET CHALLENGE answer, for secured commands
    Bytes pendingResponse;  // data announced by 0x61XX, fetched with GET RESPONSE
    Bytes buttonCommand;    // the command waiting for the button, empty when none
    uint8_t buttonOutcome = 0;  // what the user did: see ButtonOutcome
    long long buttonSince = 0;  // when the wait began (seconds)
  } ram;

  void ResetVolatile() { ram = Volatile{}; }
};

// What the user did with the button while a command waited.
enum ButtonOutcome : uint8_t { kButtonNone = 0, kButtonPressed = 1, kButtonRefused = 2, kButtonExpired = 3 };

// True for tokens with a confirmation button (button type 3 or 131).
bool HasButton(const CardState& state);

// The answer to reset, built from the state: the COS version is the second
// historical byte.
Bytes BuildAtr(const CardState& state);

// Serialised form (the token file). Unknown records are skipped when reading, so
// older files stay readable as the card grows.
Bytes EncodeCardState(const CardState& state);
bool DecodeCardState(const uint8_t* data, size_t length, CardState& state);

}  // namespace vtoken
