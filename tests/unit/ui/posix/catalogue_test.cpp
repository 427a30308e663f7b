// The catalogue's properties rather than a copy of its texts: every id of every language has a
// text and the ids stop at the last, each text carries the same placeholders in every language,
// and a few sampled texts pin the tables' spelling and their order.
#include "ui/catalogue.h"

#include <gtest/gtest.h>

namespace kq::ui {
namespace {

constexpr uint32_t kLanguages[] = {kLanguageSimplifiedChinese, kLanguageTraditionalChinese,
                                   kLanguageEnglish};
constexpr uint32_t kTextCount = msg::kPinRetryWarningCaption + 1;

// The printf conversions of a text, in order ("%%" is no conversion).
std::u16string Placeholders(const std::u16string& text) {
  std::u16string found;
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] == u'%') {
      found += text[++i];
    }
  }
  return found;
}

class Catalogue : public ::testing::Test {
 protected:
  void TearDown() override { SetCatalogueLanguage(saved_); }
  const uint32_t saved_ = CatalogueLanguage();
};

TEST_F(Catalogue, IdsAreDenseAndPlaceholdersMatchAcrossLanguages) {
  for (uint32_t id = 0; id <= kTextCount; ++id) {
    std::u16string first;
    for (const uint32_t language : kLanguages) {
      SetCatalogueLanguage(language);
      const std::u16string text = GetMessage(id);
      EXPECT_EQ(text.empty(), id == kTextCount) << id << " " << language;
      if (language == kLanguages[0]) {
        first = text;
      }
      EXPECT_EQ(Placeholders(text), Placeholders(first)) << id << " " << language;
    }
  }
  EXPECT_EQ(GetMessage(0xFFFFFFFF), u"");
  SetCatalogueLanguage(kLanguageEnglish);
  EXPECT_EQ(Placeholders(GetMessage(msg::kWrongPinTriesLeft)), u"d");
  EXPECT_EQ(Placeholders(GetMessage(msg::kPinRetryWarning)), u"u");
}

TEST_F(Catalogue, SampledTextsAndTheNormalisedLanguage) {
  struct Case {
    uint32_t set;
    uint32_t stored;
    uint32_t id;
    std::u16string_view text;
  };
  const Case cases[] = {
      {4100, 2052, msg::kVerifyPinCaption, u"Vexa\u53E3\u4EE4\u9A8C\u8BC1"},
      {2052, 2052, msg::kTransactionTitle, u"\u8BF7\u786E\u8BA4\u4EA4\u6613\u4FE1\u606F"},
      {3076, 1028, msg::kVerifyPinCaption, u"Vexa\u53E3\u4EE4\u9A57\u8B49"},
      {5124, 1028, msg::kPinRetryWarningCaption,
       u"Vexa\u53E3\u4EE4\u91CD\u8A66\u6B21\u6578\u63D0\u793A"},
      {1041, 1033, msg::kVerifyPinCaption, u"Verify PIN"},
      {0, 1033, msg::kSignPrompt,
       u"please confirm\uFF0Cplease press the \"OK\" key to confirm,press the \"C\" key to "
       u"cancel"},
  };
  for (const Case& c : cases) {
    SetCatalogueLanguage(c.set);
    EXPECT_EQ(CatalogueLanguage(), c.stored) << c.set;
    EXPECT_EQ(GetMessage(c.id), c.text) << c.set << " " << c.id;
  }
}

TEST_F(Catalogue, FormatsTheOnePlaceholder) {
  SetCatalogueLanguage(1033);
  EXPECT_EQ(FormatMessage(msg::kWrongPinTriesLeft, -1), u"Verify PIN fail,left -1 times");
  EXPECT_EQ(FormatMessage(msg::kPinEntryFailed, 0xD0100100),
            u"Verify PIN fail, please check your operation!");
  EXPECT_EQ(FormatMessage(msg::kPinRetryWarning, 0xFFFFFFFF).substr(0, 50),
            u"Input incorrect PIN continuously, left you 4294967");
  SetCatalogueLanguage(2052);
  EXPECT_EQ(FormatMessage(msg::kWrongPinTriesLeft, 3),
            u"Vexa\u53E3\u4EE4\u9A8C\u8BC1\u5931\u8D25\uFF0C\u5269\u4F59 3 \u6B21");
  EXPECT_EQ(FormatNumber(u"100%% %u%d", 7, 255), u"100% 7%d");
  EXPECT_EQ(FormatNumber(u"abc%d", 12345, 5), u"abc12");
  EXPECT_EQ(FormatNumber(u"%", 1, 255), u"%");
}

}  // namespace
}  // namespace kq::ui
