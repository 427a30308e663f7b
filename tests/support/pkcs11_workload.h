#pragma once
// The PKCS #11 module's budgeted operations, as clients run them: listing a token as
// `pkcs11-tool --list-objects` does, and one signature after a login through the PIN entry.
// Each returns an empty text on success, else what failed.

#include <string>

namespace kq::test {

std::string ListTokenObjects();
std::string SignThroughModule();

}  // namespace kq::test
