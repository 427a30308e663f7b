#pragma once
// Which catalogue texts (ui/catalogue.h) the button wait shows for each operation kind.

#include <cstdint>

namespace kq::ui {

struct ButtonWaitTextIds {
  uint32_t caption;
  uint32_t prompt;
};

// Caption and prompt of the button wait for an operation kind (kinds outside 1 to 5: the
// generic signature texts).
ButtonWaitTextIds ButtonWaitTexts(uint32_t kind);

}  // namespace kq::ui
