#include "ui/catalogue.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "support/scoped_env.h"
#include "support/temp_registry.h"

namespace kq::ui {
namespace {

struct ExpectedText {
  uint32_t id;
  std::u16string_view simplified;
  std::u16string_view traditional;
  std::u16string_view english;
};

// Every text, written code point by code point so that a slip in the catalogue's own spelling
// cannot hide here.
constexpr ExpectedText kExpected[] = {
    {0, u"\u8BF7\u786E\u8BA4\u4EA4\u6613\u4FE1\u606F",
     u"\u8ACB\u78BA\u8A8D\u4EA4\u6613\u4FE1\u606F", u"Please confirm the transaction information"},
    {1,
     u"\r\n\u8BF7\u786E\u8BA4\u4EA4\u6613\u4FE1\u606F\uFF0C\u786E\u8BA4\u8BF7\u6309\"OK\"\u952E"
     u"\uFF0C\u53D6\u6D88\u8BF7\u6309\"C\"\u952E\u3002",
     u"\r\n\u8ACB\u78BA\u8A8D\u4EA4\u6613\u4FE1\u606F\uFF0C\u78BA\u8A8D\u8ACB\u6309\"OK\"\u9375"
     u"\uFF0C\u53D6\u6D88\u8ACB\u6309\"C\"\u9375\u3002",
     u"Please confirm the transaction information,press the \"OK\" key to confirm,press the \"C\" "
     u"key to cancel."},
    {2, u"\u63D0\u793A\u4FE1\u606F", u"\u63D0\u793A\u4FE1\u606F", u"TIP"},
    {3, u"\u9009\u62E9Vexa", u"\u9078\u64C7Vexa", u"Select USBKey"},
    {4, u"\u8BF7\u4ECEVexa\u5217\u8868\u4E2D\u9009\u62E9\u4E00\u4E2AVexa",
     u"\u8ACB\u5F9EVexa\u5217\u8868\u4E2D\u9078\u64C7\u4E00\u500BVexa",
     u"Please select one USBKey from the list of USBKey"},
    {5, u"Vexa\u540D\u79F0", u"Vexa\u540D\u7A31", u"USBKey Name"},
    {6, u"Vexa\u5E8F\u5217\u53F7", u"Vexa\u5E8F\u5217\u865F", u"USBKey SN"},
    {7, u"\u8BFB\u5361\u5668\u540D\u79F0", u"\u8B80\u5361\u5668\u540D\u7A31", u"Reader Name"},
    {8, u"\u60A8\u6CA1\u6709\u9009\u62E9Vexa\uFF0C\u8BF7\u9009\u62E9-\u4E2AVexa",
     u"\u60A8\u6C92\u6709\u9078\u64C7Vexa\uFF0C\u8ACB\u9078\u64C7-\u500BVexa",
     u"You did not select one USBKey, please select one USBKey"},
    {9, u"\u786E\u5B9A", u"\u78BA\u5B9A", u"OK"},
    {10, u"\u53D6\u6D88", u"\u53D6\u6D88", u"Cancel"},
    {11, u"\u672C\u6B21\u64CD\u4F5C\u5269\u4F59\u65F6\u95F4(\u79D2): ",
     u"\u672C\u6B21\u64CD\u4F5C\u5269\u9918\u6642\u9593(\u79D2): ", u"Left time(s): "},
    {12, u"\u4EA7\u751F\u4EA4\u6613\u5BC6\u94A5", u"\u7523\u751F\u4EA4\u6613\u5BC6\u9470",
     u"Generate transaction key"},
    {13,
     u"\r\n\u5C06\u8981\u4EA7\u751F\u4EA4\u6613\u5BC6\u94A5\uFF0C\u786E\u8BA4\u8BF7\u6309\"OK\""
     u"\u952E\uFF0C\u53D6\u6D88\u8BF7\u6309\"C\"\u952E\u3002",
     u"\r\n\u5C07\u8981\u7523\u751F\u4EA4\u6613\u5BC6\u9470\uFF0C\u78BA\u8A8D\u8ACB\u6309\"OK\""
     u"\u9375\uFF0C\u53D6\u6D88\u8ACB\u6309\"C\"\u9375\u3002",
     u"Generate transaction key,please press the \"OK\" key to confirm,press the \"C\" key to "
     u"cancel"},
    {14, u"Vexa\u53E3\u4EE4\u9A8C\u8BC1", u"Vexa\u53E3\u4EE4\u9A57\u8B49", u"Verify PIN"},
    {15, u"Vexa\u4E0D\u5B58\u5728\u6216Vexa\u5DF2\u7ECF\u79FB\u9664",
     u"Vexa\u4E0D\u5B58\u5728\u6216Vexa\u5DF2\u7D93\u79FB\u9664",
     u"not found USBKey or USBKey removed"},
    {16, u"Vexa\u53E3\u4EE4\u9A8C\u8BC1\u5931\u8D25\uFF0C\u5269\u4F59 %d \u6B21",
     u"Vexa\u53E3\u4EE4\u9A57\u8B49\u5931\u6557\uFF0C\u5269\u9918 %d \u6B21",
     u"Verify PIN fail,left %d times"},
    {17,
     u"Vexa\u53E3\u4EE4\u9A8C\u8BC1\u5931\u8D25\uFF0C\u8BF7\u68C0\u67E5\u60A8\u7684\u64CD\u4F5C"
     u"\uFF01",
     u"Vexa\u53E3\u4EE4\u9A57\u8B49\u5931\u6557\uFF0C\u8ACB\u6AA2\u67E5\u60A8\u7684\u64CD\u4F5C"
     u"\uFF01",
     u"Verify PIN fail, please check your operation!"},
    {18, u"\u60A8\u7684Vexa\u5DF2\u88AB\u9501\uFF0C\u8BF7\u8054\u7CFBOrvenia\uFF01",
     u"\u60A8\u7684Vexa\u5DF2\u88AB\u9396\uFF0C\u8ACB\u806F\u7E6BOrvenia\uFF01",
     u"Your USBKey has been locked, please contact ORV!"},
    {19, u"\u9A8C\u8BC1\u53E3\u4EE4\u64CD\u4F5C\u8D85\u65F6",
     u"\u9A57\u8B49\u53E3\u4EE4\u64CD\u4F5C\u8D85\u6642", u"Verify PIN timeout"},
    {20, u"\u8BF7\u9009\u62E9\u8981\u8986\u76D6\u7684\u8BC1\u4E66",
     u"\u8ACB\u9078\u64C7\u8981\u8986\u84CB\u7684\u8B49\u66F8",
     u"Please select one cert that will be rewrited"},
    {21, u"\u5E8F\u53F7", u"\u5E8F\u865F", u"Index"},
    {22, u"\u4E3B\u9898", u"\u4E3B\u984C", u"Subject"},
    {23, u"\u5BC6\u94A5\u5BB9\u5668\u540D\u79F0", u"\u5BC6\u9470\u5BB9\u5668\u540D\u7A31",
     u"Container Name"},
    {24, u"\u5BC6\u94A5\u7C7B\u578B", u"\u5BC6\u9470\u985E\u578B", u"KEY TYPE"},
    {25, u"\u5BC6\u94A5\u957F\u5EA6", u"\u5BC6\u9470\u9577\u5EA6", u"KEY LEN"},
    {26, u"RSA\u4EA4\u6362", u"RSA\u4EA4\u63DB", u"RSA Exch"},
    {27, u"RSA\u7B7E\u540D", u"RSA\u7C3D\u540D", u"RSA Sign"},
    {28, u"\u5373\u5C06\u5220\u9664\u5BC6\u94A5,\u8BF7\u786E\u8BA4",
     u"\u5373\u5C07\u5220\u9664\u5BC6\u9470,\u8ACB\u78BA\u8A8D", u"Delete key,please confirm"},
    {29,
     u"\r\n\u5C06\u8981\u5220\u9664\u5BC6\u94A5\uFF0C\u786E\u8BA4\u8BF7\u6309\"OK\"\u952E\uFF0C"
     u"\u53D6\u6D88\u8BF7\u6309\"C\"\u952E\u3002",
     u"\r\n\u5C07\u8981\u5220\u9664\u5BC6\u9470\uFF0C\u78BA\u8A8D\u8ACB\u6309\"OK\"\u9375\uFF0C"
     u"\u53D6\u6D88\u8ACB\u6309\"C\"\u9375\u3002",
     u"Delete key,please press the \"OK\" key to confirm,press the \"C\" key to cancel"},
    {30, u"\u5373\u5C06\u521D\u59CB\u5316Vexa,\u8BF7\u786E\u8BA4",
     u"\u5373\u5C07\u521D\u59CB\u5316Vexa,\u8ACB\u78BA\u8A8D", u"Init USBKey,please confirm"},
    {31,
     u"\r\n\u5C06\u8981\u521D\u59CB\u5316Vexa\uFF0C\u786E\u8BA4\u8BF7\u6309\"OK\"\u952E\uFF0C\u53D6"
     u"\u6D88\u8BF7\u6309\"C\"\u952E\u3002",
     u"\r\n\u5C07\u8981\u521D\u59CB\u5316Vexa\uFF0C\u78BA\u8A8D\u8ACB\u6309\"OK\"\u9375\uFF0C\u53D6"
     u"\u6D88\u8ACB\u6309\"C\"\u9375\u3002",
     u"Init USBKey,please press the \"OK\" key to confirm,press the \"C\" key to cancel"},
    {32, u"\u4FEE\u6539Vexa\u53E3\u4EE4\uFF0C\u8BF7\u786E\u8BA4",
     u"\u4FEE\u6539Vexa\u53E3\u4EE4\uFF0C\u8ACB\u78BA\u8A8D", u"Change PIN,please confirm"},
    {33,
     u"\r\n\u4FEE\u6539Vexa\u53E3\u4EE4\uFF0C\u786E\u8BA4\u8BF7\u6309\"OK\"\u952E\uFF0C\u53D6\u6D88"
     u"\u8BF7\u6309\"C\"\u952E\u3002",
     u"\r\n\u4FEE\u6539Vexa\u53E3\u4EE4\uFF0C\u78BA\u8A8D\u8ACB\u6309\"OK\"\u9375\uFF0C\u53D6\u6D88"
     u"\u8ACB\u6309\"C\"\u9375\u3002",
     u"Change PIN,please press the \"OK\" key to confirm,press the \"C\" key to cancel"},
    {34, u"Vexa\u7B7E\u540D\uFF0C\u8BF7\u786E\u8BA4", u"Vexa\u7C3D\u540D\uFF0C\u8ACB\u78BA\u8A8D",
     u"USBKey Sign,please confirm"},
    {35,
     u"\r\n\u8BF7\u60A8\u786E\u8BA4\uFF0C\u786E\u8BA4\u8BF7\u6309\"OK\"\u952E\uFF0C\u53D6\u6D88"
     u"\u8BF7\u6309\"C\"\u952E\u3002",
     u"\r\n\u8ACB\u60A8\u78BA\u8A8D\uFF0C\u78BA\u8A8D\u8ACB\u6309\"OK\"\u9375\uFF0C\u53D6\u6D88"
     u"\u8ACB\u6309\"C\"\u9375\u3002",
     u"please confirm\uFF0Cplease press the \"OK\" key to confirm,press the \"C\" key to cancel"},
    {36, u"SM2\u4EA4\u6362", u"SM2\u4EA4\u63DB", u"SM2 Exch"},
    {37, u"SM2\u7B7E\u540D", u"SM2\u7C3D\u540D", u"SM2 Sign"},
    {38, u"\u6570\u636E\u4E3A\u7A7A", u"\u6578\u64DA\u70BA\u7A7A", u"Data is NULL"},
    {39,
     u"\u8FDE\u7EED\u53E3\u4EE4\u8F93\u5165\u9519\u8BEF\uFF0C\u5269\u4F59%"
     u"u\u6B21\u53E3\u4EE4\u9A8C\u8BC1\u673A\u4F1A\uFF0C\u8BF7\u5728\u786E\u8BA4\u65E0\u8BEF\u540E"
     u"\u518D\u5728Vexa\u4E0A\u6309\"\u786E\u8BA4\"\u952E\uFF01",
     u"\u9023\u7E8C\u53E3\u4EE4\u8F38\u5165\u932F\u8AA4\uFF0C\u5269\u9918%"
     u"u\u6B21\u53E3\u4EE4\u9A57\u8B49\u6A5F\u6703\uFF0C\u8ACB\u5728\u78BA\u8A8D\u7121\u8AA4\u5F8C"
     u"\u518D\u5728Vexa\u4E0A\u6309\"\u78BA\u8A8D\"\u9375\uFF01",
     u"Input incorrect PIN continuously, left you %u time(s) verification, please make sure you "
     u"input the correct PIN then press the \"OK\" button!"},
    {40, u"Vexa\u53E3\u4EE4\u91CD\u8BD5\u6B21\u6570\u63D0\u793A",
     u"Vexa\u53E3\u4EE4\u91CD\u8A66\u6B21\u6578\u63D0\u793A", u"USBKEY PIN Retry Times Infomation"},
};

TEST(Catalogue, EveryTextInEveryLanguageIsExact) {
  const uint32_t saved = CatalogueLanguage();
  for (const auto& [language, pick] :
       {std::pair{2052u, &ExpectedText::simplified}, std::pair{1028u, &ExpectedText::traditional},
        std::pair{1033u, &ExpectedText::english}}) {
    SetCatalogueLanguage(language);
    for (const ExpectedText& text : kExpected) {
      EXPECT_EQ(GetMessage(text.id), text.*pick) << "id " << text.id << " language " << language;
    }
    EXPECT_EQ(GetMessage(41), u"");
    EXPECT_EQ(GetMessage(0xFFFFFFFF), u"");
  }
  SetCatalogueLanguage(saved);
}

TEST(Catalogue, LanguageIsNormalisedAndSelectsItsTable) {
  const uint32_t saved = CatalogueLanguage();
  struct Case {
    uint32_t set;
    uint32_t stored;
    std::u16string_view caption;
  };
  for (const Case& c : {Case{4100, 2052, u"Vexa\u53E3\u4EE4\u9A8C\u8BC1"},
                        Case{2052, 2052, u"Vexa\u53E3\u4EE4\u9A8C\u8BC1"},
                        Case{3076, 1028, u"Vexa\u53E3\u4EE4\u9A57\u8B49"},
                        Case{5124, 1028, u"Vexa\u53E3\u4EE4\u9A57\u8B49"},
                        Case{1041, 1033, u"Verify PIN"}, Case{0, 1033, u"Verify PIN"}}) {
    SetCatalogueLanguage(c.set);
    EXPECT_EQ(CatalogueLanguage(), c.stored) << c.set;
    EXPECT_EQ(GetMessage(msg::kVerifyPinCaption), c.caption) << c.set;
  }
  SetCatalogueLanguage(saved);
}

TEST(Catalogue, FormatsTheOnePlaceholder) {
  const uint32_t saved = CatalogueLanguage();
  SetCatalogueLanguage(1033);
  EXPECT_EQ(FormatMessage(msg::kWrongPinTriesLeft, 5), u"Verify PIN fail,left 5 times");
  EXPECT_EQ(FormatMessage(msg::kWrongPinTriesLeft, -1), u"Verify PIN fail,left -1 times");
  EXPECT_EQ(FormatMessage(msg::kPinEntryFailed, 0xD0100100),
            u"Verify PIN fail, please check your operation!");
  EXPECT_EQ(FormatMessage(msg::kPinRetryWarning, 0xFFFFFFFF).substr(0, 50),
            u"Input incorrect PIN continuously, left you 4294967");
  SetCatalogueLanguage(2052);
  EXPECT_EQ(FormatMessage(msg::kWrongPinTriesLeft, 3),
            u"Vexa\u53E3\u4EE4\u9A8C\u8BC1\u5931\u8D25\uFF0C\u5269\u4F59 3 \u6B21");
  SetCatalogueLanguage(saved);

  EXPECT_EQ(FormatNumber(u"100%% %u%d", 7, 255), u"100% 7%d");
  EXPECT_EQ(FormatNumber(u"abc%d", 12345, 5), u"abc12");
  EXPECT_EQ(FormatNumber(u"%", 1, 255), u"%");
}

// The catalogue takes its first language once per process, so each case runs in a fresh process
// of this test program.
class CatalogueFirstUse : public ::testing::Test {
 protected:
  void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

void ExpectFirstLanguage(const std::string& registry, const char* lang, uint32_t expected) {
  test::TempRegistry reg(registry);
  test::ScopedEnv all("LC_ALL", std::nullopt);
  test::ScopedEnv messages("LC_MESSAGES", std::nullopt);
  test::ScopedEnv langVar("LANG", lang);
  std::exit(CatalogueLanguage() == expected ? 0 : 1);
}

TEST_F(CatalogueFirstUse, TakesTheSettingAsItIs) {
  EXPECT_EXIT(ExpectFirstLanguage(test::TempRegistry::SettingsKey("\"LanguageID\"=dword:00001004"),
                                  "zh_TW.UTF-8", 4100),
              ::testing::ExitedWithCode(0), "");
}

TEST_F(CatalogueFirstUse, FallsBackToTheSystemLanguageWithoutTheValue) {
  EXPECT_EXIT(ExpectFirstLanguage(test::TempRegistry::SettingsKey(""), "zh_TW.UTF-8", 1028),
              ::testing::ExitedWithCode(0), "");
}

TEST_F(CatalogueFirstUse, FallsBackToTheSystemLanguageWithoutTheKey) {
  EXPECT_EXIT(ExpectFirstLanguage("", "en_US.UTF-8", 1033), ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace kq::ui
