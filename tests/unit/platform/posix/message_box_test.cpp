#include "platform/message_box.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "support/scoped_env.h"

namespace kq::platform {
namespace {

TEST(MessageBoxPort, WritesOneUiLogLineInUtf8) {
  char pattern[] = "/tmp/kqmsgbox-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string log = std::string(pattern) + "/ui.log";
  {
    test::ScopedEnv env("KQCSP_UI_LOG", log);
    ShowMessageBox(u"Vexa\u53E3\u4EE4", u"TIP", {MessageBoxIcon::kWarning, true, nullptr});
  }
  std::ifstream in(log);
  std::stringstream content;
  content << in.rdbuf();
  EXPECT_EQ(content.str(), "MSGBOX TIP\tVexa\xE5\x8F\xA3\xE4\xBB\xA4\n");
  std::remove(log.c_str());
  std::remove(pattern);
}

TEST(MessageBoxPort, ControlCharactersNeverSplitTheRecord) {
  char pattern[] = "/tmp/kqmsgbox-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string log = std::string(pattern) + "/ui.log";
  {
    test::ScopedEnv env("KQCSP_UI_LOG", log);
    ShowMessageBox(u"\r\nfirst\tsecond\nthird", u"T\tIP", {MessageBoxIcon::kNone, false, nullptr});
  }
  std::ifstream in(log);
  std::stringstream content;
  content << in.rdbuf();
  EXPECT_EQ(content.str(), "MSGBOX T IP\t  first second third\n");
  std::remove(log.c_str());
  std::remove(pattern);
}

}  // namespace
}  // namespace kq::platform
