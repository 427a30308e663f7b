#include "report.h"

namespace kq::cli {

CallRecord& Report::AddProviderCall(std::string function, bool ok, uint32_t lastError) {
  CallRecord& call = calls_.emplace_back();
  call.function = std::move(function);
  call.step = step_;
  call.ok = ok;
  call.status = DescribeLastError(lastError);
  return call;
}

CallRecord& Report::AddToolCall(std::string function, uint32_t status) {
  return AddToolCall(std::move(function), status, status == 0);
}

CallRecord& Report::AddToolCall(std::string function, uint32_t status, bool ok) {
  CallRecord& call = calls_.emplace_back();
  call.status = DescribeToolStatus(function, status);
  call.function = std::move(function);
  call.step = step_;
  call.ok = ok;
  return call;
}

bool Report::ok() const {
  if (forcedOk_ >= 0) {
    return forcedOk_ == 1;
  }
  if (!problems_.empty()) {
    return false;
  }
  for (const CallRecord& call : calls_) {
    if (!call.ok) {
      return false;
    }
  }
  return true;
}

JsonObject Report::ToJson() const {
  JsonObject root;
  root.Set("command", command_).Set("ok", ok());
  JsonList calls;
  for (const CallRecord& call : calls_) {
    JsonObject entry;
    entry.Set("function", call.function);
    if (!call.step.empty()) {
      entry.Set("step", call.step);
    }
    entry.Set("ok", call.ok).Set("status", StatusObject(call.status));
    entry.Set("outputs", call.outputs);
    calls.emplace_back(std::move(entry));
  }
  root.Set("calls", std::move(calls));
  if (!outputs_.empty()) {
    root.Set("outputs", outputs_);
  }
  JsonList problems;
  for (const std::string& problem : problems_) {
    problems.emplace_back(problem);
  }
  root.Set("problems", std::move(problems));
  return root;
}

std::string Report::ToText() const {
  std::string out;
  for (const CallRecord& call : calls_) {
    out += (call.step.empty() ? "" : "[" + call.step + "] ") + call.function + " " +
           (call.ok ? "ok" : "FAILED") + ": " + StatusLine(call.status) + "\n";
    out += WriteReadable(call.outputs, 1);
  }
  out += WriteReadable(outputs_, 0);
  for (const std::string& problem : problems_) {
    out += "kqtool: " + problem + "\n";
  }
  return out;
}

}  // namespace kq::cli
