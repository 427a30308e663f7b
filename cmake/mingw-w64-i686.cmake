# Cross build for 32-bit Windows with mingw-w64: the 64-bit toolchain with the i686 compilers and
# dependencies built for i686 (scripts/install-deps.sh), in cache folders of their own.
set(KQ_MINGW_TRIPLE i686-w64-mingw32)
set(KQ_MINGW_PROCESSOR x86)
set(KQ_MINGW_CACHE_SUFFIX "-i686")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
