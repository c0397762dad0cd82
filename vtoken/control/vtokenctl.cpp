// Control program of the virtual token: insert and remove tokens, inject faults,
// show the command trace.
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "card_profiles.h"
#include "vtoken_client.h"

namespace {

int Usage() {
  fputs(
      "usage: vtokenctl readers\n"
      "       vtokenctl profiles\n"
      "       vtokenctl insert <slot> <profile> [serial: 16 hex digits]\n"
      "       vtokenctl remove <slot>\n"
      "       vtokenctl fault <slot> status <command-prefix-hex> <status-hex> [count]\n"
      "       vtokenctl fault <slot> fail <command-prefix-hex> [count]\n"
      "       vtokenctl fault <slot> silent <command-prefix-hex> <milliseconds>\n"
      "       vtokenctl clear-faults <slot>\n"
      "       vtokenctl button <slot> press|refuse|expire\n"
      "       vtokenctl require-button <slot> <command-prefix-hex>\n"
      "       vtokenctl trace <slot> | trace-clear <slot>\n"
      "       vtokenctl store\n",
      stderr);
  return 2;
}

bool ParseNumber(const char* text, int base, uint32_t* out) {
  char* end = nullptr;
  unsigned long v = strtoul(text, &end, base);
  if (end == text || *end != '\0') return false;
  *out = static_cast<uint32_t>(v);
  return true;
}

bool ParseHex(const std::string& text, std::vector<uint8_t>* out) {
  if (text.size() % 2 != 0) return false;
  for (size_t i = 0; i < text.size(); i += 2) {
    uint32_t v = 0;
    if (!ParseNumber(text.substr(i, 2).c_str(), 16, &v)) return false;
    out->push_back(static_cast<uint8_t>(v));
  }
  return true;
}

int Report(uint32_t rc, const char* what) {
  if (rc == 0) return 0;
  fprintf(stderr, "vtokenctl: %s failed: 0x%08X\n", what, static_cast<unsigned>(rc));
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  vt::VTokenClient vtoken;
  if (!vtoken.Load()) {
    fputs("vtokenctl: cannot load ZTCommandLCD_21060.dll beside this program\n", stderr);
    return 1;
  }
  const std::string cmd = argv[1];
  uint32_t slot = 0;
  bool hasSlot = argc >= 3 && ParseNumber(argv[2], 10, &slot);

  if (cmd == "readers") {
    for (uint32_t i = 0; i < vtoken.ReaderCount(); ++i) {
      char name[256];
      vtoken.ReaderName(i, name, sizeof(name));
      printf("%2u  %-26s %s\n", static_cast<unsigned>(i), name, vtoken.IsPresent(i) ? "token present" : "empty");
    }
    return 0;
  }
  if (cmd == "profiles") {
    for (const auto& p : vtoken::Profiles()) printf("%-8s %s\n", p.name, p.description);
    return 0;
  }
  if (cmd == "store") {
    char path[MAX_PATH];
    if (Report(vtoken.StorePath(path, sizeof(path)), "store")) return 1;
    puts(path);
    return 0;
  }
  if (!hasSlot) return Usage();
  if (cmd == "insert" && argc >= 4) return Report(vtoken.Insert(slot, argv[3], argc >= 5 ? argv[4] : nullptr), "insert");
  if (cmd == "remove") return Report(vtoken.Remove(slot), "remove");
  if (cmd == "clear-faults") return Report(vtoken.ClearFaults(slot), "clear-faults");
  if (cmd == "trace-clear") return Report(vtoken.TraceClear(slot), "trace-clear");
  if (cmd == "trace") {
    char path[MAX_PATH];
    if (Report(vtoken.TracePath(slot, path, sizeof(path)), "trace")) return 1;
    FILE* f = fopen(path, "rb");
    if (f == nullptr) return 0;
    char line[8192];
    while (fgets(line, sizeof(line), f)) fputs(line, stdout);
    fclose(f);
    return 0;
  }
  if (cmd == "button" && argc >= 4) {
    const std::string act = argv[3];
    uint32_t action = act == "press" ? VT_BUTTON_PRESS : act == "refuse" ? VT_BUTTON_REFUSE
                    : act == "expire" ? VT_BUTTON_EXPIRE : 0;
    if (action == 0) return Usage();
    return Report(vtoken.Button(slot, action), "button");
  }
  if (cmd == "require-button" && argc >= 4) {
    std::vector<uint8_t> header;
    if (!ParseHex(argv[3], &header) || header.empty()) return Usage();
    return Report(vtoken.RequireButton(slot, header.data(), static_cast<uint32_t>(header.size())), "require-button");
  }
  if (cmd == "fault" && argc >= 5) {
    const std::string kind = argv[3];
    std::vector<uint8_t> header;
    if (!ParseHex(argv[4], &header)) return Usage();
    uint32_t a = 0, b = 0;
    if (kind == "status" && argc >= 6 && ParseNumber(argv[5], 16, &a)) {
      if (argc >= 7 && !ParseNumber(argv[6], 10, &b)) return Usage();
      return Report(vtoken.AddFault(slot, VT_FAULT_STATUS, header.data(), static_cast<uint32_t>(header.size()), a, b, 0),
                    "fault");
    }
    if (kind == "fail") {
      if (argc >= 6 && !ParseNumber(argv[5], 10, &b)) return Usage();
      return Report(vtoken.AddFault(slot, VT_FAULT_FAIL, header.data(), static_cast<uint32_t>(header.size()), 0, b, 0),
                    "fault");
    }
    if (kind == "silent" && argc >= 6 && ParseNumber(argv[5], 10, &a))
      return Report(vtoken.AddFault(slot, VT_FAULT_SILENT, header.data(), static_cast<uint32_t>(header.size()), 0, 1, a),
                    "fault");
  }
  return Usage();
}
