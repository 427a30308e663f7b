#include "tools/signing_path.h"

#include "common/codes_tools.h"
#include "crypto/hash_alg.h"

namespace kq::tools {

namespace code = tool::signature;

uint32_t ReservedSignatureSize(uint8_t algorithm) {
  switch (algorithm) {
    case kKeyRsa1024:
      return 128;
    case kKeyRsa2048:
      return 256;
    case kKeySm2:
      return 64;
    default:
      return 0;
  }
}

uint32_t ChooseSigningPath(uint32_t deviceUsage, uint8_t algorithm, bool transactionMessage,
                           SigningPath& path) {
  switch (deviceUsage) {
    case 1:
      // An SM2 key of usage 1 signs without asking again for a verified PIN; an RSA key lets
      // the key hash (and show) a transaction.
      path = algorithm == kKeySm2 ? SigningPath{1, false} : SigningPath{4, transactionMessage};
      return 0;
    case 2:
      if (!transactionMessage) {
        return code::kNotTransactionMessage;
      }
      path = {4, true};
      return 0;
    case 3:
      path = {4, false};
      return 0;
    default:
      return code::kUnsupportedKey;
  }
}

uint32_t ChooseHashName(const char* hashName, int32_t hashNameLength, uint8_t algorithm,
                        std::string& name) {
  const bool sm2 = algorithm == kKeySm2;
  if (hashName == nullptr || hashName[0] == '\0' || hashNameLength == 0) {
    name = sm2 ? "SM3" : "SHA1";
    return 0;
  }
  // The caller's name as far as its length and its NUL allow; however long, it is kept whole.
  name.clear();
  for (int32_t i = 0; i < hashNameLength && hashName[i] != '\0'; ++i) {
    name.push_back(hashName[i]);
  }
  HashAlg alg{};
  if (!HashAlgFromName(hashName, hashNameLength, &alg)) {
    return code::kBadHash;
  }
  if (sm2 != (alg == HashAlg::kSm3)) {
    return code::kBadHash;
  }
  return 0;
}

}  // namespace kq::tools
