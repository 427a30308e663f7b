#include "tools/tool_login.h"

#include <string>

#include "common/codes_tools.h"

namespace kq::tools {

namespace {

namespace sig = tool::signature;

struct LoginCodes {
  LoginOutcome outcome;
  uint32_t status;
  uint32_t reason;
};

constexpr LoginCodes kLoginCodes[] = {
    {LoginOutcome::kSuccess, tool::kOk, 0},
    {LoginOutcome::kCancelled, tool::kCancelledByUser, 0},
    {LoginOutcome::kLocked, tool::kPinLocked, sig::kReasonPinLocked},
    {LoginOutcome::kNoSession, tool::kLoginFailed, sig::kReasonLoginFailed},
    {LoginOutcome::kFailed, tool::kLoginFailed, sig::kReasonLoginFailed},
    {LoginOutcome::kReaderNameUnusable, tool::kLoginFailed, sig::kReasonLoginFailed},
    {LoginOutcome::kReopenFailed, tool::kLoginFailed, sig::kReasonLoginFailed},
    // Another key took the reader while the PIN entry was up: the key failed, not the login.
    {LoginOutcome::kKeyReplaced, sig::kDeviceFailed, sig::kReasonKeyRemoved},
};

}  // namespace

uint32_t LoginForTool(DeviceSession& session, std::string_view readerName, LoginMode mode,
                      uint32_t* reason) {
  std::string name(readerName);
  const LoginOutcome outcome = Login(session, name, mode, ReaderNameCase::kAsGiven).outcome;
  for (const LoginCodes& row : kLoginCodes) {
    if (row.outcome == outcome) {
      if (reason != nullptr) {
        *reason = row.reason;
      }
      return row.status;
    }
  }
  return tool::kLoginFailed;
}

}  // namespace kq::tools
