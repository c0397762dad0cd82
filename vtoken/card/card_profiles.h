// Token generations the virtual token can be created as.
#pragma once
#include <string>
#include <vector>

#include "card_state.h"

namespace vtoken {

struct ProfileInfo {
  const char* name;
  const char* description;
};

const std::vector<ProfileInfo>& Profiles();

// A fresh token of profile `name` with the given serial. False for an unknown name.
bool MakeCard(const std::string& name, const std::array<uint8_t, 8>& serial, CardState& out);

}  // namespace vtoken
