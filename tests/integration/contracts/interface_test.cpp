// The C interfaces other parties build against: the device library's operations and the
// PIN-entry block exactly as published (an implementation written from the published table must
// link against the system), and the provider's exported last-error slot. Checked as the
// program compiles.
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "device/pinentry.h"
#include "device/zant.h"
#include "kqcsp.h"

namespace kq::contract {

using H = void*;
using U = uint32_t;
template <typename Declared, typename Published>
constexpr bool kSame = std::is_same_v<Declared, Published>;

static_assert(kSame<ZANT_HANDLE, void*>);
static_assert(kSame<decltype(&ZANT_EnumDev), U (*)(char*, U*, U)>);
static_assert(kSame<decltype(&ZANT_OpenDev), U (*)(H*, const char*, U)>);
static_assert(kSame<decltype(&ZANT_CloseDev), U (*)(H, U)>);
static_assert(kSame<decltype(&ZANT_GetRandom), U (*)(H, uint8_t*, U)>);
static_assert(kSame<decltype(&ZANT_VerifyPIN), U (*)(H, const char*, U)>);
static_assert(kSame<decltype(&ZANT_ChangePIN), U (*)(H, const char*, U, const char*, U, U)>);
static_assert(kSame<decltype(&ZANT_InitDev), U (*)(H, const uint8_t*, uintptr_t)>);
static_assert(kSame<decltype(&ZANT_GenerateRSAKey), U (*)(H, U, const char*, U, U)>);
static_assert(kSame<decltype(&ZANT_DeleteRSAKey), U (*)(H, U, U)>);
static_assert(kSame<decltype(&ZANT_GetKeyInfo), U (*)(H, U, U*, U*)>);
static_assert(kSame<decltype(&ZANT_ReadRSAPub), U (*)(H, U, U*, uint8_t*, U*, uint8_t*, U*, U)>);
static_assert(kSame<decltype(&ZANT_RSAPublicDec), U (*)(H, U, const uint8_t*, U, uint8_t*, U*)>);
static_assert(
    kSame<decltype(&ZANT_RSAPrivateSign), U (*)(H, U, U, const uint8_t*, U, uint8_t*, U*, U)>);
static_assert(kSame<decltype(&ZANT_RSAPrivateSignEx), decltype(&ZANT_RSAPrivateSign)>);
static_assert(kSame<decltype(&ZANT_CreateFile), U (*)(H, U*, U, U)>);
static_assert(kSame<decltype(&ZANT_GetFileLen), U (*)(H, U, U*)>);
static_assert(kSame<decltype(&ZANT_ReadFile), U (*)(H, U, U, U, uint8_t*, U*, U)>);
static_assert(kSame<decltype(&ZANT_WriteFile), U (*)(H, U, U, const uint8_t*, U, U*, U)>);
static_assert(kSame<decltype(&ZANT_DeleteFile), U (*)(H, U)>);
static_assert(kSame<decltype(&ZANT_GetDevInfo), U (*)(H, uint8_t*, U*, U)>);
static_assert(kSame<decltype(&ZANT_GetPINInfo), U (*)(H, uint8_t*, U*, U)>);
static_assert(kSame<decltype(&ZANT_GetDevNum), U (*)(U*)>);
static_assert(kSame<decltype(&ZANT_GetDevSer), U (*)(H, uint8_t*, U*, U)>);
static_assert(kSame<decltype(&ZANT_GetDevState), U (*)(H, uint8_t*, U*, U)>);
static_assert(kSame<decltype(&ZANT_GetData), U (*)(H, uint8_t*, U*, U)>);
static_assert(kSame<decltype(&ZANT_GetPubSigVal), U (*)(H, U, const void*, uint8_t*, U*)>);
static_assert(kSame<decltype(&ZANT_ReadBirCert), U (*)(H, uint8_t*, U*)>);
static_assert(kSame<decltype(&ZANT_CleanPinStatus), U (*)(H)>);
static_assert(kSame<decltype(&ZANT_SetLanguage), U (*)(H, U)>);

static_assert(kSame<decltype(&UI_LoginA), U (*)(UiLoginRequest*)>);
static_assert(kSame<decltype(&UI_ChangePinA), U (*)(UiLoginRequest*)>);
static_assert(sizeof(void*) != 8 || sizeof(UiLoginRequest) == 272);
static_assert(offsetof(UiLoginRequest, parentWindow) == 0);
static_assert(offsetof(UiLoginRequest, flags) == sizeof(void*));
static_assert(offsetof(UiLoginRequest, readerName) == sizeof(void*) + 4);
static_assert(sizeof(UiLoginRequest::readerName) == 260);
static_assert(kSame<decltype(UiLoginRequest::flags), uint32_t>);

static_assert(kSame<decltype(&GetLastError), uint32_t (*)()>);
static_assert(kSame<decltype(&SetLastError), void (*)(uint32_t)>);

}  // namespace kq::contract
