// A stand-in for a bank tool's window, in a process of its own: a top-level window that may carry
// the tool-window marker property, and that logs every notification it receives, one line
// "<name> <wParam> <lParam>" per message, to a file that the tests read.
//
//   kq_tool_window LOG_FILE MARKER_VALUE     (0: no marker property)
//
// When the window exists the log's first line is "READY <window handle in hex>". WM_CLOSE ends
// the program.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr const wchar_t* kNotifications[] = {L"KQ_ORV_GENKEYPAIRMSGID", L"KQ_ORV_IMPORTCERTMSGID",
                                             L"KQ_ORV_INITUSBKEYMSGID", L"KQ_ORV_TOOL_REFRESHPIN"};
constexpr wchar_t kMarker[] = L"{9989C252-62B0-0ORV-975A-C275013499656}";

// What the window procedure needs, kept with the window (GWLP_USERDATA).
struct ToolWindow {
  std::string log;
  UINT messages[std::size(kNotifications)] = {};
};

// Appends one line and closes the file again, so the test sees it at once.
void Log(const std::string& path, const std::string& line) {
  const HANDLE file =
      CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return;
  }
  const std::string text = line + "\n";
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

std::string Narrow(const wchar_t* text) {
  std::string out;
  for (; *text != 0; ++text) {
    out.push_back(static_cast<char>(*text));
  }
  return out;
}

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    SetWindowLongPtrW(
        window, GWLP_USERDATA,
        reinterpret_cast<LONG_PTR>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams));
  }
  const auto* tool = reinterpret_cast<const ToolWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  for (size_t i = 0; tool != nullptr && i < std::size(kNotifications); ++i) {
    if (tool->messages[i] != 0 && message == tool->messages[i]) {
      Log(tool->log,
          Narrow(kNotifications[i]) + " " + std::to_string(wParam) + " " + std::to_string(lParam));
      return 0;
    }
  }
  if (message == WM_DESTROY) {
    RemovePropW(window, kMarker);
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: kq_tool_window LOG_FILE MARKER_VALUE\n", stderr);
    return 2;
  }
  ToolWindow tool;
  tool.log = argv[1];
  const auto marker = static_cast<uintptr_t>(std::strtoul(argv[2], nullptr, 10));
  for (size_t i = 0; i < std::size(kNotifications); ++i) {
    tool.messages[i] = RegisterWindowMessageW(kNotifications[i]);
  }
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = WindowProcedure;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"KqToolWindow";
  RegisterClassW(&windowClass);
  const HWND window =
      CreateWindowExW(0, windowClass.lpszClassName, L"kq tool window", WS_OVERLAPPEDWINDOW, 0, 0,
                      200, 100, nullptr, nullptr, windowClass.hInstance, &tool);
  if (window == nullptr) {
    Log(tool.log, "FAILED CreateWindowExW " + std::to_string(GetLastError()));
    return 1;
  }
  if (marker != 0) {
    SetPropW(window, kMarker, reinterpret_cast<HANDLE>(marker));
  }
  ShowWindow(window, SW_SHOWNOACTIVATE);
  char ready[40];
  std::snprintf(ready, sizeof ready, "READY %llx",
                static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(window)));
  Log(tool.log, ready);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
