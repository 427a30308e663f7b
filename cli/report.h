#pragma once
// What one kqtool command did: every call it made to the provider, each with its result code
// explained and its outputs, printed as readable text or as JSON (the keys are documented in the
// README and kept stable).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "json_value.h"
#include "status_text.h"

namespace kq::cli {

struct CallRecord {
  std::string function;  // "KQ_GetMediaID", "CPSignHash", "ReadUserData"
  std::string step;      // the CryptoAPI script step that made the call; empty otherwise
  bool ok = false;
  StatusText status;
  JsonObject outputs;
};

class Report {
 public:
  explicit Report(std::string command) : command_(std::move(command)) {}

  // Records a CP* call: ok when it returned TRUE; the status is its last error.
  CallRecord& AddProviderCall(std::string function, bool ok, uint32_t lastError);
  // Records a KQ_ or table call whose status 0 is success.
  CallRecord& AddToolCall(std::string function, uint32_t status);
  // Records a call whose success the caller decides (the check exports return 1 for present).
  CallRecord& AddToolCall(std::string function, uint32_t status, bool ok);
  // A failure of kqtool itself (a file it could not read, an export the library lacks).
  void AddProblem(std::string text) { problems_.push_back(std::move(text)); }
  // Extra values of the whole command.
  JsonObject& outputs() { return outputs_; }
  void set_step(std::string step) { step_ = std::move(step); }
  void set_ok(bool ok) { forcedOk_ = ok ? 1 : 0; }

  [[nodiscard]] bool ok() const;
  [[nodiscard]] const std::vector<CallRecord>& calls() const { return calls_; }
  [[nodiscard]] const CallRecord* LastCall() const {
    return calls_.empty() ? nullptr : &calls_.back();
  }

  [[nodiscard]] JsonObject ToJson() const;
  [[nodiscard]] std::string ToText() const;

 private:
  std::string command_;
  std::string step_;
  std::vector<CallRecord> calls_;
  std::vector<std::string> problems_;
  JsonObject outputs_;
  int forcedOk_ = -1;
};

}  // namespace kq::cli
