#pragma once
// The table of ten low-level device functions handed out by GetFunctionList.

#include <cstdint>

#include "kqcsp.h"

namespace kq::tools {

uint32_t FillFunctionList(KqFunctionList* list);

}  // namespace kq::tools
