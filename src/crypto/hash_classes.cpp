#include "crypto/hash_classes.h"

namespace kq {

int CHashSystemEngine::Init() {
  engine_.Start();
  return 0;
}

void CHashSystemEngine::Update(const uint8_t* data, uint32_t length) {
  if (length != 0) {
    engine_.Update(data, length);
  }
}

void CHashSystemEngine::Final(uint8_t* out) {
  engine_.Finish(out);
}

std::unique_ptr<CHashBase> CreateHashEngine(HashAlg alg) {
  switch (alg) {
    case HashAlg::kMd5:
      return std::make_unique<CHashMD5>();
    case HashAlg::kSha1:
      return std::make_unique<CHashSHA1>();
    case HashAlg::kSha256:
      return std::make_unique<CHashSHA256>();
    case HashAlg::kSha384:
      return std::make_unique<CHashSHA384>();
    case HashAlg::kSha512:
      return std::make_unique<CHashSHA512>();
    case HashAlg::kSsl3ShaMd5:
    case HashAlg::kSm3:
      break;
  }
  return nullptr;
}

}  // namespace kq
