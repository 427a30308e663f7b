#include "platform/choice_queue.h"

#include <cstdlib>
#include <mutex>
#include <string>

#include "common/text_trim.h"

namespace kq::platform {

namespace {

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) {
      return false;
    }
  }
  return true;
}

// The queue as last read from the variable, and how far it has been consumed.
struct QueueState {
  std::mutex lock;
  std::string value;
  size_t position = 0;  // offset of the next answer in value
};

QueueState& Queue() {
  static QueueState state;
  return state;
}

}  // namespace

ChoiceAnswer ParseChoice(std::string_view text) {
  text = TrimBlanks(text);
  if (EqualsIgnoringCase(text, "cancel")) {
    return {ChoiceAnswer::Kind::kCancel, 0};
  }
  if (text.empty() || text.size() > 9) {
    return {};
  }
  size_t row = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') {
      return {};
    }
    row = row * 10 + static_cast<size_t>(c - '0');
  }
  return {ChoiceAnswer::Kind::kRow, row};
}

std::optional<ChoiceAnswer> NextQueuedChoice() {
  QueueState& queue = Queue();
  const std::lock_guard<std::mutex> guard(queue.lock);
  const char* raw = std::getenv("KQCSP_UI_CHOICES");
  const std::string_view current = raw != nullptr ? std::string_view(raw) : std::string_view();
  if (current != queue.value) {
    queue.value = std::string(current);
    queue.position = 0;
  }
  // Empty items ("1,,2") are skipped.
  while (queue.position < queue.value.size()) {
    const std::string_view rest = std::string_view(queue.value).substr(queue.position);
    const size_t comma = rest.find(',');
    const std::string_view item = rest.substr(0, comma);
    queue.position += comma == std::string_view::npos ? rest.size() : comma + 1;
    if (!TrimBlanks(item).empty()) {
      return ParseChoice(item);
    }
  }
  return std::nullopt;
}

}  // namespace kq::platform
