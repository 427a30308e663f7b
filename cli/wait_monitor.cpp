#include "wait_monitor.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string_view>

#include "platform/console.h"
#include "platform/environment.h"
#include "platform/exit_request.h"
#include "private_folder.h"

namespace kq::cli {

namespace {

// Written by the Ctrl-C handler, read by the monitor's thread.
std::atomic<bool> gWaitOpen{false};
std::atomic<int> gInterrupts{0};
// The temporary UI log and its private folder, removed also when Ctrl-C ends the program at
// once.
char gOwnedLog[4096] = {};
char gOwnedFolder[4096] = {};

[[noreturn]] void EndAtOnce() {
  if (gOwnedLog[0] != '\0') {
    std::remove(gOwnedLog);
    std::remove(gOwnedFolder);
  }
  std::_Exit(130);
}

// The first Ctrl-C is left to the monitor's thread, which knows whether a wait is open; a second
// one ends the program at once.
extern "C" void OnInterrupt(int /*signal*/) {
  if (gInterrupts.fetch_add(1) > 0) {
    EndAtOnce();
  }
  std::signal(SIGINT, OnInterrupt);  // some systems reset the handler on delivery
}

std::string_view KindName(std::string_view kind) {
  if (kind == "1") {
    return "transaction signature";
  }
  if (kind == "2") {
    return "key pair generation";
  }
  if (kind == "3") {
    return "key initialisation";
  }
  if (kind == "4") {
    return "key deletion";
  }
  if (kind == "5") {
    return "PIN change";
  }
  if (kind == "pin") {
    return "PIN after wrong tries";
  }
  return "signature";
}

std::string_view WaitResult(std::string_view result) {
  if (result == "1") {
    return "confirmed on the key";
  }
  if (result == "2") {
    return "cancelled";
  }
  if (result == "3") {
    return "timed out on the key";
  }
  return "the key failed while waiting";
}

// Splits "WORD rest" at the first blank.
std::pair<std::string_view, std::string_view> Head(std::string_view text) {
  const size_t blank = text.find(' ');
  if (blank == std::string_view::npos) {
    return {text, {}};
  }
  return {text.substr(0, blank), text.substr(blank + 1)};
}

}  // namespace

WaitMonitor::WaitMonitor(std::FILE* out, int indent)
    : out_(out), pad_(static_cast<size_t>(indent), ' ') {
  terminal_ = platform::StandardErrorIsTerminal() && out == stderr;
  if (const char* named = std::getenv("KQCSP_UI_LOG"); named != nullptr && *named != '\0') {
    path_ = named;
    std::error_code error;
    const auto size = std::filesystem::file_size(path_, error);
    offset_ = error ? 0 : static_cast<uint64_t>(size);
  } else if (const auto folder = MakePrivateFolder("kqtool-ui-")) {
    // In a folder of its own: no other user can read the log or plant a link at its name.
    folder_ = folder->string();
    path_ = (*folder / "ui.log").string();
    ownsLog_ = true;
    if (path_.size() < sizeof gOwnedLog) {
      std::memcpy(gOwnedFolder, folder_.c_str(), folder_.size() + 1);
      std::memcpy(gOwnedLog, path_.c_str(), path_.size() + 1);
    }
    platform::SetEnvironmentValue("KQCSP_UI_LOG", path_);
  }
  std::signal(SIGINT, OnInterrupt);
  thread_ = std::thread([this] { Follow(); });
}

WaitMonitor::~WaitMonitor() {
  stop_ = true;
  thread_.join();
  Flush();
  EndCountdownLine();
  std::signal(SIGINT, SIG_DFL);
  if (ownsLog_) {
    platform::UnsetEnvironmentValue("KQCSP_UI_LOG");
    gOwnedLog[0] = '\0';
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
    std::filesystem::remove(folder_, ignored);
  }
}

void WaitMonitor::Follow() {
  auto lastRequest = std::chrono::steady_clock::time_point();
  bool cancelling = false;
  while (!stop_) {
    // The log is read before the interrupt is looked at, so a wait that has just begun counts.
    ReadNewLines();
    if (gInterrupts.load() > 0 && !cancelling) {
      if (!gWaitOpen.load()) {
        std::fflush(out_);
        EndAtOnce();
      }
      cancelling = true;
      std::fprintf(out_, "%scancelling the wait (Ctrl-C)\n", pad_.c_str());
    }
    // Asks the waits to end; again while the wait lasts, in case the request came before the
    // wait was listening.
    if (cancelling && gWaitOpen.load()) {
      const auto now = std::chrono::steady_clock::now();
      if (now - lastRequest > std::chrono::milliseconds(500)) {
        lastRequest = now;
        platform::SendExitRequestToAllWaits();
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

void WaitMonitor::Flush() {
  ReadNewLines();
}

void WaitMonitor::ReadNewLines() {
  // The thread and Flush may both read; one at a time.
  while (reading_.test_and_set()) {
    std::this_thread::yield();
  }
  std::ifstream file(path_, std::ios::binary);
  if (file) {
    file.seekg(static_cast<std::streamoff>(offset_));
    std::string chunk((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    offset_ += chunk.size();
    partial_ += chunk;
    size_t end = 0;
    while ((end = partial_.find('\n')) != std::string::npos) {
      const std::string line = partial_.substr(0, end);
      partial_.erase(0, end + 1);
      Show(line);
    }
    std::fflush(out_);
  }
  reading_.clear();
}

void WaitMonitor::EndCountdownLine() {
  if (terminal_ && !countdown_.empty()) {
    std::fputs("\n", out_);
  }
  countdown_.clear();
}

void WaitMonitor::Show(const std::string& line) {
  const auto [word, rest] = Head(line);
  if (word == "WAIT") {
    // WAIT <kind> <caption>\t<seconds>
    const auto [kind, tail] = Head(rest);
    const size_t tab = tail.find('\t');
    const std::string_view seconds = tab == std::string_view::npos ? "" : tail.substr(tab + 1);
    if (!gWaitOpen.exchange(true)) {
      std::fprintf(out_, "%swaiting for the key's button (%s): press OK or C, Ctrl-C cancels\n",
                   pad_.c_str(), std::string(KindName(kind)).c_str());
    }
    // The dialog's first line shows 0 before the key has told the time left.
    const int shown = std::atoi(std::string(seconds).c_str());
    if (kind != "pin" && (shown == 0 || shown == lastSecondsShown_)) {
      return;
    }
    lastSecondsShown_ = shown;
    const std::string text =
        pad_ + "  " + (kind == "pin" ? std::string(seconds) : std::to_string(shown) + " s left");
    if (terminal_) {
      std::fprintf(out_, "\r%s\033[K", text.c_str());
      countdown_ = text;
    } else {
      std::fprintf(out_, "%s\n", text.c_str());
    }
    return;
  }
  EndCountdownLine();
  if (word == "WAITEND") {
    const auto [kind, result] = Head(rest);
    gWaitOpen = false;
    lastSecondsShown_ = -1;
    std::fprintf(out_, "%swait ended: %s\n", pad_.c_str(), std::string(WaitResult(result)).c_str());
  } else if (word == "MSGBOX") {
    const size_t tab = rest.find('\t');
    std::fprintf(out_, "%smessage box: %s\n", pad_.c_str(),
                 tab == std::string_view::npos
                     ? std::string(rest).c_str()
                     : (std::string(rest.substr(0, tab)) + ": " + std::string(rest.substr(tab + 1)))
                           .c_str());
  } else if (word == "CHOOSE") {
    std::fprintf(out_, "%schoose a %s:\n", pad_.c_str(), std::string(rest).c_str());
  } else if (word == "ROW") {
    std::string row(rest);
    for (char& c : row) {
      c = c == '\t' ? ' ' : c;
    }
    std::fprintf(out_, "%s  %s\n", pad_.c_str(), row.c_str());
  } else if (word == "NOWINDOW") {
    // NOWINDOW <kind> <reason>: the dialog could not be made; a wait goes on with the key alone.
    const auto [kind, reason] = Head(rest);
    std::fprintf(out_, "%sno window could be made for the %s dialog (system error %s)\n",
                 pad_.c_str(),
                 std::string(kind == "token" || kind == "key" ? kind : KindName(kind)).c_str(),
                 std::string(reason).c_str());
  } else if (word == "CHOSEN") {
    std::fprintf(out_, "%schosen: %s\n", pad_.c_str(), std::string(rest).c_str());
  } else if (!line.empty()) {
    std::fprintf(out_, "%s%s\n", pad_.c_str(), line.c_str());
  }
}

}  // namespace kq::cli
