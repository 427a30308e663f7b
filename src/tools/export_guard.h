#pragma once
// Runs the body of a tool export so that no exception leaves the library: an allocation failure
// (the only exception the tool code can meet) becomes the export's failure status.

#include <cstdint>
#include <exception>

namespace kq::tools {

template <typename Body>
uint32_t GuardToolExport(uint32_t statusOnException, Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    return statusOnException;
  }
}

}  // namespace kq::tools
