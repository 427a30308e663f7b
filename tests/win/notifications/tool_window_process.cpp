#include "tool_window_process.h"

#include <chrono>
#include <fstream>
#include <thread>

namespace kq::wintest {

namespace {

constexpr auto kPatience = std::chrono::seconds(10);
constexpr auto kPoll = std::chrono::milliseconds(20);

std::filesystem::path ProgramFolder() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return std::filesystem::path(path).parent_path();
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

}  // namespace

std::vector<HWND> TopLevelWindows() {
  std::vector<HWND> windows;
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

ToolWindowProcess::ToolWindowProcess(const std::wstring& desktop,
                                     const std::filesystem::path& folder, const std::string& name,
                                     unsigned marker)
    : log_(folder / (name + ".log")) {
  std::wstring line = L"\"" + (ProgramFolder() / L"kq_tool_window.exe").wstring() + L"\" \"" +
                      log_.wstring() + L"\" " + std::to_wstring(marker);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  std::wstring desktopName = desktop;
  startup.lpDesktop = desktopName.data();
  // A console of its own would only slow its start.
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                      nullptr, &startup, &process_)) {
    process_ = {};
    return;
  }
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  while (window_ == nullptr && std::chrono::steady_clock::now() < deadline) {
    const std::vector<std::string> lines = Lines();
    if (!lines.empty() && lines[0].rfind("READY ", 0) == 0) {
      window_ = reinterpret_cast<HWND>(
          static_cast<uintptr_t>(std::stoull(lines[0].substr(6), nullptr, 16)));
    } else {
      std::this_thread::sleep_for(kPoll);
    }
  }
}

ToolWindowProcess::~ToolWindowProcess() {
  if (process_.hProcess == nullptr) {
    return;
  }
  if (window_ != nullptr) {
    PostMessageW(window_, WM_CLOSE, 0, 0);
  }
  if (WaitForSingleObject(process_.hProcess, 5000) != WAIT_OBJECT_0) {
    TerminateProcess(process_.hProcess, 1);
  }
  CloseHandle(process_.hThread);
  CloseHandle(process_.hProcess);
}

std::string ToolWindowProcess::Problem() const {
  if (process_.hProcess == nullptr) {
    return "CreateProcessW failed";
  }
  std::string problem = "log:";
  for (const std::string& line : Lines()) {
    problem += " [" + line + "]";
  }
  DWORD code = 0;
  GetExitCodeProcess(process_.hProcess, &code);
  return problem + (code == STILL_ACTIVE ? " still running" : " exit " + std::to_string(code));
}

std::vector<std::string> ToolWindowProcess::Lines() const {
  std::vector<std::string> lines;
  std::ifstream file(log_);
  for (std::string line; std::getline(file, line);) {
    lines.push_back(line);
  }
  return lines;
}

std::vector<std::string> ToolWindowProcess::Events() const {
  std::vector<std::string> lines = Lines();
  if (!lines.empty()) {
    lines.erase(lines.begin());  // READY
  }
  return lines;
}

std::vector<std::string> ToolWindowProcess::WaitForEvents(
    const std::function<bool(const std::vector<std::string>&)>& done) const {
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  std::vector<std::string> events = Events();
  while (!done(events) && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(kPoll);
    events = Events();
  }
  return events;
}

}  // namespace kq::wintest
