// Test programs that link the provider's code read its configuration beside their
// own file. Each run therefore copies itself into a private folder with the
// configuration of that run and runs from there: runs never share files or the
// names of shared objects.
#pragma once
#include <windows.h>

#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace testing_support {

inline std::string ProgramPath() {
  char self[MAX_PATH] = {0};
  GetModuleFileNameA(nullptr, self, sizeof(self));
  return self;
}

inline std::string FolderOfPath(const std::string& p) { return p.substr(0, p.find_last_of('\\')); }

// In the copy: returns false. In the original: sets up the copy, runs it with the
// same arguments and stores its exit code in *exitCode.
inline bool RunRelocated(const std::string& config, const std::vector<std::pair<std::string, std::string>>& companions,
                         int* exitCode) {
  char marker[8];
  if (GetEnvironmentVariableA("PQ_RELOCATED", marker, sizeof(marker)) > 0) return false;
  std::string self = ProgramPath();
  std::string file = self.substr(self.find_last_of('\\') + 1);
  std::string base = file.substr(0, file.find_last_of('.'));
  char temp[MAX_PATH];
  GetTempPathA(sizeof(temp), temp);
  std::string folder = std::string(temp) + "pq" + base + std::to_string(GetCurrentProcessId());
  CreateDirectoryA(folder.c_str(), nullptr);
  CreateDirectoryA((folder + "\\" + base).c_str(), nullptr);
  std::ofstream(folder + "\\" + base + "\\NQControl.ini", std::ios::binary) << config;
  for (const auto& c : companions) CopyFileA(c.first.c_str(), (folder + "\\" + c.second).c_str(), FALSE);
  CopyFileA(self.c_str(), (folder + "\\" + file).c_str(), FALSE);
  SetEnvironmentVariableA("PQ_RELOCATED", "1");
  // The arguments after the program's own name.
  std::string line = GetCommandLineA();
  size_t rest = line[0] == '"' ? line.find('"', 1) + 1 : line.find(' ');
  std::string command = "\"" + folder + "\\" + file + "\"" + (rest == std::string::npos ? "" : line.substr(rest));
  STARTUPINFOA si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi;
  *exitCode = 30;
  if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) return true;
  WaitForSingleObject(pi.hProcess, INFINITE);  // the test's own timeout bounds this
  DWORD code = 31;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  *exitCode = static_cast<int>(code);
  return true;
}

}  // namespace testing_support
