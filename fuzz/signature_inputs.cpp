// The inputs of the signature exports: the public-key list and the transaction message, the latter
// also fed in two pieces as a hash receives it.
#include <cstddef>
#include <cstdint>
#include <span>

#include "crypto/transaction_message.h"
#include "tools/public_key_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> bytes(data, size);
  (void)kq::tools::ParsePublicKeyList(bytes);
  const uint32_t check = kq::CheckTransactionMessage(bytes);
  kq::TransactionMessageCandidate candidate;
  const size_t half = size / 2;
  candidate.Append(bytes.first(half));
  candidate.Append(bytes.subspan(half));
  // Fed in pieces, the decision is the one the whole data gives.
  if ((check == 0) != (candidate.Message().size() == size && size > 0)) {
    __builtin_trap();
  }
  return 0;
}
