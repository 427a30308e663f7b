#include "device/key_lock.h"

#include <algorithm>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <mutex>
#include <new>
#include <thread>
#include <utility>

#include "platform/file_lock.h"
#include "platform/process_id.h"

namespace kq {
namespace {

struct Holder {
  std::thread::id owner;
  int depth = 0;
  platform::FileLock file;
};

struct Holders {
  std::mutex mutex;
  std::condition_variable released;
  std::map<std::string, Holder> byReader;
};

// A child forked while another thread of the parent held a key's lock (a button wait lasts
// minutes) would wait for ever for that thread to let go. The child starts with an empty table;
// the parent's is abandoned, not destroyed: releasing its locks would unlock the parent's, since
// flock belongs to the open file that parent and child share. Those descriptors close on exec.
void StartAfreshInForkedChild();

// One table for the library's life: it goes when the library is unloaded, so nothing of it is
// left behind in a process that loads and unloads the provider.
Holders& AllHolders() {
  static Holders holders;
  static const bool afreshInChildren = (platform::OnForkedChild(StartAfreshInForkedChild), true);
  static_cast<void>(afreshInChildren);
  return holders;
}

void StartAfreshInForkedChild() {
  new (&AllHolders()) Holders();
}

char UpperAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string UpperAscii(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) {
    c = UpperAscii(c);
  }
  return upper;
}

}  // namespace

bool SameKey(std::string_view first, std::string_view second) {
  return first.size() == second.size() &&
         std::equal(first.begin(), first.end(), second.begin(),
                    [](char a, char b) { return UpperAscii(a) == UpperAscii(b); });
}

std::string KeyLockFileName(std::string_view readerName) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string name = "kqcsp-key-";
  for (const char c : UpperAscii(readerName)) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') ||
        (byte >= 'a' && byte <= 'z') || byte == '-') {
      name += c;
    } else {
      name += '_';
      name += kDigits[byte >> 4];
      name += kDigits[byte & 0x0F];
    }
  }
  return name + ".lock";
}

KeyLock::KeyLock(KeyLock&& other) noexcept : readerName_(std::exchange(other.readerName_, {})) {}

KeyLock& KeyLock::operator=(KeyLock&& other) noexcept {
  if (this != &other) {
    Release();
    readerName_ = std::exchange(other.readerName_, {});
  }
  return *this;
}

KeyLock KeyLock::Hold(std::string_view readerName) {
  const std::string key = UpperAscii(readerName);
  Holders& holders = AllHolders();
  const std::thread::id self = std::this_thread::get_id();
  std::unique_lock guard(holders.mutex);
  auto found = holders.byReader.try_emplace(key).first;
  Holder& holder = found->second;
  KeyLock lock;
  lock.readerName_ = found->first;
  if (holder.depth > 0 && holder.owner == self) {
    ++holder.depth;
    return lock;
  }
  holders.released.wait(guard, [&holder] { return holder.depth == 0; });
  holder.owner = self;
  holder.depth = 1;
  // The wait for another process happens outside the mutex; the depth already keeps this
  // process's other threads out.
  guard.unlock();
  platform::FileLock file;
  if (const std::filesystem::path folder = platform::SharedLockFolder(); !folder.empty()) {
    file = platform::FileLock::Acquire(folder / KeyLockFileName(readerName));
  }
  guard.lock();
  if (!file.locked()) {
    // Fail closed: a key used while another process may be writing it loses data.
    holder.owner = {};
    holder.depth = 0;
    guard.unlock();
    holders.released.notify_all();
    lock.readerName_.clear();
    return lock;
  }
  holder.file = std::move(file);
  return lock;
}

void KeyLock::Release() {
  if (readerName_.empty()) {
    return;
  }
  Holders& holders = AllHolders();
  platform::FileLock file;
  {
    const std::lock_guard guard(holders.mutex);
    const auto found = holders.byReader.find(readerName_);
    if (found == holders.byReader.end()) {
      // Taken in the parent of this forked child, whose table started afresh.
      readerName_.clear();
      return;
    }
    Holder& holder = found->second;
    if (--holder.depth == 0) {
      file = std::move(holder.file);
      holder.owner = {};
    }
  }
  file.Release();
  readerName_.clear();
  holders.released.notify_all();
}

}  // namespace kq
