// The transaction-message check, and the hash's kept copy that must reach the same verdict as the
// check of the whole data while keeping nothing of data that cannot be a message.
#include "crypto/transaction_message.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "support/transaction_message.h"

namespace kq {
namespace {

using Bytes = std::vector<uint8_t>;

std::string Length16(uint64_t n) {
  std::string digits = std::to_string(n);
  return std::string(16 - digits.size(), '0') + digits;
}

TEST(TransactionMessage, EachCheckReportsItsOwnNumber) {
  const Bytes goodBytes = test::TransactionMessage("2024", "abc", "de");
  const std::string good(goodBytes.begin(), goodBytes.end());
  const Bytes emptyBytes = test::TransactionMessage("2024", "", "");
  const std::string head = "02" + Length16(4) + "2024";
  const std::pair<std::string, uint32_t> cases[] = {
      {good, 0},
      {std::string(emptyBytes.begin(), emptyBytes.end()), 0},
      {"", 10},
      {"0", 10},
      {"03", 11},
      {"02000", 12},
      {"020000000000000x004", 13},
      {"02" + Length16(5) + "20245", 14},
      {"02" + std::string("9999999999999999") + "2024", 14},
      {"02" + Length16(4) + "202", 15},
      {head + "0", 21},
      {head + "11", 22},
      {head + "01" + "12", 23},
      {head + "01" + "000000000000000-", 24},
      {head + "01" + Length16(9) + "short", 25},
      // 9999999999999999 plus the header would wrap a 32-bit sum; compared, it does not fit.
      {head + "01" + "9999999999999999" + "abc", 25},
      {good.substr(0, 44), 31},
      {good.substr(0, 43) + "01" + good.substr(45), 32},
      {good.substr(0, 50), 33},
      {good.substr(0, 45) + "+" + good.substr(46), 34},
      {good + "x", 35},
      {good.substr(0, good.size() - 1), 35},
      {head + "01" + Length16(1) + "a" + "00" + "9999999999999999" + "xyz", 35},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(CheckTransactionMessage(Bytes(text.begin(), text.end())), expected) << text;
  }
}

// Appends data in pieces, comparing the kept copy's verdict with the whole check.
void ExpectSameVerdict(const Bytes& data, std::mt19937& random) {
  TransactionMessageCandidate candidate;
  size_t at = 0;
  while (at < data.size()) {
    const size_t piece = std::min<size_t>(data.size() - at, random() % 7);
    candidate.Append({data.data() + at, piece});
    at += piece;
  }
  const bool isMessage = CheckTransactionMessage(data) == 0;
  EXPECT_EQ(!candidate.Message().empty() || (isMessage && data.empty()), isMessage)
      << std::string(data.begin(), data.end());
  if (isMessage) {
    EXPECT_EQ(Bytes(candidate.Message().begin(), candidate.Message().end()), data);
  }
}

TEST(TransactionMessage, TheKeptCopyDecidesAsTheWholeCheckForMutatedMessages) {
  std::mt19937 random(20240601);
  const Bytes base = test::TransactionMessage("2024", "amount 42.00 account 6222", "yes");
  const char alphabet[] = "0124x9";
  for (int round = 0; round < 3000; ++round) {
    Bytes data = base;
    for (auto edits = random() % 3; edits > 0 && !data.empty(); --edits) {
      const auto at = data.begin() + static_cast<long>(random() % data.size());
      if (random() % 2 == 0) {
        *at = static_cast<uint8_t>(alphabet[random() % 6]);
      } else {
        data.erase(at);
      }
    }
    if (random() % 4 == 0) {
      data.resize(random() % (data.size() + 1));
    }
    ExpectSameVerdict(data, random);
  }
}

}  // namespace
}  // namespace kq
