#include "pages.h"

#include <cstdlib>

#include "../res/resource.h"
#include "text.h"
#include "unzipper.h"

namespace quorvane {

std::string WorkingFolder() {
  char temp[MAX_PATH + 1] = {0};
  DWORD n = GetTempPathA(MAX_PATH, temp);
  if (n == 0 || n > MAX_PATH) return std::string();
  std::string folder(temp);
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  folder += ConfigString(IDS_INSTANCE_NAME);
  if (!CreateFolderPath(folder)) return std::string();
  return folder + "\\";
}

bool WriteBytesToFile(const void* bytes, size_t size, const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = size == 0 || (WriteFile(file, bytes, static_cast<DWORD>(size), &written, nullptr) && written == size);
  CloseHandle(file);
  if (!ok) DeleteFileA(path.c_str());
  return ok;
}

bool WriteResourceToFile(HMODULE module, LPCSTR name, LPCSTR type, const std::string& path) {
  HRSRC info = FindResourceA(module, name, type);
  if (!info) return false;
  HGLOBAL loaded = LoadResource(module, info);
  DWORD size = SizeofResource(module, info);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes && size) return false;
  return WriteBytesToFile(bytes, size, path);
}

bool UnpackPageArchive(const std::string& archivePath, std::string* indexPath) {
  char drive[_MAX_DRIVE] = {0};
  char dir[_MAX_DIR] = {0};
  char base[_MAX_FNAME] = {0};
  char ext[_MAX_EXT] = {0};
  _splitpath(archivePath.c_str(), drive, dir, base, ext);
  if (indexPath) *indexPath = std::string(drive) + dir + base + "\\index.htm";
  CUnzipper unzipper;
  return unzipper.Open(archivePath) && unzipper.UnzipTo(unzipper.OutputFolder());
}

bool UnpackPages(std::string* indexPath) {
  std::string folder = WorkingFolder();
  if (folder.empty()) return false;
  std::string archive = folder + "html.zip";
  if (!WriteResourceToFile(ResourceModule(), MAKEINTRESOURCEA(IDR_HTML_ZIP), "HTML_ZIP", archive)) return false;
  return UnpackPageArchive(archive, indexPath);
}

}  // namespace quorvane
