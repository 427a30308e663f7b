#pragma once
// The PIN-entry library's interface: UI_LoginA obtains a PIN, verifies it on the named key with
// its own handle and returns a status (0 verified, 0xD01001xx, or a key status with 0xD010
// above a wrong-PIN word). UI_ChangePinA takes the same block. On 32-bit Windows both are __cdecl
// (the C default, as declared here), and the block is 268 bytes: the window at 0, flags at 4.

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct UiLoginRequest {
  void* parentWindow;    // the caller's active window, may be null
  uint32_t flags;        // bits 0 and 2 always set; bit 1 for the secure desktop
  char readerName[260];  // ANSI reader name, NUL-terminated inside the field
} UiLoginRequest;

uint32_t UI_LoginA(UiLoginRequest* request);
uint32_t UI_ChangePinA(UiLoginRequest* request);

#ifdef __cplusplus
}  // extern "C"

static_assert(sizeof(UiLoginRequest) == (sizeof(void*) == 8 ? 272 : 268),
              "layout of the login block");
static_assert(offsetof(UiLoginRequest, readerName) == sizeof(void*) + 4, "reader name after flags");
#endif
