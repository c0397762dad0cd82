#include "unzipper.h"

#include <windows.h>

#include <vector>

extern "C" {
#include "unzip.h"
#include "iowin32.h"
}

namespace quorvane {
namespace {

constexpr unsigned kMaxName = 260;
constexpr unsigned kMaxComment = 255;
constexpr unsigned kBlock = 2048;

bool IsFolder(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string WithBackslash(std::string folder) {
  if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder += '\\';
  return folder;
}

// An entry name must stay inside the output folder: no drive, no root, no "..".
bool IsSafeName(const std::string& name) {
  if (name.empty() || name[0] == '\\' || name.find(':') != std::string::npos) return false;
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find('\\', start);
    if (end == std::string::npos) end = name.size();
    if (name.compare(start, end - start, "..") == 0 && end - start == 2) return false;
    start = end + 1;
  }
  return true;
}

}  // namespace

bool CreateFolderPath(const std::string& folder) {
  std::string path = folder;
  while (path.size() > 1 && (path.back() == '\\' || path.back() == '/')) path.pop_back();
  if (path.empty()) return false;
  if (IsFolder(path)) return true;
  size_t slash = path.find_last_of("\\/");
  if (slash != std::string::npos && slash > 0) {
    std::string parent = path.substr(0, slash);
    // "C:" is a drive, not a folder to create.
    if (!(parent.size() == 2 && parent[1] == ':') && !CreateFolderPath(parent)) return false;
  }
  if (CreateDirectoryA(path.c_str(), nullptr)) return true;
  return IsFolder(path);
}

CUnzipper::~CUnzipper() { Close(); }

bool CUnzipper::Fail(const std::string& why) {
  lastError_ = why;
  return false;
}

void CUnzipper::Close() {
  if (zip_) {
    unzClose(static_cast<unzFile>(zip_));
    zip_ = nullptr;
  }
}

bool CUnzipper::Open(const std::string& archive) {
  Close();
  lastError_.clear();
  if (archive.empty()) return Fail("empty archive path");
  char full[MAX_PATH + 1] = {0};
  char* filePart = nullptr;
  DWORD n = GetFullPathNameA(archive.c_str(), MAX_PATH, full, &filePart);
  if (n == 0 || n > MAX_PATH) return Fail("archive path too long or invalid: " + archive);
  zlib_filefunc64_def functions;
  fill_win32_filefunc64A(&functions);
  zip_ = unzOpen2_64(full, &functions);
  if (!zip_) return Fail(std::string("archive does not open: ") + full);
  std::string path(full);
  size_t slash = path.find_last_of("\\/");
  outputFolder_ = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  return true;
}

bool CUnzipper::UnzipTo(const std::string& folder) {
  if (!zip_) return Fail("no archive open");
  std::string target = WithBackslash(folder.empty() ? outputFolder_ : folder);
  if (target.empty() || !CreateFolderPath(target)) return Fail("cannot create the folder " + target);
  unz_global_info64 info;
  if (unzGetGlobalInfo64(static_cast<unzFile>(zip_), &info) != UNZ_OK) return Fail("archive is unreadable");
  if (info.number_entry == 0) return Fail("archive holds no entry");
  int rc = unzGoToFirstFile(static_cast<unzFile>(zip_));
  while (rc == UNZ_OK) {
    if (!UnzipEntry(target)) return false;
    rc = unzGoToNextFile(static_cast<unzFile>(zip_));
  }
  if (rc != UNZ_END_OF_LIST_OF_FILE) return Fail("archive directory is damaged");
  return true;
}

bool CUnzipper::UnzipEntry(const std::string& folder) {
  unzFile zip = static_cast<unzFile>(zip_);
  unz_file_info64 info;
  char name[kMaxName + 1] = {0};
  char comment[kMaxComment + 1] = {0};
  if (unzGetCurrentFileInfo64(zip, &info, name, sizeof(name), nullptr, 0, comment, sizeof(comment)) != UNZ_OK) {
    return Fail("entry information is unreadable");
  }
  if (info.size_filename > kMaxName) return Fail("entry name longer than 260 characters");
  std::string entry(name);
  for (char& c : entry) {
    if (c == '/') c = '\\';
  }
  if (!IsSafeName(entry)) return Fail("entry name leaves the output folder: " + entry);
  std::string path = folder + entry;
  // A folder entry: the folder bit of the external attributes, or a name ending in a separator.
  if ((info.external_fa & FILE_ATTRIBUTE_DIRECTORY) || entry.back() == '\\') {
    if (!CreateFolderPath(path)) return Fail("cannot create the folder " + path);
    return true;
  }
  size_t slash = path.find_last_of('\\');
  if (slash != std::string::npos && !CreateFolderPath(path.substr(0, slash + 1))) {
    return Fail("cannot create the folder of " + path);
  }
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return Fail("cannot write " + path);
  bool ok = unzOpenCurrentFile(zip) == UNZ_OK;
  std::string why = ok ? std::string() : "entry does not open: " + entry;
  if (ok) {
    std::vector<char> block(kBlock);
    for (;;) {
      int got = unzReadCurrentFile(zip, block.data(), kBlock);
      if (got == 0) break;
      if (got < 0) {
        ok = false;
        why = "entry data is damaged: " + entry;
        break;
      }
      DWORD written = 0;
      if (!WriteFile(file, block.data(), static_cast<DWORD>(got), &written, nullptr) ||
          written != static_cast<DWORD>(got)) {
        ok = false;
        why = "short write to " + path;
        break;
      }
    }
    if (unzCloseCurrentFile(zip) != UNZ_OK && ok) {
      ok = false;
      why = "entry check sum does not match: " + entry;
    }
  }
  if (ok) {
    // The entry's DOS date and time, taken as local time, become the creation and last-write times.
    FILETIME local;
    FILETIME utc;
    if (DosDateTimeToFileTime(HIWORD(info.dosDate), LOWORD(info.dosDate), &local) &&
        LocalFileTimeToFileTime(&local, &utc)) {
      SetFileTime(file, &utc, nullptr, &utc);
    }
  }
  CloseHandle(file);
  if (!ok) {
    DeleteFileA(path.c_str());
    return Fail(why);
  }
  return true;
}

}  // namespace quorvane
