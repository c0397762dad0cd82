#include "device_registry.h"

#include <stdio.h>

#include <fstream>
#include <mutex>
#include <sstream>
#include <vector>

namespace vt {
namespace {

const char* const kReaderNames[kReaderCount] = {
    "VToken USB Key 0",       "VToken USB Key 1",       "VToken USB Key HID 0",   "VToken USB Key HID 1",
    "VToken USB Key UDISK 0", "VToken USB Key UDISK 1", "VToken Smart Reader 2",  "VToken Smart Reader 3",
    "VToken Smart Reader 4",  "VToken Smart Reader 5",  "VToken Smart Reader 6",  "VToken Smart Reader 7",
};

constexpr uint32_t kMagic = 0x564B5431;  // "VKT1"

HANDLE g_mapping = nullptr;
HANDLE g_mutex = nullptr;
SharedBlock* g_block = nullptr;
INIT_ONCE g_once = INIT_ONCE_STATIC_INIT;

std::string ModuleFolder() {
  HMODULE self = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&ModuleFolder), &self);
  char path[MAX_PATH] = {0};
  GetModuleFileNameA(self, path, sizeof(path));
  std::string s(path);
  size_t slash = s.find_last_of('\\');
  return slash == std::string::npos ? std::string(".") : s.substr(0, slash);
}

// Objects of different stores must not meet: their names carry a hash of the folder.
std::string StoreTag() {
  std::string folder = StoreFolder();
  uint32_t h = 2166136261u;
  for (char c : folder) {
    h ^= static_cast<uint8_t>(tolower(static_cast<unsigned char>(c)));
    h *= 16777619u;
  }
  char tag[16];
  snprintf(tag, sizeof(tag), "%08X", h);
  return tag;
}

void LoadSlots(SharedBlock& block) {
  std::ifstream in(StoreFolder() + "\\slots.txt");
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    uint32_t slot = 0;
    std::string id;
    if (!(fields >> slot >> id) || slot >= kReaderCount || id.size() >= sizeof(block.readers[0].tokenId)) continue;
    ReaderRecord& r = block.readers[slot];
    r.present = 1;
    r.insertion = 1;
    strcpy(r.tokenId, id.c_str());
  }
}

BOOL CALLBACK OpenShared(PINIT_ONCE, PVOID, PVOID*) {
  CreateDirectoryA(StoreFolder().c_str(), nullptr);
  CreateDirectoryA((StoreFolder() + "\\tokens").c_str(), nullptr);
  std::string tag = StoreTag();
  g_mutex = CreateMutexA(nullptr, FALSE, ("VTOKEN_LOCK_" + tag).c_str());
  LockShared();
  g_mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(SharedBlock),
                                 ("VTOKEN_STATE_" + tag).c_str());
  bool fresh = g_mapping != nullptr && GetLastError() != ERROR_ALREADY_EXISTS;
  if (g_mapping != nullptr)
    g_block = static_cast<SharedBlock*>(MapViewOfFile(g_mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(SharedBlock)));
  if (g_block != nullptr && (fresh || g_block->magic != kMagic)) {
    memset(g_block, 0, sizeof(SharedBlock));
    g_block->magic = kMagic;
    LoadSlots(*g_block);
  }
  UnlockShared();
  return g_block != nullptr;
}

}  // namespace

const char* ReaderNameOf(uint32_t slot) { return slot < kReaderCount ? kReaderNames[slot] : nullptr; }

int SlotOfReader(const char* name) {
  if (name == nullptr) return -1;
  for (uint32_t i = 0; i < kReaderCount; ++i)
    if (strcmp(kReaderNames[i], name) == 0) return static_cast<int>(i);
  return -1;
}

std::string StoreFolder() {
  char value[MAX_PATH] = {0};
  DWORD n = GetEnvironmentVariableA("VTOKEN_STORE", value, sizeof(value));
  if (n > 0 && n < sizeof(value)) return value;
  return ModuleFolder() + "\\vtoken-store";
}

std::string TokenFilePath(const std::string& tokenId) { return StoreFolder() + "\\tokens\\" + tokenId + ".tok"; }

std::string TracePath(uint32_t slot) { return StoreFolder() + "\\trace-" + std::to_string(slot) + ".log"; }

SharedBlock* Shared() {
  InitOnceExecuteOnce(&g_once, OpenShared, nullptr, nullptr);
  return g_block;
}

void LockShared() {
  if (g_mutex == nullptr) Shared();
  // An abandoned lock (its holder died) is ours all the same.
  WaitForSingleObject(g_mutex, INFINITE);
}

void UnlockShared() { ReleaseMutex(g_mutex); }

void PersistSlots(const SharedBlock& block) {
  std::string path = StoreFolder() + "\\slots.txt";
  std::string temp = path + ".tmp";
  {
    std::ofstream out(temp, std::ios::trunc);
    for (uint32_t i = 0; i < kReaderCount; ++i)
      if (block.readers[i].present) out << i << ' ' << block.readers[i].tokenId << '\n';
  }
  MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

bool LoadCard(const std::string& tokenId, vtoken::CardState& state) {
  std::ifstream in(TokenFilePath(tokenId), std::ios::binary);
  if (!in) return false;
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return vtoken::DecodeCardState(bytes.data(), bytes.size(), state);
}

bool SaveCard(const std::string& tokenId, const vtoken::CardState& state) {
  Shared();  // creates the store folders on first use
  // Written beside and moved into place: a token file is never half-written.
  std::string path = TokenFilePath(tokenId);
  std::string temp = path + ".tmp";
  vtoken::Bytes bytes = vtoken::EncodeCardState(state);
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) return false;
  }
  return MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

// VTOKEN_TRACE=0 turns the trace off (for measurements); it is on otherwise.
bool TraceEnabled() {
  static const bool enabled = [] {
    char value[8] = {0};
    DWORD n = GetEnvironmentVariableA("VTOKEN_TRACE", value, sizeof(value));
    return !(n == 1 && value[0] == '0');
  }();
  return enabled;
}

namespace {

// One append handle per reader, kept open: opening the file for every command
// would cost more than the command. Shared for delete and write so that another
// process can clear the trace while we hold it.
std::mutex g_traceLock;
HANDLE g_trace[kReaderCount] = {};

HANDLE TraceHandle(uint32_t slot) {
  if (g_trace[slot] == nullptr || g_trace[slot] == INVALID_HANDLE_VALUE)
    g_trace[slot] = CreateFileA(TracePath(slot).c_str(), FILE_APPEND_DATA,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
  return g_trace[slot];
}

void AppendHex(std::string& line, const uint8_t* bytes, uint32_t length) {
  static const char* digits = "0123456789ABCDEF";
  for (uint32_t i = 0; i < length; ++i) {
    line += digits[bytes[i] >> 4];
    line += digits[bytes[i] & 15];
  }
}

}  // namespace

void AppendTrace(uint32_t slot, const uint8_t* command, uint32_t length, const uint8_t* data, uint32_t dataLength,
                 uint32_t sw, uint32_t result) {
  if (!TraceEnabled() || slot >= kReaderCount) return;
  std::string line = "> ";
  AppendHex(line, command, length);
  char tail[32];
  if (result != 0) {
    snprintf(tail, sizeof(tail), "\n! %08X\n", static_cast<unsigned>(result));
    line += tail;
  } else {
    line += "\n< ";
    AppendHex(line, data, dataLength);
    snprintf(tail, sizeof(tail), " %04X\n", static_cast<unsigned>(sw));
    line += tail;
  }
  std::lock_guard<std::mutex> lock(g_traceLock);
  HANDLE file = TraceHandle(slot);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

void ClearTrace(uint32_t slot) {
  if (slot >= kReaderCount) return;
  // Emptied, not deleted: other processes keep appending to the same file.
  HANDLE file = CreateFileA(TracePath(slot).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  SetFilePointer(file, 0, nullptr, FILE_BEGIN);
  SetEndOfFile(file);
  CloseHandle(file);
}

}  // namespace vt
