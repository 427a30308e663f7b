// The frame every entry point shares, on verify contexts with no soft key: handles and their
// numbering, the last error on every return (on several threads too), the operations the provider
// does not offer, argument refusals, and the objects a verify context holds (symmetric keys,
// hashes).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <numeric>
#include <optional>
#include <set>
#include <span>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/provider_library.h"
#include "support/scoped_env.h"
#include "support/temp_directory.h"

namespace kq::test {
namespace {

inline constexpr uint32_t kVerifyContext = 0xF0000000;
inline constexpr uint32_t kNteBadUid = 0x80090001;
inline constexpr uint32_t kNteBadKey = 0x80090003;

class FrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Provider().complete) << Provider().problem;
    static const TempDirectory emptyRoot;  // no soft key: verify contexts never need one
    static ScopedEnv root("KQSIM_ROOT", emptyRoot.path().string());
  }

  static const ProviderLibrary& P() { return Provider(); }
  static uint32_t Error() { return P().GetLastError(); }

  static KqHandle Acquire() {
    KqHandle handle = 0;
    EXPECT_TRUE(P().CPAcquireContext(&handle, nullptr, kVerifyContext, nullptr));
    EXPECT_EQ(Error(), 0u);
    return handle;
  }
};

// A PUBLICKEYBLOB as callers pass it: bits/8 modulus bytes of a pattern, exponent 65537.
inline std::vector<uint8_t> PublicKeyBlob(uint32_t algId, uint32_t bits) {
  std::vector<uint8_t> blob = {6, 2, 0, 0};
  for (const uint32_t v : {algId, 0x31415352u, bits, 65537u}) {  // 0x31415352: "RSA1"
    for (int i = 0; i < 4; ++i) {
      blob.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
  }
  for (uint32_t i = 0; i < bits / 8; ++i) {
    blob.push_back(static_cast<uint8_t>(0xA5 + i));
  }
  return blob;
}

using Misuse = FrameTest;
using HandleNumbering = FrameTest;

// One call of a table: its text, the call, the last error it leaves (0: it succeeds), the length
// it is given and, where set, the length it reports and the first four bytes it writes.
struct Call {
  const char* text;
  std::function<KqBool()> run;
  uint32_t error;
  uint32_t lengthIn = 64;
  std::optional<uint32_t> lengthOut{}, value{};
};
// clang-format off
#define KQ_CALL(call, ...) Call{#call, [&] { return p.call; }, __VA_ARGS__}
// clang-format on

// Runs the calls in order, each with `length` set to its lengthIn; `buffer` is where they write.
void RunCalls(std::span<const Call> calls, uint32_t& length, const uint8_t* buffer) {
  for (const Call& call : calls) {
    length = call.lengthIn;
    Provider().SetLastError(1234);  // success sets it too
    EXPECT_EQ(call.run() != 0, call.error == 0) << call.text;
    EXPECT_EQ(Provider().GetLastError(), call.error) << call.text;
    EXPECT_EQ(length, call.lengthOut.value_or(length)) << call.text;
    uint32_t first = 0;
    std::memcpy(&first, buffer, 4);
    EXPECT_EQ(first, call.value.value_or(first)) << call.text;
  }
}

// Every entry point refuses h with NTE_BAD_UID.
void ExpectEveryEntryRefuses(KqHandle h) {
  SCOPED_TRACE(h);
  const ProviderLibrary& p = Provider();
  uint8_t data[64] = {};
  uint32_t length = 0;
  KqHandle out = 0;
  const Call calls[] = {
      KQ_CALL(CPReleaseContext(h, 0), kNteBadUid),
      KQ_CALL(CPGenKey(h, 2, 0, &out), kNteBadUid),
      KQ_CALL(CPDeriveKey(h, 0x6601, 2, 0, &out), kNteBadUid),
      KQ_CALL(CPDestroyKey(h, 2), kNteBadUid),
      KQ_CALL(CPSetKeyParam(h, 2, 3, data, 0), kNteBadUid),
      KQ_CALL(CPGetKeyParam(h, 2, 3, data, &length, 0), kNteBadUid),
      KQ_CALL(CPExportKey(h, 2, 0, 6, 0, data, &length), kNteBadUid),
      KQ_CALL(CPImportKey(h, data, sizeof data, 0, 0, &out), kNteBadUid),
      KQ_CALL(CPEncrypt(h, 2, 0, 1, 0, data, &length, sizeof data), kNteBadUid),
      KQ_CALL(CPDecrypt(h, 2, 0, 1, 0, data, &length), kNteBadUid),
      KQ_CALL(CPCreateHash(h, 0x8004, 0, 0, &out), kNteBadUid),
      KQ_CALL(CPHashData(h, 2, data, sizeof data, 0), kNteBadUid),
      KQ_CALL(CPHashSessionKey(h, 2, 3, 0), kNteBadUid),
      KQ_CALL(CPDestroyHash(h, 2), kNteBadUid),
      KQ_CALL(CPSignHash(h, 2, 2, nullptr, 0, data, &length), kNteBadUid),
      KQ_CALL(CPVerifySignature(h, 2, data, 128, 3, nullptr, 0), kNteBadUid),
      KQ_CALL(CPGenRandom(h, sizeof data, data), kNteBadUid),
      KQ_CALL(CPGetUserKey(h, 2, &out), kNteBadUid),
      KQ_CALL(CPSetProvParam(h, 0, data, 0), kNteBadUid),
      KQ_CALL(CPGetProvParam(h, 4, data, &length, 0), kNteBadUid),
      KQ_CALL(CPSetHashParam(h, 2, 2, data, 0), kNteBadUid),
      KQ_CALL(CPGetHashParam(h, 2, 2, data, &length, 0), kNteBadUid),
      KQ_CALL(CPDuplicateKey(h, 2, nullptr, 0, &out), kNteBadUid),
      KQ_CALL(CPDuplicateHash(h, 2, nullptr, 0, &out), kNteBadUid),
  };
  RunCalls(calls, length, data);
}

TEST_F(Misuse, EveryEntryPointRefusesAnUnregisteredOrReleasedHandle) {
  ExpectEveryEntryRefuses(0);
  ExpectEveryEntryRefuses(KqHandle{0xFFFFFFFF});
  // The upper half of a 64-bit provider handle is ignored; key handles compare in full. (A 32-bit
  // handle has no upper half: upper is 0, and the calls use the handles as they are.)
  const auto upper = static_cast<KqHandle>(uint64_t{0xABCD1234} << 32);
  const KqHandle handle = Acquire();
  const KqHandle widened = handle | upper;
  const auto blob = PublicKeyBlob(0xA400, 1024);
  const auto size = static_cast<uint32_t>(blob.size());
  KqHandle key = 0, kept = 0;
  ASSERT_TRUE(P().CPImportKey(widened, blob.data(), size, 0, 0, &key));
  ASSERT_TRUE(P().CPImportKey(handle, blob.data(), size, 0, 0, &kept));
  if (upper != 0) {
    EXPECT_FALSE(P().CPDestroyKey(handle, key | upper));
    EXPECT_EQ(Error(), kNteBadKey);
  }
  EXPECT_TRUE(P().CPDestroyKey(handle, key));
  EXPECT_TRUE(P().CPReleaseContext(widened, 0));
  ExpectEveryEntryRefuses(handle);  // a second release included
  // The key handle does not live on in another context.
  const KqHandle other = Acquire();
  EXPECT_FALSE(P().CPDestroyKey(other, kept));
  EXPECT_EQ(Error(), kNteBadKey);
  EXPECT_TRUE(P().CPReleaseContext(other, 0));
}

// The calls of a fresh process, each noted as its result, last error and handle: provider handles
// 1, 2, a failed acquisition's 3 (returned as 0xFFFFFFFF), 4; the key handles of all contexts then
// count 2, 3, 4, each belonging to its context only. The exit status is 0 when all held.
int NumberHandlesFromTheStart() {
  const ProviderLibrary& p = Provider();
  std::ostringstream trace;
  const auto note = [&](KqBool ok, const KqHandle& handle) {  // read after the call
    trace << ok << " " << std::hex << p.GetLastError() << " " << handle << std::dec << ", ";
  };
  KqHandle h[4] = {};
  for (size_t i = 0; i < 4; ++i) {  // CRYPT_NEWKEYSET with CRYPT_DELETEKEYSET is refused
    note(p.CPAcquireContext(&h[i], i == 2 ? "x" : nullptr, i == 2 ? 0x18 : kVerifyContext, 0),
         h[i]);
  }
  note(p.CPReleaseContext(h[2], 0), 0);
  const auto blob = PublicKeyBlob(0xA400, 1024);
  for (const size_t i : {0, 1, 0}) {
    KqHandle key = 0;
    note(p.CPImportKey(h[i], blob.data(), static_cast<uint32_t>(blob.size()), 0, 0, &key), key);
  }
  note(p.CPDestroyKey(h[1], 2), 2);
  for (const size_t i : {0, 1, 3}) {
    note(p.CPReleaseContext(h[i], 0), h[i]);
  }
  std::fprintf(stderr, "%s\n", trace.str().c_str());
  return trace.str() !=
         "1 0 1, 1 0 2, 0 80090009 ffffffff, 1 0 4, 0 80090001 0, 1 0 2, 1 0 3, "
         "1 0 4, 0 80090003 2, 1 0 1, 1 0 2, 1 0 4, ";
}

TEST_F(HandleNumbering, ProviderHandlesCountFromOneAndKeyHandlesShareOneSequenceFromTwo) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");  // the child re-executes this test alone
  EXPECT_EXIT(std::exit(NumberHandlesFromTheStart()), ::testing::ExitedWithCode(0), "");
}

// A verify context's calls in order: refusals of arguments and of unoffered operations, and the
// objects it holds: an empty DES handle, an RC2 key from a PLAINTEXTKEYBLOB, hashes, the SSL3 pair.
TEST_F(Misuse, VerifyContextCallsAnswerWithTheirOwnCodes) {
  const ProviderLibrary& p = P();
  const KqHandle prov = Acquire();
  uint8_t buffer[64] = {};
  uint32_t length = 0;
  uint8_t untouched[16];
  std::memset(untouched, 0x5A, sizeof untouched);
  KqHandle out = 77;  // unoffered operations leave it
  KqHandle spare = 0, des = 0, rc2 = 0, pub = 0, sha1 = 0, sha256 = 0, ssl3 = 0;
  uint8_t rc2Blob[28] = {8, 2, 0, 0, 0x02, 0x66, 0, 0, 16, 0, 0, 0};  // then 0x10, 0x11...
  std::iota(rc2Blob + 12, rc2Blob + 28, 0x10);
  const auto pubBlob = PublicKeyBlob(0xA400, 1024);  // 148 bytes
  const auto number = [](const uint32_t& v) { return reinterpret_cast<const uint8_t*>(&v); };
  const uint8_t iv[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  uint8_t pair[36];
  std::memset(pair, 0x36, sizeof pair);
  uint8_t value[32] = {};
  uint8_t again[32] = {};
  uint8_t signature[512] = {1};
  const Call calls[] = {
      KQ_CALL(CPAcquireContext(nullptr, nullptr, kVerifyContext, nullptr), 87),
      KQ_CALL(CPAcquireContext(&spare, "", kVerifyContext, nullptr), 0x8009001F),
      KQ_CALL(CPGenRandom(prov, 0, buffer), 87),
      KQ_CALL(CPGenRandom(prov, 5, nullptr), 87),
      KQ_CALL(CPGenKey(prov, 2, 0, nullptr), 0x80090027),
      KQ_CALL(CPGetProvParam(prov, 4, buffer, &length, 0), 234, 10, 19),
      KQ_CALL(CPGetProvParam(prov, 7, nullptr, &length, 0), 0x8009000A),
      KQ_CALL(CPGenKey(prov, 0x6601, 56u << 16, &des), 0),
      KQ_CALL(CPGetKeyParam(prov, des, 7, buffer, &length, 0), kNteBadKey),
      KQ_CALL(CPSetKeyParam(prov, des, 1, iv, 0), kNteBadKey),
      KQ_CALL(CPDestroyKey(prov, des), kNteBadKey),
      KQ_CALL(CPGenKey(prov, 0x6601, 64u << 16, &spare), 0x80090004),
      KQ_CALL(CPGenKey(prov, 0x6603, 112u << 16, &spare), 0x80090004),
      KQ_CALL(CPGenKey(prov, 0x6801, 0, &spare), 0x80090008),
      KQ_CALL(CPGenKey(prov, 0x6601, 0x14, &spare), 0x80090009),
      KQ_CALL(CPImportKey(prov, rc2Blob, 28, 0, 0, &rc2), 0),
      KQ_CALL(CPGetKeyParam(prov, rc2, 6, buffer, &length, 0), 0, 4, 4, 0x8B),  // KP_PERMISSIONS
      KQ_CALL(CPGetKeyParam(prov, rc2, 7, buffer, &length, 0), 0, 4, 4, 0x6602),
      KQ_CALL(CPGetKeyParam(prov, rc2, 8, buffer, &length, 0), 0, 4, 4, 64),
      KQ_CALL(CPGetKeyParam(prov, rc2, 4, buffer, &length, 0), 0, 4, 4, 1),
      KQ_CALL(CPGetKeyParam(prov, rc2, 3, buffer, &length, 0), 0, 4, 4, 1),
      // KP_SALT: the last key length - 5 bytes; the caller's length is left as it was.
      KQ_CALL(CPGetKeyParam(prov, rc2, 2, buffer, &length, 0), 0, 16, 16, 0x18171615),
      KQ_CALL(CPGetKeyParam(prov, rc2, 2, buffer, &length, 0), 234, 5, 11),
      KQ_CALL(CPSetKeyParam(prov, rc2, 4, number(3), 0), 87),
      KQ_CALL(CPSetKeyParam(prov, rc2, 19, number(39), 0), 87),  // KP_EFFECTIVE_KEYLEN: 40 to 128
      KQ_CALL(CPSetKeyParam(prov, rc2, 19, number(129), 0), 87),
      KQ_CALL(CPSetKeyParam(prov, rc2, 19, number(128), 0), 0),
      KQ_CALL(CPGetKeyParam(prov, rc2, 19, buffer, &length, 0), 0, 4, 4, 128),
      KQ_CALL(CPSetKeyParam(prov, rc2, 1, iv, 0), 0),
      KQ_CALL(CPGetKeyParam(prov, rc2, 1, buffer, &length, 0), 0, 8, 8, 0x04030201),
      KQ_CALL(CPSetKeyParam(prov, rc2, 77, iv, 0), kNteBadKey),
      KQ_CALL(CPGetKeyParam(prov, rc2, 77, buffer, &length, 0), 0x8009000A),
      KQ_CALL(CPGetKeyParam(prov, rc2, 26, nullptr, &length, 0), kNteBadKey),
      KQ_CALL(CPCreateHash(prov, 0x8009, 0, 0, &spare), 0x80090003),  // HMAC
      KQ_CALL(CPCreateHash(prov, 0x8009, 5, 0, &spare), 0x80090008),
      KQ_CALL(CPCreateHash(prov, 0x800A, 0, 0, &spare), 0x80090008),  // CALG_TLS1PRF
      KQ_CALL(CPCreateHash(prov, 0x8004, 7, 0, &spare), 87),
      KQ_CALL(CPGetHashParam(prov, 12345, 1, nullptr, nullptr, 0), 0x80090002),
      KQ_CALL(CPHashData(prov, 0x77, iv, 4, 0), 0x80090002),
      // A hash fed in pieces; a short buffer is told the size and does not finish it.
      KQ_CALL(CPCreateHash(prov, 0x800C, 0, 0, &sha256), 0),
      KQ_CALL(CPHashData(prov, sha256, iv, 3, 0), 0),
      KQ_CALL(CPHashData(prov, sha256, iv, 0, 0), 0),
      KQ_CALL(CPGetHashParam(prov, sha256, 1, buffer, &length, 0), 0, 4, 4, 0x800C),
      KQ_CALL(CPGetHashParam(prov, sha256, 4, buffer, &length, 0), 0, 4, 4, 32),
      KQ_CALL(CPGetHashParam(prov, sha256, 2, buffer, &length, 0), 234, 31, 32),
      KQ_CALL(CPHashData(prov, sha256, iv + 3, 5, 0), 0),
      KQ_CALL(CPGetHashParam(prov, sha256, 2, value, &length, 0), 0, 32, 32),
      KQ_CALL(CPHashData(prov, sha256, iv, 1, 0), 0x8009000C),
      KQ_CALL(CPGetHashParam(prov, sha256, 2, again, &length, 0), 0, 32, 32),
      KQ_CALL(CPDestroyHash(prov, sha256), 0),
      KQ_CALL(CPDestroyHash(prov, sha256), 0x80090002),
      // The SSL3 pair takes its 36 bytes from the caller, once.
      KQ_CALL(CPCreateHash(prov, 0x8008, 0, 0, &ssl3), 0),
      KQ_CALL(CPHashData(prov, ssl3, iv, 1, 0), 0x8009000C),
      KQ_CALL(CPSetHashParam(prov, ssl3, 3, iv, 0), 0x8009000A),
      KQ_CALL(CPSetHashParam(prov, ssl3, 2, nullptr, 0), 87),
      KQ_CALL(CPSetHashParam(prov, ssl3, 2, pair, 0), 0),
      KQ_CALL(CPGetHashParam(prov, ssl3, 2, buffer, &length, 0), 0, 64, 36, 0x36363636),
      KQ_CALL(CPSetHashParam(prov, ssl3, 2, pair, 0), 0x8009000C),
      KQ_CALL(CPImportKey(prov, pubBlob.data(), 148, 0, 0, &pub), 0),
      KQ_CALL(CPExportKey(prov, pub, 0, 6, 0, nullptr, &length), kNteBadKey),
      KQ_CALL(CPCreateHash(prov, 0x8004, 0, 0, &sha1), 0),
      KQ_CALL(CPVerifySignature(prov, sha1, nullptr, 128, pub, nullptr, 0), 87),
      KQ_CALL(CPVerifySignature(prov, sha1, signature, 512, pub, nullptr, 0), 0x80090004),
      KQ_CALL(CPVerifySignature(prov, sha1 + 100, signature, 128, pub, nullptr, 0), 0x80090002),
      KQ_CALL(CPVerifySignature(prov, sha1, signature, 128, pub + 100, nullptr, 0), kNteBadKey),
      KQ_CALL(CPVerifySignature(prov, sha1, signature, 256, pub, nullptr, 0), 0x80090006),
      // Not offered: E_NOTIMPL, and the caller's data left as it was.
      KQ_CALL(CPEncrypt(prov, 2, 0, 1, 0, untouched, &length, 16), 0x80004001, 8, 8),
      KQ_CALL(CPDecrypt(prov, 2, 0, 1, 0, untouched, &length), 0x80004001, 8, 8),
      KQ_CALL(CPDeriveKey(prov, 0x6601, 2, 0, &out), 0x80004001),
      KQ_CALL(CPDuplicateHash(prov, 2, nullptr, 0, &out), 0x80004001),
      KQ_CALL(CPDuplicateKey(prov, 2, nullptr, 0, &out), 0x80004001),
      KQ_CALL(CPHashSessionKey(prov, 2, 3, 0), 0x80004001),
  };
  RunCalls(calls, length, buffer);
  EXPECT_EQ(std::memcmp(value, again, 32), 0) << "the value read again";
  EXPECT_EQ(out, 77u);
  EXPECT_EQ(std::count(untouched, untouched + 16, 0x5A), 16);
  // Random bytes fill exactly the length asked for (all 32 zero with a chance of 2^-256).
  uint8_t random[40] = {};
  ASSERT_TRUE(P().CPGenRandom(prov, 32, random));
  EXPECT_NE(std::count(random, random + 32, 0), 32);
  EXPECT_EQ(std::count(random + 32, random + 40, 0), 8);
  EXPECT_TRUE(P().CPReleaseContext(prov, 0));
}

using Threads = FrameTest;

TEST_F(Threads, OneThreadsResultNeverReachesAnotherThreadsLastError) {
  const KqHandle handle = Acquire();
  std::atomic<int> wrong{0};
  const auto run = [&](bool failing) {
    uint8_t buffer[4];
    for (int i = 0; i < 20000; ++i) {
      const bool asExpected =
          failing ? P().CPReleaseContext(0x7FFFFFF0, 0) == 0 && Error() == kNteBadUid
                  : P().CPGenRandom(handle, sizeof buffer, buffer) != 0 && Error() == 0;
      wrong += asExpected ? 0 : 1;
    }
  };
  std::thread failing(run, true), succeeding(run, false);
  failing.join();
  succeeding.join();
  EXPECT_EQ(wrong.load(), 0);
  EXPECT_TRUE(P().CPReleaseContext(handle, 0));
}

// A bank tool releases the context, destroys the hash or sets its value on one thread while
// another thread hashes 128 MiB with it: the call ends on living objects (the asan and tsan
// presets watch the heap), and a second call on the busy hash is refused. A round counts when the
// call succeeded and was still running when the interfering call returned.
TEST_F(Threads, ReleaseOrDestroyDuringALongHashLeavesTheCallItsObjects) {
  enum class Interference { kRelease, kDestroy, kSetValue };
  const std::vector<uint8_t> data(128u << 20, 0x5A);
  const auto size = static_cast<uint32_t>(data.size());
  const std::array<uint8_t, 20> value{};
  for (const Interference what :
       {Interference::kRelease, Interference::kDestroy, Interference::kSetValue}) {
    bool overlapped = false;
    for (int round = 0; round < 8 && !overlapped; ++round) {
      const KqHandle prov = Acquire();
      KqHandle hash = 0;
      ASSERT_TRUE(P().CPCreateHash(prov, 0x8004, 0, 0, &hash));  // CALG_SHA1
      std::atomic<int> hashed{-1};                               // -1 while the call runs
      std::thread hasher([&] { hashed = P().CPHashData(prov, hash, data.data(), size, 0); });
      std::this_thread::sleep_for(std::chrono::milliseconds(20));  // into the call, not a measure
      const KqBool done = what == Interference::kRelease ? P().CPReleaseContext(prov, 0)
                          : what == Interference::kDestroy
                              ? P().CPDestroyHash(prov, hash)
                              : P().CPSetHashParam(prov, hash, 2, value.data(), 0);
      const uint32_t error = Error();
      overlapped = hashed == -1;
      hasher.join();
      overlapped = overlapped && hashed == 1;
      if (what != Interference::kSetValue) {
        EXPECT_TRUE(done);
      } else if (overlapped) {
        EXPECT_FALSE(done);
        EXPECT_EQ(error, 170u);  // ERROR_BUSY
      }
      EXPECT_TRUE(what == Interference::kRelease || P().CPReleaseContext(prov, 0));
    }
    EXPECT_TRUE(overlapped) << "no round interfered during the call";
  }
}

TEST_F(Threads, ContextsAcquiredAndReleasedConcurrentlyGetDistinctHandles) {
  constexpr int kThreads = 4;
  constexpr int kRounds = 500;
  std::vector<std::vector<KqHandle>> seen(kThreads);
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kRounds; ++i) {
        KqHandle handle = 0;
        uint8_t byte = 0;
        if (P().CPAcquireContext(&handle, nullptr, kVerifyContext, nullptr) == 0 ||
            P().CPGenRandom(handle, 1, &byte) == 0 || P().CPReleaseContext(handle, 0) == 0 ||
            P().CPReleaseContext(handle, 0) != 0 || Error() != kNteBadUid) {
          ++failures;
        }
        seen[static_cast<size_t>(t)].push_back(handle);
      }
    });
  }
  for (auto& thread : threads) {
    thread.join();
  }
  EXPECT_EQ(failures.load(), 0);
  std::set<KqHandle> distinct;
  for (const auto& handles : seen) {
    distinct.insert(handles.begin(), handles.end());
  }
  EXPECT_EQ(distinct.size(), static_cast<size_t>(kThreads * kRounds));
}

}  // namespace
}  // namespace kq::test
