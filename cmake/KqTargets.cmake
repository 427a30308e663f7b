# One static library per subsystem folder; the folder's .cpp files are its sources, so a new file
# needs no edit here. Platform backends are picked by folder, never by #ifdef above src/platform.
function(kq_subsystem name dir)
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.c)
  if(WIN32)
    file(GLOB backend CONFIGURE_DEPENDS ${dir}/win32/*.cpp)
  else()
    file(GLOB backend CONFIGURE_DEPENDS ${dir}/posix/*.cpp)
  endif()
  if(NOT sources AND NOT backend)
    # A subsystem that has no code yet still links, so layers above can name it.
    set(sources ${CMAKE_CURRENT_BINARY_DIR}/${name}_empty.cpp)
    file(WRITE ${sources} "namespace kq { void ${name}_placeholder() {} }\n")
  endif()
  add_library(${name} STATIC ${sources} ${backend})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/include)
  target_link_libraries(${name} PUBLIC ${ARGN})
endfunction()

# Linux libraries and programs find their neighbours through DT_RUNPATH.
function(kq_runpath target kind)
  if(NOT WIN32)
    if(kind STREQUAL "library")
      set(path "$ORIGIN")
    else()
      set(path "$ORIGIN/../lib")
    endif()
    # The build tree and the installation use the same run path. Were they linked apart, CMake
    # would pad the build tree's run path with a trailing ":" for its install-time editing, and
    # the loader reads that empty entry as the current directory.
    set_target_properties(${target} PROPERTIES INSTALL_RPATH "${path}" BUILD_WITH_INSTALL_RPATH ON
                                               SKIP_BUILD_RPATH OFF)
  endif()
endfunction()

# A shared library whose exports are listed explicitly: a version script on Linux, a .def on Windows.
function(kq_exported_library target output map def)
  set_target_properties(${target} PROPERTIES OUTPUT_NAME ${output} PREFIX "" )
  if(WIN32)
    target_sources(${target} PRIVATE ${def})
    set_target_properties(${target} PROPERTIES PREFIX "")
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
      # 32-bit Windows decorates __stdcall names (CPAcquireContext@16): the .def's plain names
      # are bound to them on purpose, and exported plain.
      target_link_options(${target} PRIVATE -Wl,--enable-stdcall-fixup)
    endif()
  else()
    set_target_properties(${target} PROPERTIES PREFIX "lib" LINK_DEPENDS ${map})
    target_link_options(${target} PRIVATE -Wl,--version-script=${map} -Wl,--no-undefined)
  endif()
  kq_runpath(${target} library)
endfunction()
