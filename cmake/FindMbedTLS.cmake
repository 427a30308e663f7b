# Finds mbed TLS 2.28 (Debian's libmbedtls-dev, or the mingw-w64 build of scripts/install-deps.sh).
find_path(MBEDTLS_INCLUDE_DIR mbedtls/version.h)
find_library(MBEDCRYPTO_LIBRARY NAMES mbedcrypto)
include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(MbedTLS REQUIRED_VARS MBEDTLS_INCLUDE_DIR MBEDCRYPTO_LIBRARY)
if(MbedTLS_FOUND AND NOT TARGET MbedTLS::mbedcrypto)
  add_library(MbedTLS::mbedcrypto UNKNOWN IMPORTED)
  set_target_properties(MbedTLS::mbedcrypto PROPERTIES IMPORTED_LOCATION "${MBEDCRYPTO_LIBRARY}"
                                                      INTERFACE_INCLUDE_DIRECTORIES "${MBEDTLS_INCLUDE_DIR}")
  if(WIN32)
    set_property(TARGET MbedTLS::mbedcrypto APPEND PROPERTY INTERFACE_LINK_LIBRARIES bcrypt advapi32)
  endif()
endif()
