// CUnzipper and UnpackPages with real archives, written with minizip's zip writer: nested folders,
// file times from the entries, large files, an empty archive, a corrupt archive, an unwritable
// target, names that would leave the output folder, and the program's own page archive.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "shell/pages.h"
#include "shell/text.h"
#include "shell/unzipper.h"

extern "C" {
#include "zip.h"
}

using quorvane::CUnzipper;

namespace {

struct Entry {
  std::string name;
  std::string data;
  bool folder = false;   // folder bit (0x10) in the external attributes
  unsigned year = 2019, month = 3, day = 4, hour = 5, minute = 6, second = 8;
};

std::string TempFolder(const char* tag) {
  char temp[MAX_PATH] = {0};
  GetTempPathA(MAX_PATH, temp);
  static int counter = 0;
  std::string folder = std::string(temp) + "quorvane-test-" + tag + "-" + std::to_string(GetCurrentProcessId()) + "-" +
                       std::to_string(++counter) + "\\";
  quorvane::CreateFolderPath(folder);
  return folder;
}

void RemoveTree(const std::string& folder) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::string name = data.cFileName;
      if (name == "." || name == "..") continue;
      std::string path = folder + name;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path + "\\");
      } else {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
      }
    } while (FindNextFileA(find, &data));
    FindClose(find);
  }
  RemoveDirectoryA(folder.c_str());
}

void WriteZip(const std::string& path, const std::vector<Entry>& entries) {
  zipFile zip = zipOpen(path.c_str(), APPEND_STATUS_CREATE);
  ASSERT_NE(zip, nullptr);
  for (const Entry& e : entries) {
    zip_fileinfo info = {};
    info.tmz_date.tm_year = e.year;
    info.tmz_date.tm_mon = e.month - 1;
    info.tmz_date.tm_mday = e.day;
    info.tmz_date.tm_hour = e.hour;
    info.tmz_date.tm_min = e.minute;
    info.tmz_date.tm_sec = e.second;
    info.external_fa = e.folder ? 0x10 : 0x20;
    ASSERT_EQ(zipOpenNewFileInZip(zip, e.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                  e.data.empty() ? 0 : Z_DEFLATED, Z_DEFAULT_COMPRESSION),
              ZIP_OK);
    if (!e.data.empty()) {
      ASSERT_EQ(zipWriteInFileInZip(zip, e.data.data(), static_cast<unsigned>(e.data.size())), ZIP_OK);
    }
    ASSERT_EQ(zipCloseFileInZip(zip), ZIP_OK);
  }
  ASSERT_EQ(zipClose(zip, nullptr), ZIP_OK);
}

std::string ReadAll(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "<missing>";
  std::string data;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got) data.append(buffer, got);
  CloseHandle(file);
  return data;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
bool IsFolder(const std::string& path) {
  DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// A file's creation and last-write times, in local time, down to the second.
void ExpectTimes(const std::string& path, const SYSTEMTIME& expected) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
  FILETIME times[3];  // creation, access, write
  ASSERT_TRUE(GetFileTime(file, &times[0], &times[1], &times[2]));
  CloseHandle(file);
  for (int i : {0, 2}) {
    FILETIME local;
    SYSTEMTIME t;
    FileTimeToLocalFileTime(&times[i], &local);
    FileTimeToSystemTime(&local, &t);
    EXPECT_EQ(std::vector<int>({t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond}),
              std::vector<int>({expected.wYear, expected.wMonth, expected.wDay, expected.wHour, expected.wMinute,
                                expected.wSecond}))
        << path << (i == 0 ? " creation" : " last write");
  }
}

struct Unzip : ::testing::Test {
  std::string work = TempFolder("unzip");
  ~Unzip() override { RemoveTree(work); }
};

TEST_F(Unzip, NestedFoldersFilesAndTimes) {
  std::string big;
  for (int i = 0; i < 10000; ++i) big += static_cast<char>('a' + (i * 7919) % 26);  // several 2048-byte blocks
  WriteZip(work + "pages.zip", {
      {"html/", "", true},
      {"html/index.htm", "<html>index</html>", false, 2021, 12, 31, 23, 58, 30},
      {"html/js/deep/er/a.js", big, false, 2010, 1, 2, 3, 4, 6},  // no folder entries for its levels
      {"html/empty/", "", false},                                  // folder by its trailing separator only
      {"html/zero.txt", "", false},
  });
  CUnzipper unzipper;
  ASSERT_TRUE(unzipper.Open(work + "pages.zip")) << unzipper.LastError();
  EXPECT_EQ(unzipper.OutputFolder(), work);
  ASSERT_TRUE(unzipper.UnzipTo(work + "out")) << unzipper.LastError();
  EXPECT_EQ(ReadAll(work + "out\\html\\index.htm"), "<html>index</html>");
  EXPECT_EQ(ReadAll(work + "out\\html\\js\\deep\\er\\a.js"), big);
  EXPECT_TRUE(IsFolder(work + "out\\html\\empty"));
  EXPECT_EQ(ReadAll(work + "out\\html\\zero.txt"), "");
  // Creation and last-write times come from the entries (local time).
  ExpectTimes(work + "out\\html\\index.htm", {2021, 12, 0, 31, 23, 58, 30, 0});
  ExpectTimes(work + "out\\html\\js\\deep\\er\\a.js", {2010, 1, 0, 2, 3, 4, 6, 0});
}

TEST_F(Unzip, DefaultFolderIsTheArchivesFolderAndOverwrites) {
  WriteZip(work + "a.zip", {{"x/y.txt", "new"}});
  quorvane::CreateFolderPath(work + "x");
  HANDLE old = CreateFileA((work + "x\\y.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD n = 0;
  WriteFile(old, "older and longer", 16, &n, nullptr);
  CloseHandle(old);
  CUnzipper unzipper;
  ASSERT_TRUE(unzipper.Open(work + "a.zip"));
  ASSERT_TRUE(unzipper.UnzipTo());
  EXPECT_EQ(ReadAll(work + "x\\y.txt"), "new");
}

TEST_F(Unzip, AnEmptyArchiveFails) {
  WriteZip(work + "empty.zip", {});
  // minizip already refuses to open an archive that is only its end record; either way it fails.
  CUnzipper unzipper;
  bool opened = unzipper.Open(work + "empty.zip");
  EXPECT_FALSE(opened && unzipper.UnzipTo(work + "out"));
  if (opened) {
    EXPECT_EQ(unzipper.LastError(), "archive holds no entry");
  }
  std::string index;
  EXPECT_FALSE(quorvane::UnpackPageArchive(work + "empty.zip", &index));
  EXPECT_FALSE(Exists(work + "out\\html"));
}

TEST_F(Unzip, ACorruptArchiveFails) {
  static const char kNotAZip[] = "PK\x03\x04 this is not a zip archive at all";
  ASSERT_TRUE(quorvane::WriteBytesToFile(kNotAZip, sizeof(kNotAZip) - 1, work + "bad.zip"));
  CUnzipper unzipper;
  EXPECT_FALSE(unzipper.Open(work + "bad.zip"));
  EXPECT_FALSE(unzipper.UnzipTo(work + "out"));
  EXPECT_FALSE(unzipper.Open(work + "missing.zip"));
  EXPECT_FALSE(unzipper.Open(""));
  EXPECT_EQ(unzipper.LastError(), "empty archive path");
}

TEST_F(Unzip, DamagedDataLeavesNoHalfWrittenFile) {
  std::string data(20000, 'q');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>((i * 131) % 251);
  WriteZip(work + "damaged.zip", {{"ok.txt", "fine"}, {"broken.bin", data}});
  // Spoil the compressed bytes of the second entry (after its local header).
  std::string zip = ReadAll(work + "damaged.zip");
  size_t header = zip.find("broken.bin");
  ASSERT_NE(header, std::string::npos);
  for (size_t i = header + 40; i < header + 400 && i < zip.size(); ++i) zip[i] = static_cast<char>(zip[i] ^ 0x5A);
  ASSERT_TRUE(quorvane::WriteBytesToFile(zip.data(), zip.size(), work + "damaged.zip"));
  CUnzipper unzipper;
  ASSERT_TRUE(unzipper.Open(work + "damaged.zip"));
  EXPECT_FALSE(unzipper.UnzipTo(work + "out"));
  EXPECT_EQ(ReadAll(work + "out\\ok.txt"), "fine");
  EXPECT_FALSE(Exists(work + "out\\broken.bin"));
}

TEST_F(Unzip, AnUnwritableTargetFails) {
  WriteZip(work + "a.zip", {{"html/index.htm", "x"}});
  // The target folder's path runs through a file.
  ASSERT_TRUE(quorvane::WriteBytesToFile("file", 4, work + "blocker"));
  CUnzipper unzipper;
  ASSERT_TRUE(unzipper.Open(work + "a.zip"));
  EXPECT_FALSE(unzipper.UnzipTo(work + "blocker\\out"));
  // An entry whose file name is taken by a folder.
  quorvane::CreateFolderPath(work + "out2\\html\\index.htm");
  EXPECT_FALSE(unzipper.UnzipTo(work + "out2"));
  EXPECT_TRUE(IsFolder(work + "out2\\html\\index.htm"));
}

TEST_F(Unzip, NamesThatLeaveTheFolderAreRefused) {
  WriteZip(work + "evil.zip", {{"../escaped.txt", "x"}});
  CUnzipper unzipper;
  ASSERT_TRUE(unzipper.Open(work + "evil.zip"));
  quorvane::CreateFolderPath(work + "out");
  EXPECT_FALSE(unzipper.UnzipTo(work + "out"));
  EXPECT_FALSE(Exists(work + "escaped.txt"));
  WriteZip(work + "evil2.zip", {{"C:/escaped.txt", "x"}});
  ASSERT_TRUE(unzipper.Open(work + "evil2.zip"));  // opening again closes the previous archive
  EXPECT_FALSE(unzipper.UnzipTo(work + "out"));
}

TEST_F(Unzip, PageArchiveGivesTheIndexPath) {
  WriteZip(work + "html.zip", {{"html/", "", true}, {"html/index.htm", "<p>"}});
  std::string index;
  ASSERT_TRUE(quorvane::UnpackPageArchive(work + "html.zip", &index));
  EXPECT_EQ(index, work + "html\\index.htm");
  EXPECT_EQ(ReadAll(index), "<p>");
}

// The program's own archive (resource 136 of type "HTML_ZIP", linked into this test program too).
TEST(UnpackPages, UnpacksTheShippedPagesIntoTheWorkingFolder) {
  std::string index;
  ASSERT_TRUE(quorvane::UnpackPages(&index));
  std::string folder = quorvane::WorkingFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_NE(folder.find("117B8650-7424-3F6B-BCB9-255D3C2FFD33\\"), std::string::npos);
  EXPECT_EQ(index, folder + "html\\index.htm");
  std::string page = ReadAll(index);
  EXPECT_NE(page.find("frame_main4"), std::string::npos);
  EXPECT_NE(page.find("charset=utf-8"), std::string::npos);
  EXPECT_TRUE(Exists(folder + "html\\result.htm"));
  EXPECT_TRUE(Exists(folder + "html\\js\\result.js"));
  EXPECT_TRUE(Exists(folder + "html.zip"));
}

}  // namespace
