#include <gtest/gtest.h>
#include <sys/mman.h>

#include <cstdint>
#include <vector>

#include "crypto/hash_base.h"

namespace kq {
namespace {

// Records what each Update was given, without reading the bytes.
class LengthRecorder final : public CHashBase {
 public:
  int Init() override { return 0; }
  void Update(const uint8_t* data, uint32_t length) override { pieces.push_back({data, length}); }
  void Final(uint8_t* /*out*/) override {}
  uint32_t GetDigestSize() override { return 0; }

  std::vector<std::pair<const uint8_t*, uint32_t>> pieces;
};

// A caller's 4 GiB and more (a size_t length on 64-bit systems) reaches the hash whole, in order,
// never cut to the low 32 bits of its length. The pages are reserved, never touched.
TEST(UpdateWhole, GivesTheHashEveryByteOfFourGibibytesAndMoreInOrder) {
  constexpr size_t kSize = (size_t{1} << 32) + 16;
  void* region =
      mmap(nullptr, kSize, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  ASSERT_NE(region, MAP_FAILED);
  const auto* bytes = static_cast<const uint8_t*>(region);
  for (const size_t size : {size_t{0}, size_t{16}, size_t{1} << 30, kSize}) {
    LengthRecorder hash;
    UpdateWhole(hash, {bytes, size});
    size_t total = 0;
    for (const auto& [data, length] : hash.pieces) {
      EXPECT_EQ(data, bytes + total) << "size " << size;
      EXPECT_GT(length, 0u) << "size " << size;
      total += length;
    }
    EXPECT_EQ(total, size);
  }
  munmap(region, kSize);
}

}  // namespace
}  // namespace kq
