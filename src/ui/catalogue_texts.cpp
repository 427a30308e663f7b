#include "ui/catalogue_texts.h"

// The texts exactly as users have always seen them, odd spellings and missing blanks included:
// tools and scripts compare them. The Chinese confirmation prompts begin with CR LF so that they
// stand one line below the title in the confirmation dialog.

namespace kq::ui::detail {

namespace {

// Simplified Chinese (languages 2052 and 4100).
constexpr std::u16string_view kSimplifiedChinese[kMessageCount] = {
    u"请确认交易信息",                                                                  // 0
    u"\r\n请确认交易信息，确认请按\"OK\"键，取消请按\"C\"键。",                         // 1
    u"提示信息",                                                                        // 2
    u"选择Vexa",                                                                        // 3
    u"请从Vexa列表中选择一个Vexa",                                                      // 4
    u"Vexa名称",                                                                        // 5
    u"Vexa序列号",                                                                      // 6
    u"读卡器名称",                                                                      // 7
    u"您没有选择Vexa，请选择-个Vexa",                                                   // 8
    u"确定",                                                                            // 9
    u"取消",                                                                            // 10
    u"本次操作剩余时间(秒): ",                                                          // 11
    u"产生交易密钥",                                                                    // 12
    u"\r\n将要产生交易密钥，确认请按\"OK\"键，取消请按\"C\"键。",                       // 13
    u"Vexa口令验证",                                                                    // 14
    u"Vexa不存在或Vexa已经移除",                                                        // 15
    u"Vexa口令验证失败，剩余 %d 次",                                                    // 16
    u"Vexa口令验证失败，请检查您的操作！",                                              // 17
    u"您的Vexa已被锁，请联系Orvenia！",                                                 // 18
    u"验证口令操作超时",                                                                // 19
    u"请选择要覆盖的证书",                                                              // 20
    u"序号",                                                                            // 21
    u"主题",                                                                            // 22
    u"密钥容器名称",                                                                    // 23
    u"密钥类型",                                                                        // 24
    u"密钥长度",                                                                        // 25
    u"RSA交换",                                                                         // 26
    u"RSA签名",                                                                         // 27
    u"即将删除密钥,请确认",                                                             // 28
    u"\r\n将要删除密钥，确认请按\"OK\"键，取消请按\"C\"键。",                           // 29
    u"即将初始化Vexa,请确认",                                                           // 30
    u"\r\n将要初始化Vexa，确认请按\"OK\"键，取消请按\"C\"键。",                         // 31
    u"修改Vexa口令，请确认",                                                            // 32
    u"\r\n修改Vexa口令，确认请按\"OK\"键，取消请按\"C\"键。",                           // 33
    u"Vexa签名，请确认",                                                                // 34
    u"\r\n请您确认，确认请按\"OK\"键，取消请按\"C\"键。",                               // 35
    u"SM2交换",                                                                         // 36
    u"SM2签名",                                                                         // 37
    u"数据为空",                                                                        // 38
    u"连续口令输入错误，剩余%u次口令验证机会，请在确认无误后再在Vexa上按\"确认\"键！",  // 39
    u"Vexa口令重试次数提示",                                                            // 40
};

// Traditional Chinese (languages 1028, 3076 and 5124).
constexpr std::u16string_view kTraditionalChinese[kMessageCount] = {
    u"請確認交易信息",                                                                  // 0
    u"\r\n請確認交易信息，確認請按\"OK\"鍵，取消請按\"C\"鍵。",                         // 1
    u"提示信息",                                                                        // 2
    u"選擇Vexa",                                                                        // 3
    u"請從Vexa列表中選擇一個Vexa",                                                      // 4
    u"Vexa名稱",                                                                        // 5
    u"Vexa序列號",                                                                      // 6
    u"讀卡器名稱",                                                                      // 7
    u"您沒有選擇Vexa，請選擇-個Vexa",                                                   // 8
    u"確定",                                                                            // 9
    u"取消",                                                                            // 10
    u"本次操作剩餘時間(秒): ",                                                          // 11
    u"産生交易密鑰",                                                                    // 12
    u"\r\n將要産生交易密鑰，確認請按\"OK\"鍵，取消請按\"C\"鍵。",                       // 13
    u"Vexa口令驗證",                                                                    // 14
    u"Vexa不存在或Vexa已經移除",                                                        // 15
    u"Vexa口令驗證失敗，剩餘 %d 次",                                                    // 16
    u"Vexa口令驗證失敗，請檢查您的操作！",                                              // 17
    u"您的Vexa已被鎖，請聯繫Orvenia！",                                                 // 18
    u"驗證口令操作超時",                                                                // 19
    u"請選擇要覆蓋的證書",                                                              // 20
    u"序號",                                                                            // 21
    u"主題",                                                                            // 22
    u"密鑰容器名稱",                                                                    // 23
    u"密鑰類型",                                                                        // 24
    u"密鑰長度",                                                                        // 25
    u"RSA交換",                                                                         // 26
    u"RSA簽名",                                                                         // 27
    u"即將删除密鑰,請確認",                                                             // 28
    u"\r\n將要删除密鑰，確認請按\"OK\"鍵，取消請按\"C\"鍵。",                           // 29
    u"即將初始化Vexa,請確認",                                                           // 30
    u"\r\n將要初始化Vexa，確認請按\"OK\"鍵，取消請按\"C\"鍵。",                         // 31
    u"修改Vexa口令，請確認",                                                            // 32
    u"\r\n修改Vexa口令，確認請按\"OK\"鍵，取消請按\"C\"鍵。",                           // 33
    u"Vexa簽名，請確認",                                                                // 34
    u"\r\n請您確認，確認請按\"OK\"鍵，取消請按\"C\"鍵。",                               // 35
    u"SM2交換",                                                                         // 36
    u"SM2簽名",                                                                         // 37
    u"數據為空",                                                                        // 38
    u"連續口令輸入錯誤，剩餘%u次口令驗證機會，請在確認無誤後再在Vexa上按\"確認\"鍵！",  // 39
    u"Vexa口令重試次數提示",                                                            // 40
};

// English (every other language).
constexpr std::u16string_view kEnglish[kMessageCount] = {
    u"Please confirm the transaction information",  // 0
    u"Please confirm the transaction information,press the \"OK\" key to confirm,press the \"C\" "
    u"key to cancel.",                                           // 1
    u"TIP",                                                      // 2
    u"Select USBKey",                                            // 3
    u"Please select one USBKey from the list of USBKey",         // 4
    u"USBKey Name",                                              // 5
    u"USBKey SN",                                                // 6
    u"Reader Name",                                              // 7
    u"You did not select one USBKey, please select one USBKey",  // 8
    u"OK",                                                       // 9
    u"Cancel",                                                   // 10
    u"Left time(s): ",                                           // 11
    u"Generate transaction key",                                 // 12
    u"Generate transaction key,please press the \"OK\" key to confirm,press the \"C\" key to "
    u"cancel",                                                                                // 13
    u"Verify PIN",                                                                            // 14
    u"not found USBKey or USBKey removed",                                                    // 15
    u"Verify PIN fail,left %d times",                                                         // 16
    u"Verify PIN fail, please check your operation!",                                         // 17
    u"Your USBKey has been locked, please contact ORV!",                                      // 18
    u"Verify PIN timeout",                                                                    // 19
    u"Please select one cert that will be rewrited",                                          // 20
    u"Index",                                                                                 // 21
    u"Subject",                                                                               // 22
    u"Container Name",                                                                        // 23
    u"KEY TYPE",                                                                              // 24
    u"KEY LEN",                                                                               // 25
    u"RSA Exch",                                                                              // 26
    u"RSA Sign",                                                                              // 27
    u"Delete key,please confirm",                                                             // 28
    u"Delete key,please press the \"OK\" key to confirm,press the \"C\" key to cancel",       // 29
    u"Init USBKey,please confirm",                                                            // 30
    u"Init USBKey,please press the \"OK\" key to confirm,press the \"C\" key to cancel",      // 31
    u"Change PIN,please confirm",                                                             // 32
    u"Change PIN,please press the \"OK\" key to confirm,press the \"C\" key to cancel",       // 33
    u"USBKey Sign,please confirm",                                                            // 34
    u"please confirm，please press the \"OK\" key to confirm,press the \"C\" key to cancel",  // 35
    u"SM2 Exch",                                                                              // 36
    u"SM2 Sign",                                                                              // 37
    u"Data is NULL",                                                                          // 38
    u"Input incorrect PIN continuously, left you %u time(s) verification, please make sure you "
    u"input the correct PIN then press the \"OK\" button!",  // 39
    u"USBKEY PIN Retry Times Infomation",                    // 40
};

}  // namespace

std::span<const std::u16string_view, kMessageCount> CatalogueTexts(CatalogueTable table) {
  switch (table) {
    case CatalogueTable::kSimplifiedChinese:
      return kSimplifiedChinese;
    case CatalogueTable::kTraditionalChinese:
      return kTraditionalChinese;
    case CatalogueTable::kEnglish:
      break;
  }
  return kEnglish;
}

}  // namespace kq::ui::detail
