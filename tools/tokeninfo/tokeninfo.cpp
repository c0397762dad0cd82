// What a support engineer wants to see of each reader, read through the provider.
//   tokeninfo                      every present token
//   tokeninfo --set-cid <reader> <identifier>
//   tokeninfo --bench [count]      round trip of one GET DATA (median, microseconds)
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "provider_client.h"
#include "vtoken_client.h"

namespace {

std::vector<std::string> ReaderNames(vt::VTokenClient& t) {
  uint32_t length = 0, count = 0;
  std::vector<std::string> names;
  if (t.ListReaders(nullptr, &length, &count) != 0) return names;
  std::vector<char> buffer(length + 1, '\0');
  if (t.ListReaders(buffer.data(), &length, &count) != 0) return names;
  for (const char* p = buffer.data(); *p; p += strlen(p) + 1) names.push_back(p);
  return names;
}

const char* Hex32(uint32_t rc, uint32_t value, char* buffer) {
  if (rc != 0) snprintf(buffer, 32, "error 0x%08X", static_cast<unsigned>(rc));
  else snprintf(buffer, 32, "0x%02X", static_cast<unsigned>(value));
  return buffer;
}

const char* Num(uint32_t rc, uint32_t value, char* buffer) {
  if (rc != 0) snprintf(buffer, 32, "error 0x%08X", static_cast<unsigned>(rc));
  else snprintf(buffer, 32, "%u", static_cast<unsigned>(value));
  return buffer;
}

// Holds the reader for the duration of a scope.
struct Transaction {
  vt::VTokenClient& t;
  uint32_t device;
  uint32_t rc;
  Transaction(vt::VTokenClient& tr, uint32_t d) : t(tr), device(d), rc(tr.Begin(d)) {}
  ~Transaction() {
    if (rc == 0) t.End(device);
  }
};

void Show(tools::ProviderClient& p, vt::VTokenClient& t, const std::string& reader, uint32_t device) {
  Transaction tx(t, device);
  char a[32], b[32];
  printf("Reader:              %s\n", reader.c_str());
  if (tx.rc != 0) {
    printf("  transaction failed: 0x%08X\n\n", static_cast<unsigned>(tx.rc));
    return;
  }
  p.HWSelMF(device);
  uint32_t nameType = 0, devType = 0, hwType = 0;
  uint32_t rcName = p.HC_GetDevTypeEx(reader.c_str(), &nameType);
  p.HWGetDevType(device, &devType);
  p.HWGetHWType(device, &hwType);
  printf("  device type:       %s by name (%s), chip device type %u, hardware type %u\n", Num(rcName, nameType, a),
         nameType == 2 ? "HID" : "standard", static_cast<unsigned>(devType), static_cast<unsigned>(hwType));
  uint8_t serial[8];
  char serialText[17] = {0};
  uint32_t rc = p.HWGetSerial(device, serial);
  if (rc == 0) p.HexToStr(serial, 8, serialText);
  printf("  serial:            %s\n", rc == 0 ? serialText : Hex32(rc, 0, a));
  uint32_t cos = 0;
  rc = p.HWGetCOSVer(device, &cos);
  printf("  COS version:       %s\n", Hex32(rc, cos, a));
  uint32_t freeBytes = 0, totalBytes = 0;
  uint32_t rcFree = p.HWGetFreeSize(device, &freeBytes), rcTotal = p.HWGetTotalSize(device, &totalBytes);
  printf("  space:             %s bytes free of %s\n", Num(rcFree, freeBytes, a), Num(rcTotal, totalBytes, b));
  uint32_t button = 0;
  rc = p.HWGetPressKeyType(device, &button);
  printf("  button type:       %s%s\n", Num(rc, button, a),
         rc == 0 && (button == 3 || button == 131) ? " (confirmation button)" : "");
  uint32_t verify = 0;
  rc = p.HWGetVerifyPinMode(device, &verify);
  printf("  PIN verification:  mode %s\n", Num(rc, verify, a));
  uint32_t rsa = 0;
  rc = p.HWGetRSAMode(device, &rsa);
  printf("  algorithm mode:    %s\n", Num(rc, rsa, a));
  uint32_t buf = 0;
  rc = p.HWGetBufLen(device, &buf);
  printf("  buffer length:     %s\n", Num(rc, buf, a));
  uint32_t encMac = p.HWGetSupportEncMacCMD(device);
  printf("  secured commands:  %s\n", encMac ? "supported" : "not supported");
  printf("  block mode:        %s\n", (button == 131 && !encMac) ? "8-byte (DES)" : "16-byte (SM4)");
  uint32_t sym = 0;
  p.HWGetSymSupport(device, &sym);
  printf("  symmetric support: 0x%02X%s\n", static_cast<unsigned>(sym),
         sym == 0x61 ? " (SSF33 and SCB2)" : sym == 0x60 ? " (SCB2)" : sym == 1 ? " (SSF33)" : " (none)");
  uint32_t kind = 0;
  rc = p.HC_SupportHighBuf(reader.c_str(), device, &kind);
  printf("  bulk channel:      %s\n", rc != 0 ? Hex32(rc, 0, a) : kind == 3 ? "direct USB" : "transport");
  uint16_t clock[8] = {0};
  rc = p.HWGetTimepiece(device, clock);
  if (rc == 0)
    printf("  clock:             %04u-%02u-%02u %02u:%02u:%02u\n", clock[0], clock[1], clock[3], clock[4], clock[5],
           clock[6]);
  else
    printf("  clock:             %s\n", Hex32(rc, 0, a));
  uint8_t cid[64] = {0};
  uint32_t cidLength = 0;
  rc = p.HWReadCID(device, cid, &cidLength);
  if (rc == 0)
    printf("  customer id:       %s\n", cidLength ? std::string(reinterpret_cast<char*>(cid), cidLength).c_str() : "(none)");
  else
    printf("  customer id:       %s\n", Hex32(rc, 0, a));
  printf("\n");
}

int Bench(tools::ProviderClient& p, vt::VTokenClient& t, const std::vector<std::string>& readers, int count) {
  for (const auto& reader : readers) {
    uint32_t device = 0;
    if (p.HC_GetReaderHandle(reader.c_str(), &device) != 0) continue;
    Transaction tx(t, device);
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> samples;
    uint8_t serial[8];
    for (int i = 0; i < count; ++i) {
      LARGE_INTEGER a, b;
      QueryPerformanceCounter(&a);
      uint32_t rc = p.HWGetSerial(device, serial);
      QueryPerformanceCounter(&b);
      if (rc != 0) {
        fprintf(stderr, "tokeninfo: GET DATA failed: 0x%08X\n", static_cast<unsigned>(rc));
        return 1;
      }
      samples.push_back(1e6 * static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(frequency.QuadPart));
    }
    std::sort(samples.begin(), samples.end());
    printf("GET DATA round trip through provider, transport and card (%s, %d runs): median %.1f us, p90 %.1f us\n",
           reader.c_str(), count, samples[samples.size() / 2], samples[samples.size() * 9 / 10]);
    return 0;
  }
  fputs("tokeninfo: no token present\n", stderr);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::string folder = vt::VTokenClient::FolderOfProgram();
  tools::ProviderClient provider;
  if (!provider.Load(folder + "\\NQCSP21060.dll")) {
    fputs("tokeninfo: cannot load NQCSP21060.dll beside this program\n", stderr);
    return 1;
  }
  vt::VTokenClient transport;
  if (!transport.Load()) {
    fputs("tokeninfo: cannot load the transport beside this program\n", stderr);
    return 1;
  }
  uint32_t rc = provider.HC_InitReaders();
  if (rc != 0) {
    fprintf(stderr, "tokeninfo: reader start-up failed: 0x%08X\n", static_cast<unsigned>(rc));
    return 1;
  }
  std::vector<std::string> readers = ReaderNames(transport);
  if (argc >= 2 && strcmp(argv[1], "--bench") == 0) return Bench(provider, transport, readers, argc >= 3 ? atoi(argv[2]) : 2000);
  if (argc >= 4 && strcmp(argv[1], "--set-cid") == 0) {
    uint32_t device = 0;
    rc = provider.HC_GetReaderHandle(argv[2], &device);
    if (rc == 0) {
      Transaction tx(transport, device);
      rc = tx.rc != 0 ? tx.rc : provider.HWWriteCID(device, reinterpret_cast<const uint8_t*>(argv[3]),
                                                     static_cast<uint32_t>(strlen(argv[3])));
    }
    if (rc != 0) fprintf(stderr, "tokeninfo: writing the customer id failed: 0x%08X\n", static_cast<unsigned>(rc));
    return rc == 0 ? 0 : 1;
  }
  int shown = 0;
  for (const auto& reader : readers) {
    uint32_t device = 0;
    if (provider.HC_GetReaderHandle(reader.c_str(), &device) != 0) continue;
    Show(provider, transport, reader, device);
    ++shown;
  }
  printf("%d token(s) present of %u readers\n", shown, static_cast<unsigned>(readers.size()));
  return 0;
}
