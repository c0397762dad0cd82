// The working folder and the page archive.
#pragma once
#include <windows.h>

#include <string>

namespace quorvane {

// The user's temporary folder followed by the instance name (configuration string 160), created
// when missing, with a trailing backslash. Empty when it cannot be created.
std::string WorkingFolder();

// Writes the bytes of a resource of a module to a file (create or overwrite). True only when every
// byte was written; a file that could not be written whole is removed.
bool WriteResourceToFile(HMODULE module, LPCSTR name, LPCSTR type, const std::string& path);
bool WriteBytesToFile(const void* bytes, size_t size, const std::string& path);

// UnpackPages: writes resource 136 of type "HTML_ZIP" to "html.zip" in the working folder, unpacks it
// there and gives the index page's path (the file "index.htm" in the folder "html"). False when the
// resource is missing, the archive cannot be written or opened, holds no entry, or an entry fails.
bool UnpackPages(std::string* indexPath);
// The same for an archive file already written: unpacks it into its own folder and gives the
// index page's path (the archive's drive and folder, its base name, "\index.htm").
bool UnpackPageArchive(const std::string& archivePath, std::string* indexPath);

}  // namespace quorvane
