# Warnings are errors everywhere; sanitizers come from the asan preset's flags.
add_compile_options(-Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-align -Wunused
                    -Wconversion -Wno-sign-conversion -Werror)
# GCC 12's flow-based bounds warnings misfire on checked reads inlined into loops (GCC bug 105523
# and relatives); the sanitizer builds and the parsers' truncation tests check bounds instead.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  add_compile_options(-Wno-array-bounds -Wno-stringop-overflow -Wno-stringop-overread)
endif()
if(WIN32)
  # Only Windows system DLLs may be imported: the C and C++ runtimes are linked in.
  add_link_options(-static -static-libgcc -static-libstdc++)
  add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
else()
  add_link_options(-Wl,--enable-new-dtags -Wl,--as-needed)
endif()
