#include "platform/certificate.h"

// Ownership is the same on every platform; the backends decode, render, verify and release.

namespace kq::platform {

Certificate& Certificate::operator=(Certificate&& other) noexcept {
  if (this != &other) {
    Release();
    handle_ = other.handle_;
    other.handle_ = nullptr;
  }
  return *this;
}

Certificate::~Certificate() {
  Release();
}

}  // namespace kq::platform
