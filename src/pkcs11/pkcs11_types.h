#pragma once
// p11-kit's PKCS #11 header with our vendor values, for every file of the module.

#include <p11-kit/pkcs11.h>

#include "kqpkcs11.h"
