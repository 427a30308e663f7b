#include "crypto/sm3.h"

#include <cstring>

namespace kq {
namespace {

constexpr uint32_t kIv[8] = {0x7380166F, 0x4914B2B9, 0x172442D7, 0xDA8A0600,
                             0xA96F30BC, 0x163138AA, 0xE38DEE4D, 0xB0FB0E4E};

constexpr uint32_t Rotl(uint32_t x, unsigned n) {
  n &= 31;
  return n == 0 ? x : (x << n) | (x >> (32 - n));
}

// T_j rotated left by j, for every round, worked out at compile time.
constexpr std::array<uint32_t, 64> MakeRoundConstants() {
  std::array<uint32_t, 64> t{};
  for (unsigned j = 0; j < 64; ++j) {
    t[j] = Rotl(j < 16 ? 0x79CC4519u : 0x7A879D8Au, j % 32);
  }
  return t;
}
constexpr std::array<uint32_t, 64> kT = MakeRoundConstants();

inline uint32_t LoadBe32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

inline void StoreBe32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 24);
  p[1] = static_cast<uint8_t>(v >> 16);
  p[2] = static_cast<uint8_t>(v >> 8);
  p[3] = static_cast<uint8_t>(v);
}

inline uint32_t P0(uint32_t x) {
  return x ^ Rotl(x, 9) ^ Rotl(x, 17);
}
inline uint32_t P1(uint32_t x) {
  return x ^ Rotl(x, 15) ^ Rotl(x, 23);
}

inline uint32_t Expand(uint32_t w0, uint32_t w7, uint32_t w13, uint32_t w3, uint32_t w10) {
  return P1(w0 ^ w7 ^ Rotl(w13, 15)) ^ Rotl(w3, 7) ^ w10;
}

// One round with the register names rotated by the caller instead of moving values: the round
// writes the new A into D's register and the new E into H's, and the next round is called with
// the names shifted by one (A,B,C,D) -> (D,A,B,C), as the reference shift would leave them.
// The message schedule lives in a ring of 16 words: once round j has used W[j], its slot takes
// W[j+16], so the expansion runs interleaved with the rounds instead of as one long chain ahead.
#define KQ_SM3_ROUND(A, B, C, D, E, F, G, H, j, FF, GG)                                           \
  do {                                                                                            \
    const uint32_t a12 = Rotl(A, 12);                                                             \
    const uint32_t ss1 = Rotl(a12 + E + kT[j], 7);                                                \
    const uint32_t ss2 = ss1 ^ a12;                                                               \
    const uint32_t tt1 = FF(A, B, C) + D + ss2 + (w[(j) % 16] ^ w[((j) + 4) % 16]);               \
    const uint32_t tt2 = GG(E, F, G) + H + ss1 + w[(j) % 16];                                     \
    B = Rotl(B, 9);                                                                               \
    D = tt1;                                                                                      \
    F = Rotl(F, 19);                                                                              \
    H = P0(tt2);                                                                                  \
    if ((j) < 52) {                                                                               \
      w[(j) % 16] = Expand(w[(j) % 16], w[((j) + 7) % 16], w[((j) + 13) % 16], w[((j) + 3) % 16], \
                           w[((j) + 10) % 16]);                                                   \
    }                                                                                             \
  } while (0)

#define KQ_SM3_XOR3(x, y, z) ((x) ^ (y) ^ (z))
#define KQ_SM3_MAJ(x, y, z) (((x) & (y)) | (((x) | (y)) & (z)))
#define KQ_SM3_CHOOSE(x, y, z) ((((y) ^ (z)) & (x)) ^ (z))

#define KQ_SM3_FOUR(j, FF, GG)                           \
  KQ_SM3_ROUND(a, b, c, d, e, f, g, h, (j), FF, GG);     \
  KQ_SM3_ROUND(d, a, b, c, h, e, f, g, (j) + 1, FF, GG); \
  KQ_SM3_ROUND(c, d, a, b, g, h, e, f, (j) + 2, FF, GG); \
  KQ_SM3_ROUND(b, c, d, a, f, g, h, e, (j) + 3, FF, GG)

void CompressBlocks(uint32_t* state, const uint8_t* data, size_t blocks) {
  uint32_t w[16];
  while (blocks-- > 0) {
    // Spelled out: a loop here costs several percent, as the compiler keeps it rolled.
    w[0] = LoadBe32(data), w[1] = LoadBe32(data + 4), w[2] = LoadBe32(data + 8);
    w[3] = LoadBe32(data + 12), w[4] = LoadBe32(data + 16), w[5] = LoadBe32(data + 20);
    w[6] = LoadBe32(data + 24), w[7] = LoadBe32(data + 28), w[8] = LoadBe32(data + 32);
    w[9] = LoadBe32(data + 36), w[10] = LoadBe32(data + 40), w[11] = LoadBe32(data + 44);
    w[12] = LoadBe32(data + 48), w[13] = LoadBe32(data + 52), w[14] = LoadBe32(data + 56);
    w[15] = LoadBe32(data + 60);
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    uint32_t e = state[4], f = state[5], g = state[6], h = state[7];
    KQ_SM3_FOUR(0, KQ_SM3_XOR3, KQ_SM3_XOR3);
    KQ_SM3_FOUR(4, KQ_SM3_XOR3, KQ_SM3_XOR3);
    KQ_SM3_FOUR(8, KQ_SM3_XOR3, KQ_SM3_XOR3);
    KQ_SM3_FOUR(12, KQ_SM3_XOR3, KQ_SM3_XOR3);
    KQ_SM3_FOUR(16, KQ_SM3_MAJ, KQ_SM3_CHOOSE);
    KQ_SM3_FOUR(20, KQ_SM3_MAJ, KQ_SM3_CHOOSE);
    KQ_SM3_FOUR(24, KQ_SM3_MAJ, KQ_SM3_CHOOSE);
    KQ_SM3_FOUR(28, KQ_SM3_MAJ, KQ_SM3_CHOOSE);
    KQ_SM3_FOUR(32, KQ_SM3_MAJ, KQ_SM3_CHOOSE);
    KQ_SM3_FOUR(36, KQ_SM3_MAJ, KQ_SM3_CHOOSE);
    KQ_SM3_FOUR(40, KQ_SM3_MAJ, KQ_SM3_CHOOSE);
    KQ_SM3_FOUR(44, KQ_SM3_MAJ, KQ_SM3_CHOOSE);
    KQ_SM3_FOUR(48, KQ_SM3_MAJ, KQ_SM3_CHOOSE);
    KQ_SM3_FOUR(52, KQ_SM3_MAJ, KQ_SM3_CHOOSE);
    KQ_SM3_FOUR(56, KQ_SM3_MAJ, KQ_SM3_CHOOSE);
    KQ_SM3_FOUR(60, KQ_SM3_MAJ, KQ_SM3_CHOOSE);
    state[0] ^= a;
    state[1] ^= b;
    state[2] ^= c;
    state[3] ^= d;
    state[4] ^= e;
    state[5] ^= f;
    state[6] ^= g;
    state[7] ^= h;
    data += kSm3BlockSize;
  }
}

#undef KQ_SM3_FOUR
#undef KQ_SM3_CHOOSE
#undef KQ_SM3_MAJ
#undef KQ_SM3_XOR3
#undef KQ_SM3_ROUND

}  // namespace

void Sm3Starts(Sm3Context* ctx) {
  ctx->total[0] = 0;
  ctx->total[1] = 0;
  std::memcpy(ctx->state, kIv, sizeof kIv);
}

void Sm3Update(Sm3Context* ctx, const uint8_t* data, uint32_t length) {
  if (length == 0) {
    return;
  }
  size_t used = ctx->total[0] % kSm3BlockSize;
  ctx->total[0] += length;
  if (ctx->total[0] < length) {
    ++ctx->total[1];
  }
  size_t left = length;
  if (used != 0) {
    const size_t fill = kSm3BlockSize - used;
    if (left < fill) {
      std::memcpy(ctx->buffer + used, data, left);
      return;
    }
    std::memcpy(ctx->buffer + used, data, fill);
    CompressBlocks(ctx->state, ctx->buffer, 1);
    data += fill;
    left -= fill;
  }
  const size_t blocks = left / kSm3BlockSize;
  if (blocks != 0) {
    CompressBlocks(ctx->state, data, blocks);
    data += blocks * kSm3BlockSize;
    left -= blocks * kSm3BlockSize;
  }
  if (left != 0) {
    std::memcpy(ctx->buffer, data, left);
  }
}

void Sm3Finish(Sm3Context* ctx, uint8_t* digest) {
  // Padding: 0x80, zeros up to 56 bytes into a block, then the length in bits, big-endian.
  const size_t used = ctx->total[0] % kSm3BlockSize;
  const uint32_t bitsHigh = (ctx->total[1] << 3) | (ctx->total[0] >> 29);
  const uint32_t bitsLow = ctx->total[0] << 3;
  ctx->buffer[used] = 0x80;
  if (used + 1 > kSm3BlockSize - 8) {
    std::memset(ctx->buffer + used + 1, 0, kSm3BlockSize - used - 1);
    CompressBlocks(ctx->state, ctx->buffer, 1);
    std::memset(ctx->buffer, 0, kSm3BlockSize - 8);
  } else {
    std::memset(ctx->buffer + used + 1, 0, kSm3BlockSize - 8 - used - 1);
  }
  StoreBe32(ctx->buffer + 56, bitsHigh);
  StoreBe32(ctx->buffer + 60, bitsLow);
  CompressBlocks(ctx->state, ctx->buffer, 1);
  for (size_t i = 0; i < 8; ++i) {
    StoreBe32(digest + 4 * i, ctx->state[i]);
  }
}

void Sm3::Update(std::span<const uint8_t> data) {
  // The engine counts in 32-bit pieces; larger inputs go through in several.
  constexpr size_t kPiece = size_t{1} << 30;
  while (!data.empty()) {
    const size_t n = data.size() < kPiece ? data.size() : kPiece;
    Sm3Update(&ctx_, data.data(), static_cast<uint32_t>(n));
    data = data.subspan(n);
  }
}

Sm3Digest Sm3::Final() {
  Sm3Digest digest{};
  Sm3Finish(&ctx_, digest.data());
  Sm3Starts(&ctx_);
  return digest;
}

Sm3Digest Sm3Hash(std::span<const uint8_t> data) {
  Sm3 sm3;
  sm3.Update(data);
  return sm3.Final();
}

}  // namespace kq
