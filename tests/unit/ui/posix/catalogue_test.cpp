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
    SetCatalogueLanguage(kLanguages[0]);
    const std::u16string first = Placeholders(GetMessage(id));
    for (const uint32_t language : kLanguages) {
      SetCatalogueLanguage(language);
      EXPECT_EQ(GetMessage(id).empty(), id == kTextCount) << id << " " << language;
      EXPECT_EQ(Placeholders(GetMessage(id)), first) << id << " " << language;
    }
  }
  EXPECT_EQ(Placeholders(GetMessage(msg::kWrongPinTriesLeft)), u"d");
  EXPECT_EQ(Placeholders(GetMessage(msg::kPinRetryWarning)), u"u");
}

// Languages are normalised (other Chinese regions to their script, others to English).
TEST_F(Catalogue, SampledTextsTheNormalisedLanguageAndFormatting) {
  const std::tuple<uint32_t, uint32_t, uint32_t, std::u16string_view> cases[] = {
      {4100, 2052, msg::kVerifyPinCaption, u"Vexa\u53E3\u4EE4\u9A8C\u8BC1"},
      {5124, 1028, msg::kPinRetryWarningCaption,
       u"Vexa\u53E3\u4EE4\u91CD\u8A66\u6B21\u6578\u63D0\u793A"},
      {1041, 1033, msg::kVerifyPinCaption, u"Verify PIN"},
      {0, 1033, msg::kSignPrompt,
       u"please confirm\uFF0Cplease press the \"OK\" key to confirm,press the \"C\" key to "
       u"cancel"}};
  for (const auto& [set, stored, id, text] : cases) {
    SetCatalogueLanguage(set);
    EXPECT_EQ(CatalogueLanguage(), stored) << set;
    EXPECT_EQ(GetMessage(id), text) << set << " " << id;
  }
  EXPECT_EQ(FormatMessage(msg::kWrongPinTriesLeft, -1), u"Verify PIN fail,left -1 times");
}

}  // namespace
}  // namespace kq::ui
