// Secrets leave no copy behind in the objects they were moved out of or destroyed in.
#include "common/secret.h"

#include <gtest/gtest.h>

#include <new>
#include <string>
#include <string_view>

namespace kq {
namespace {

constexpr std::string_view kPin = "12345678";  // short enough for the small-string buffer

// The object's own bytes hold no piece of the PIN (its last seven characters).
bool HoldsPin(const unsigned char* bytes, size_t size) {
  const std::string_view tail = kPin.substr(1);
  const std::string_view image(reinterpret_cast<const char*>(bytes), size);
  return image.find(tail) != std::string_view::npos;
}

TEST(SecretString, MovedFromAndDestroyedObjectsKeepNoCharacterOfTheSecret) {
  for (const bool assign : {false, true}) {
    SCOPED_TRACE(assign ? "move assignment" : "move construction");
    alignas(SecretString) unsigned char storage[sizeof(SecretString)];
    auto* source = new (storage) SecretString(std::string(kPin));
    ASSERT_TRUE(HoldsPin(storage, sizeof storage));
    SecretString target;
    if (assign) {
      target = std::move(*source);
    }
    const SecretString constructed = assign ? SecretString() : SecretString(std::move(*source));
    EXPECT_EQ((assign ? target : constructed).str(), kPin);
    EXPECT_FALSE(HoldsPin(storage, sizeof storage)) << "the moved-from buffer";
    source->~SecretString();
    EXPECT_FALSE(HoldsPin(storage, sizeof storage)) << "after destruction";
  }
}

TEST(SecretString, TheCallersShortStringIsWipedWhenTakenIn) {
  std::string caller(kPin);
  const SecretString taken(std::move(caller));
  EXPECT_EQ(taken.str(), kPin);
  EXPECT_FALSE(HoldsPin(reinterpret_cast<const unsigned char*>(caller.data()), caller.capacity()));
}

}  // namespace
}  // namespace kq
