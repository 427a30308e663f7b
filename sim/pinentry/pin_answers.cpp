#include "pinentry/pin_answers.h"

#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "platform/secret_prompt.h"
#include "softkey/text_values.h"

namespace kq::sim {

namespace {

class AnswerQueue {
 public:
  // The next answer text from the variable, or nothing when the variable is unset or empty.
  std::optional<SecretString> Next() {
    const char* value = std::getenv(kPinAnswersVariable);
    std::lock_guard<std::mutex> hold(mutex_);
    if (value == nullptr || *value == '\0') {
      Forget();
      return std::nullopt;
    }
    if (seen_.str() != value) {
      Forget();
      seen_ = SecretString(value);
      for (const std::string_view field : SplitFields(seen_.str(), ",")) {
        answers_.emplace_back(field.data(), field.size());
      }
    }
    if (answers_.empty()) {
      return std::nullopt;
    }
    const size_t index = next_ < answers_.size() ? next_++ : answers_.size() - 1;
    return SecretString(answers_[index].c_str(), answers_[index].size());
  }

 private:
  void Forget() {
    seen_.clear();
    answers_.clear();
    next_ = 0;
  }

  std::mutex mutex_;
  SecretString seen_;
  std::vector<SecretString> answers_;
  size_t next_ = 0;
};

AnswerQueue& Queue() {
  static AnswerQueue queue;
  return queue;
}

}  // namespace

PinAnswer NextPinAnswer(std::string_view prompt) {
  PinAnswer answer;
  std::optional<SecretString> text = Queue().Next();
  if (!text) {
    text = platform::ReadSecretLine(prompt);
    if (!text) {
      return answer;  // no queue, no terminal: unavailable
    }
  }
  if (text->str() == "cancel") {
    answer.kind = PinAnswerKind::kCancel;
  } else if (text->str() == "unavailable") {
    answer.kind = PinAnswerKind::kUnavailable;
  } else {
    answer.kind = PinAnswerKind::kPin;
    answer.pin = std::move(*text);
  }
  return answer;
}

}  // namespace kq::sim
