// Handle numbers after 2^32 - 1: they start again at 1 and pass over every number still held, so
// an object handle never names a second object and a provider handle never a second context.
#include <gtest/gtest.h>

#include <memory>

#include "provider/handle_registry.h"
#include "provider/object_handle_counter.h"
#include "provider/provider_context.h"

namespace kq::provider {
namespace {

std::shared_ptr<KeyObject> Key(uint32_t algId) {
  auto key = std::make_shared<KeyObject>();
  key->algId = algId;
  return key;
}

TEST(HandleWrap, ObjectHandlesPassOverTheNumbersOfLivingObjects) {
  ObjectHandleCounter& counter = ObjectHandleCounter::Instance();
  ProviderContext first(1), second(2);
  counter.ContinueAfter(0);
  const KqHandle signatureKey = first.AddKey(Key(0x2400));               // 1
  const KqHandle hash = second.AddHash(std::make_shared<HashObject>());  // 2, another context
  const KqHandle destroyed = first.AddKey(Key(0x6601));                  // 3
  ASSERT_TRUE(first.EraseKey(destroyed));
  counter.ContinueAfter(0xFFFFFFFE);
  EXPECT_EQ(first.AddKey(Key(0xA400)), 0xFFFFFFFFu);
  EXPECT_EQ(second.AddKey(Key(0xA400)), destroyed) << "0, 1 and 2 passed over, 3 given back";
  EXPECT_EQ(first.FindKey(signatureKey)->algId, 0x2400u);
  EXPECT_NE(second.FindHash(hash), nullptr);
}

TEST(HandleWrap, ProviderHandlesPassOverRegisteredContexts) {
  HandleRegistry& registry = HandleRegistry::Instance();
  registry.ContinueAfter(0);
  const uint32_t held = registry.IssueHandle();
  ASSERT_TRUE(registry.Insert(held, std::make_shared<ProviderContext>(held)));
  registry.ContinueAfter(0xFFFFFFFE);
  EXPECT_EQ(registry.IssueHandle(), 0xFFFFFFFFu);
  EXPECT_EQ(registry.IssueHandle(), held + 1) << "0 and the registered handle passed over";
  EXPECT_EQ(registry.Remove(held), 0u);
}

}  // namespace
}  // namespace kq::provider
