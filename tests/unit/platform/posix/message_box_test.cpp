#include "platform/message_box.h"

#include <gtest/gtest.h>

#include "support/scoped_env.h"
#include "support/temp_directory.h"

namespace kq::platform {
namespace {

// One UI log line in UTF-8 per box; control characters never split the record.
TEST(MessageBoxPort, WritesOneUiLogLineInUtf8) {
  const test::TempDirectory dir;
  const std::string log = dir.File("ui.log");
  {
    test::ScopedEnv env("KQCSP_UI_LOG", log);
    ShowMessageBox(u"Vexa\u53E3\u4EE4", u"TIP", {MessageBoxIcon::kWarning, true, nullptr});
    ShowMessageBox(u"\r\nfirst\tsecond\nthird", u"T\tIP", {MessageBoxIcon::kNone, false, nullptr});
  }
  EXPECT_EQ(test::ReadText(log),
            "MSGBOX TIP\tVexa\xE5\x8F\xA3\xE4\xBB\xA4\nMSGBOX T IP\t  first second third\n");
}

}  // namespace
}  // namespace kq::platform
