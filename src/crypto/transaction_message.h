#pragma once
// The bank's transaction message: three fields, each a two-character tag, a 16-digit decimal
// length and the value: "02" (length 4), "01" (length L) and "00" (length M), the message ending
// exactly after the third value. Data in this form is signed by the key itself, which shows it to
// the user first; any other data is hashed on the host.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace kq {

// 0 when the bytes are a transaction message, otherwise the number of the first failed check:
// 10 shorter than 2 bytes; 11 first tag not "02"; 12 fewer than 16 bytes for its length; 13 a
// non-digit in it; 14 its value not 4; 15 fewer than 4 value bytes; 21 no room for the second
// tag; 22 second tag not "01"; 23 fewer than 16 bytes for its length; 24 a non-digit in it; 25
// fewer than L bytes left; 31 no room for the third tag; 32 third tag not "00"; 33 fewer than 16
// bytes for its length; 34 a non-digit in it; 35 the bytes left are not exactly M. Lengths are
// compared with what is left, never added to a position, so no length overflows.
uint32_t CheckTransactionMessage(std::span<const uint8_t> bytes);

// Whether data that begins with these bytes can still turn out to be a transaction message: false
// once a check has failed in a way that no further bytes can mend.
bool CanBeginTransactionMessage(std::span<const uint8_t> bytes);

// The data given to a hash, kept only while it can still be the beginning of a transaction
// message. Once it cannot, the copy is released and later data is not kept, so memory does not
// grow with data that is hashed on the host; the signing decision is the same as the check of
// the whole data would give.
class TransactionMessageCandidate {
 public:
  // Data longer than the key's 32-bit message length can never be sent to it.
  static constexpr uint64_t kMaxMessageLength = 0xFFFFFFFF;

  void Append(std::span<const uint8_t> data);
  // The whole data, when it is a transaction message; empty otherwise.
  [[nodiscard]] std::span<const uint8_t> Message() const;
  // Forgets everything: the object behaves as if it had never been given data.
  void Reset();

 private:
  std::vector<uint8_t> bytes_;
  bool possible_ = true;
};

}  // namespace kq
