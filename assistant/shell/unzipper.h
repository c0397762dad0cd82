// CUnzipper: unpacks a zip archive with folders and nested paths into a folder, over the
// minizip library. Used for the pages and the provider package.
#pragma once
#include <string>

namespace quorvane {

class CUnzipper {
 public:
  CUnzipper() = default;
  ~CUnzipper();
  CUnzipper(const CUnzipper&) = delete;
  CUnzipper& operator=(const CUnzipper&) = delete;

  // Opens an archive (closing any previous one). The default output folder is the archive's drive
  // and folder. Fails on an empty path or an archive that does not open.
  bool Open(const std::string& archive);
  void Close();
  // Unpacks every entry into the folder (the default output folder when empty), creating every
  // missing level. Fails on an archive without entries and at the first entry that fails; a file
  // that fails is not left half-written.
  bool UnzipTo(const std::string& folder = std::string());
  const std::string& OutputFolder() const { return outputFolder_; }
  // Why the last call failed (for diagnosis; nobody shows it).
  const std::string& LastError() const { return lastError_; }

 private:
  bool UnzipEntry(const std::string& folder);
  bool Fail(const std::string& why);

  void* zip_ = nullptr;
  std::string outputFolder_;
  std::string lastError_;
};

// Creates a folder and every missing level above it. True when it exists afterwards.
bool CreateFolderPath(const std::string& folder);

}  // namespace quorvane
