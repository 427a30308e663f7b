// The per-export code tables that kqtool prints.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "common/codes.h"
#include "common/codes_tools.h"

namespace {

constexpr const char* kExports[] = {
    "KQ_CheckDevice",  "KQ_CheckWorkStatus",    "KQ_CheckDriver",
    "KQ_CheckCSP",     "KQ_GetListNum",         "KQ_GetMediaID",
    "KQ_GetDeviceSN",  "KQ_GetCSPName",         "KQ_CSPName",
    "KQ_InitCard",     "KQ_ChangePIN",          "KQ_CreatePKCS10",
    "KQ_WritePKCS7",   "KQ_GetAllCertDN",       "KQ_DeleteTempKeyOrCert",
    "KQ_GetSignature", "KQ_GetPubKeySignValue", "KQ_GetIDValue",
    "GetFunctionList",
};

TEST(ToolCodes, EveryExportHasItsOwnTableWithUniqueCodesAndTexts) {
  for (const char* name : kExports) {
    const auto table = kq::ToolExportCodeTable(name);
    ASSERT_FALSE(table.empty()) << name;
    std::set<uint32_t> seen;
    for (const kq::CodeInfo& info : table) {
      EXPECT_TRUE(seen.insert(info.code).second) << name << " lists " << info.code << " twice";
      EXPECT_GT(std::strlen(info.name), 0u);
      EXPECT_GT(std::strlen(info.meaning), 0u);
    }
  }
  EXPECT_TRUE(kq::ToolExportCodeTable("KQ_NoSuchExport").empty());
}

}  // namespace
