#pragma once
#include <string>

namespace pq {

// "<folder>\ZTCommandLCD_<code>.dll" for a provider path ending in "<code>.dll";
// empty when the path has no folder.
std::string TransportPathFor(const std::string& providerPath);

// Loads and binds the transport: the given file, or the one beside this provider.
// 0 when every required function was found, else -1.
int LoadTransport(const char* libraryPath);
void UnloadTransport();

}  // namespace pq
