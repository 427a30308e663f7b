#include "support/openssl_request_check.h"

#include "support/openssl_command.h"

namespace kq::test {

RequestCheck CheckRequestWithOpenSsl(std::span<const uint8_t> der, bool sm2) {
  const TempDirectory dir;
  std::vector<std::string> arguments = {
      "req", "-inform", "DER", "-in", dir.Write("request.der", der).string(), "-verify", "-noout"};
  if (sm2) {
    arguments.insert(arguments.end(), {"-vfyopt", "distid:1234567812345678"});
  }
  const CommandResult result = RunOpenssl(arguments);
  RequestCheck check;
  check.output = result.out + result.err;
  check.verified = check.output.find("verify OK") != std::string::npos &&
                   check.output.find("fail") == std::string::npos;
  return check;
}

}  // namespace kq::test
