// The function table export: ten low-level device functions for the bank's tools.
#include "common/codes_tools.h"
#include "kqcsp.h"
#include "tools/export_guard.h"
#include "tools/function_table.h"

extern "C" {

// Fills the caller's table with the version and the ten functions.
uint32_t GetFunctionList(KqFunctionList* list) {
  return kq::tools::GuardToolExport(kq::tool::table::kDeviceFailed,
                                    [&] { return kq::tools::FillFunctionList(list); });
}

}  // extern "C"
