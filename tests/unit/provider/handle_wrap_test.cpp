// Handle numbers after 2^32 - 1 start again at 1 and pass over every number still held, so an
// object handle never names a second object, nor a provider handle a second context.
#include <gtest/gtest.h>

#include "provider/handle_registry.h"
#include "provider/object_handle_counter.h"
#include "provider/provider_context.h"

namespace kq::provider {
namespace {

TEST(HandleWrap, HandlesAfterTheWrapPassOverTheNumbersStillHeld) {
  ProviderContext context(1), other(2);
  ObjectHandleCounter::Instance().ContinueAfter(0);
  other.AddHash(std::make_shared<HashObject>());       // 1, held in another context
  const KqHandle destroyed = context.AddKey(nullptr);  // 2
  context.EraseKey(destroyed);
  ObjectHandleCounter::Instance().ContinueAfter(0xFFFFFFFE);
  EXPECT_EQ(context.AddKey(nullptr), 0xFFFFFFFFu);
  EXPECT_EQ(context.AddKey(nullptr), destroyed) << "0 and 1 passed over, 2 given back";
  HandleRegistry::Instance().Insert(1, std::make_shared<ProviderContext>(1));
  HandleRegistry::Instance().ContinueAfter(0xFFFFFFFE);
  EXPECT_EQ(HandleRegistry::Instance().IssueHandle(), 0xFFFFFFFFu);
  EXPECT_EQ(HandleRegistry::Instance().IssueHandle(), 2u) << "0 and the registered 1 passed over";
}

}  // namespace
}  // namespace kq::provider
