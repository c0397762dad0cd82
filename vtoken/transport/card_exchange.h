#pragma once
#include <stdint.h>

#include "card_state.h"

namespace vt {

// Runs one command on the token in `slot` (the caller holds the reader's
// transaction): faults first, then the card; the token file is rewritten when the
// card's state changed. Every exchange is traced.
uint32_t ExchangeWithCard(uint32_t slot, const uint8_t* command, uint32_t length, uint8_t* response,
                          uint32_t* responseLength, uint32_t* statusWord);

// The current state of the token in `slot` (read from its file when it changed).
bool CurrentCard(uint32_t slot, vtoken::CardState* state);
// Clears the card's RAM, as a reset or a new insertion does.
bool ResetCard(uint32_t slot);
// Changes the token's state outside any command (the caller holds the transaction).
bool ModifyCard(uint32_t slot, void (*change)(vtoken::CardState&, const void*), const void* argument);

}  // namespace vt
