// The choosers as a user meets them under Windows: the token chooser when a container is made
// with two keys attached, and the key chooser when a key generation finds all five key slots
// taken. The test selects rows with list-view messages and clicks the buttons; an OK with no row
// selected answers with a message box and leaves the chooser open.
#include <windows.h>

#include <commctrl.h>
#include <wincrypt.h>

#include <gtest/gtest.h>

#include <string>

#include "container_scene.h"
#include "dialog_driver.h"
#include "support/softkey_scene.h"

namespace kq::test {
namespace {

constexpr int kPrompt = 1000;
constexpr int kList = 1001;

struct TokenTexts {
  DWORD languageId;
  const wchar_t* title;
  const wchar_t* prompt;
  const wchar_t* ok;
  const wchar_t* cancel;
  const wchar_t* headings[3];
  const wchar_t* noSelection;
  const wchar_t* tip;
};

const TokenTexts kTokenTexts[] = {
    {2052,
     L"选择Vexa",
     L"请从Vexa列表中选择一个Vexa",
     L"确定",
     L"取消",
     {L"序号", L"Vexa名称", L"Vexa序列号"},
     L"您没有选择Vexa，请选择-个Vexa",
     L"提示信息"},
    {1028,
     L"選擇Vexa",
     L"請從Vexa列表中選擇一個Vexa",
     L"確定",
     L"取消",
     {L"序號", L"Vexa名稱", L"Vexa序列號"},
     L"您沒有選擇Vexa，請選擇-個Vexa",
     L"提示信息"},
    {1033,
     L"Select USBKey",
     L"Please select one USBKey from the list of USBKey",
     L"OK",
     L"Cancel",
     {L"Index", L"USBKey Name", L"USBKey SN"},
     L"You did not select one USBKey, please select one USBKey",
     L"TIP"},
};

std::string ReaderOf(HCRYPTPROV provider) {
  char reader[260] = {};
  DWORD length = sizeof reader;
  if (!CryptGetProvParam(provider, PP_SMARTCARD_READER, reinterpret_cast<BYTE*>(reader), &length,
                         0)) {
    return {};
  }
  return reader;
}

// A new container while two keys are attached: the user chooses the key it goes on.
class TwoKeys {
 public:
  TwoKeys() {
    first_ = scene_.AddKey({.serial = "731000000001", .label = "Alice"});
    second_ = scene_.AddKey({.serial = "731000000002", .label = "Bob"});
    scene_.SetPinAnswers("12345678");
  }
  ~TwoKeys() {
    if (provider_ != 0) {
      CryptReleaseContext(provider_, 0);
    }
  }

  BackgroundCall CreateContainer(const wchar_t* name) {
    return BackgroundCall([this, name] {
      return CryptAcquireContextW(&provider_, name, kProviderName, PROV_RSA_FULL, CRYPT_NEWKEYSET);
    });
  }

  SoftKeyScene& scene() { return scene_; }
  const std::string& second() const { return second_; }
  HCRYPTPROV provider() const { return provider_; }

 private:
  SoftKeyScene scene_;
  std::string first_;
  std::string second_;
  HCRYPTPROV provider_ = 0;
};

TEST(TokenChooser, ShowsTheKeysInEachLanguageAndWarnsOfAnOkWithoutRow) {
  TwoKeys keys;
  for (const TokenTexts& texts : kTokenTexts) {
    SCOPED_TRACE(texts.languageId);
    const LanguageSetting language(texts.languageId);
    BackgroundCall call = keys.CreateContainer(L"chooser-texts");
    HWND dialog = WaitForDialog(kList);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(WindowText(dialog), texts.title);
    EXPECT_EQ(ControlText(dialog, kPrompt), texts.prompt);
    EXPECT_EQ(ControlText(dialog, IDOK), texts.ok);
    EXPECT_EQ(ControlText(dialog, IDCANCEL), texts.cancel);
    EXPECT_NE(GetWindowLongPtrW(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    HWND list = GetDlgItem(dialog, kList);
    for (int column = 0; column < 3; ++column) {
      EXPECT_EQ(ListHeading(list, column), texts.headings[column]);
    }
    ASSERT_EQ(ListRowCount(list), 2);
    EXPECT_EQ(ListCell(list, 0, 0), L"1");
    EXPECT_EQ(ListCell(list, 0, 1), L"Alice");
    EXPECT_EQ(ListCell(list, 1, 0), L"2");
    EXPECT_EQ(ListCell(list, 1, 1), L"Bob");
    EXPECT_EQ(ListCell(list, 1, 2).substr(0, 12), L"731000000002");
    EXPECT_NE(SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_FULLROWSELECT, 0);

    SelectListRow(list, std::nullopt);
    ClickButton(dialog, IDOK);
    HWND box = WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(WindowText(box), texts.tip);
    EXPECT_EQ(ControlText(box, 0xFFFF), texts.noSelection);
    ClickButton(box, IDOK);
    EXPECT_TRUE(WaitUntilGone(box));
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_FALSE(call.Finish(std::chrono::milliseconds(100)));

    ClickButton(dialog, IDCANCEL);
    ASSERT_TRUE(call.Finish());
    EXPECT_FALSE(call.result());
    EXPECT_EQ(call.error(), kCancelledByUser);
    EXPECT_TRUE(WaitUntilGone(dialog));
  }
}

TEST(TokenChooser, TheContainerGoesOnTheKeyTheUserSelects) {
  TwoKeys keys;
  BackgroundCall call = keys.CreateContainer(L"chooser-second");
  HWND dialog = WaitForDialog(kList);
  ASSERT_NE(dialog, nullptr);
  SelectListRow(GetDlgItem(dialog, kList), 1);
  ClickButton(dialog, IDOK);
  ASSERT_TRUE(call.Finish());
  ASSERT_TRUE(call.result()) << std::hex << call.error();
  EXPECT_TRUE(WaitUntilGone(dialog));
  EXPECT_EQ(ReaderOf(keys.provider()), keys.scene().ReaderName(keys.second()));
}

// A key whose five slots are taken: SM2 pairs and, in the third, an RSA 1024 pair; none has a
// container, so each is listed as an exchange key.
class FullKey : public ContainerScene {
 public:
  FullKey()
      : ContainerScene({.keyPairs = {{1, 1, "sm2-a"},
                                     {2, 0, "sm2-b"},
                                     {3, 1, "rsa1024-a"},
                                     {4, 1, "sm2-a"},
                                     {5, 0, "sm2-b"}}},
                       L"overwrite") {}
  BackgroundCall GenerateKey() { return ContainerScene::GenerateKey(2048); }
};

struct KeyTexts {
  DWORD languageId;
  const wchar_t* title;
  const wchar_t* headings[5];
  const wchar_t* exchange;
};

const KeyTexts kKeyTexts[] = {
    {2052,
     L"请选择要覆盖的证书",
     {L"序号", L"主题", L"密钥容器名称", L"密钥类型", L"密钥长度"},
     L"RSA交换"},
    {1028,
     L"請選擇要覆蓋的證書",
     {L"序號", L"主題", L"密鑰容器名稱", L"密鑰類型", L"密鑰長度"},
     L"RSA交換"},
    {1033,
     L"Please select one cert that will be rewrited",
     {L"Index", L"Subject", L"Container Name", L"KEY TYPE", L"KEY LEN"},
     L"RSA Exch"},
};

TEST(KeyChooser, ShowsTheKeyPairsInEachLanguageAndOverwritesTheOneChosen) {
  FullKey full;
  for (const KeyTexts& texts : kKeyTexts) {
    SCOPED_TRACE(texts.languageId);
    const LanguageSetting language(texts.languageId);
    BackgroundCall call = full.GenerateKey();
    HWND dialog = WaitForDialog(kList);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(WindowText(dialog), texts.title);
    HWND list = GetDlgItem(dialog, kList);
    for (int column = 0; column < 5; ++column) {
      EXPECT_EQ(ListHeading(list, column), texts.headings[column]);
    }
    ASSERT_EQ(ListRowCount(list), 5);
    EXPECT_EQ(ListCell(list, 2, 0), L"3");
    EXPECT_EQ(ListCell(list, 2, 3), texts.exchange);
    EXPECT_EQ(ListCell(list, 2, 4), L"1024");

    SelectListRow(list, std::nullopt);
    ClickButton(dialog, IDOK);
    HWND box = WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(ControlText(box, 0xFFFF), texts.title);
    ClickButton(box, IDOK);
    EXPECT_TRUE(WaitUntilGone(box));
    ClickButton(dialog, IDCANCEL);
    ASSERT_TRUE(call.Finish());
    EXPECT_EQ(call.error(), kCancelledByUser);
    EXPECT_TRUE(WaitUntilGone(dialog));
  }

  BackgroundCall call = full.GenerateKey();
  HWND dialog = WaitForDialog(kList);
  ASSERT_NE(dialog, nullptr);
  SelectListRow(GetDlgItem(dialog, kList), 2);
  ClickButton(dialog, IDOK);
  ASSERT_TRUE(call.Finish(std::chrono::seconds(60)));
  EXPECT_TRUE(call.result()) << std::hex << call.error();
  const std::optional<sim::SlotInfo> third = full.scene().KeySlot(full.key(), 3);
  ASSERT_TRUE(third);
  EXPECT_EQ(third->algorithm, sim::KeyAlgorithm::kRsa2048);
  for (const uint32_t slot : {1u, 2u, 4u, 5u}) {
    EXPECT_EQ(full.scene().KeySlot(full.key(), slot)->algorithm, sim::KeyAlgorithm::kSm2);
  }
}

}  // namespace
}  // namespace kq::test
