# What a release needs from every shipped file: hardening, reproducible output, a version
# resource on Windows, and a place in the list of shipped files (build*/shipped-files.txt) that
# the hardening check, the signing, the version test and the software bill of materials read.
#
# KQ_RELEASE_FLAGS is on for the presets that ship (default, mingw and any later one); the
# sanitizer, fuzz and coverage presets turn it off and keep their own flags.
option(KQ_RELEASE_FLAGS "Hardened and reproducible compiler and linker flags" ON)

include(CheckCCompilerFlag)
include(CheckCSourceCompiles)
include(CheckPIESupported)

set(KQ_PRODUCT_NAME "KQCSP For ORV v2.0")
set(KQ_COMPANY_NAME "KQVN")

if(KQ_RELEASE_FLAGS)
  # Reproducible: no source folder in the output (debug information, __FILE__), and on Windows
  # no link time in the PE headers. The build folder is the compiler's working folder, which Linux
  # debug information records; the later map is tried first, so the build folder, which may lie
  # inside the source folder, is mapped before the source folder. Windows files carry no debug
  # information, and leaving the build folder out of their compile commands lets the compiler
  # cache serve a second build in another folder (scripts/check-reproducible.sh).
  add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}=.)
  if(NOT WIN32)
    add_compile_options(-ffile-prefix-map=${PROJECT_BINARY_DIR}=build)
  endif()
  add_compile_options(-fstack-protector-strong)
  if(WIN32)
    # The stack protector's runtime (libssp) comes in statically with the other runtimes (-static
    # in KqWarnings.cmake). ASLR, high-entropy ASLR and DEP are binutils' defaults today; named
    # here so that a change of default cannot drop them.
    add_link_options(-fstack-protector-strong -Wl,--no-insert-timestamp -Wl,--dynamicbase
                     -Wl,--nxcompat)
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
      add_link_options(-Wl,--high-entropy-va)
    endif()
  else()
    # _FORTIFY_SOURCE needs the optimiser; level 3 where the compiler has the dynamic object size.
    set(CMAKE_REQUIRED_FLAGS "-O2")
    check_c_source_compiles("#if !__has_builtin(__builtin_dynamic_object_size)
#error no dynamic object size
#endif
int main(void) { return 0; }" KQ_HAVE_FORTIFY_3)
    unset(CMAKE_REQUIRED_FLAGS)
    if(KQ_HAVE_FORTIFY_3)
      set(kq_fortify 3)
    else()
      set(kq_fortify 2)
    endif()
    add_compile_options(-U_FORTIFY_SOURCE "$<$<NOT:$<CONFIG:Debug>>:-D_FORTIFY_SOURCE=${kq_fortify}>")
    check_c_compiler_flag(-fcf-protection KQ_HAVE_CF_PROTECTION)
    if(KQ_HAVE_CF_PROTECTION)
      add_compile_options(-fcf-protection)
    endif()
    add_link_options(-Wl,-z,relro,-z,now -Wl,-z,noexecstack)
    # Programs as position-independent executables (CMAKE_POSITION_INDEPENDENT_CODE is on).
    check_pie_supported(LANGUAGES C CXX)
  endif()
endif()

# kq_sbom_archive(file target): the bill of materials lists the files of an archive (an installer,
# a Debian package) that target builds.
function(kq_sbom_archive file target)
  set_property(GLOBAL APPEND PROPERTY KQ_SBOM_ARCHIVES ${file})
  set_property(GLOBAL APPEND PROPERTY KQ_SBOM_ARCHIVE_TARGETS ${target})
endfunction()

# kq_release_file(target DESCRIPTION text [SOFT_KEY] [RC file [INCLUDE dir] [DEPENDS files...]])
# Marks a DLL or program as shipped. On Windows it gets a VERSIONINFO resource with the project's
# version; a target with resources of its own names its .rc file, which is compiled together with
# the version into the one resource section of the file.
# SOFT_KEY marks a library that takes a maker's file name in the system directory: its file
# version is 0.MAJOR.MINOR.PATCH, a range that no released driver uses, so the installer tells our
# soft key of any release from a maker's file (packaging/maker-guard.sh), and Windows Installer's
# version rule never puts it over a maker's versioned file.
function(kq_release_file target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "SOFT_KEY" "DESCRIPTION;RC;INCLUDE" "DEPENDS")
  set_property(GLOBAL APPEND PROPERTY KQ_SHIPPED_TARGETS ${target})
  if(NOT WIN32)
    return()
  endif()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    set(KQ_FILE_TYPE 0x1)  # VFT_APP
  else()
    set(KQ_FILE_TYPE 0x2)  # VFT_DLL
  endif()
  set(KQ_FILE_DESCRIPTION "${arg_DESCRIPTION}")
  set(KQ_FILE_VERSION "${PROJECT_VERSION_MAJOR}, ${PROJECT_VERSION_MINOR}, ${PROJECT_VERSION_PATCH}, 0")
  set(KQ_FILE_VERSION_TEXT "${PROJECT_VERSION}.0")
  if(arg_SOFT_KEY)
    set(KQ_FILE_VERSION "0, ${PROJECT_VERSION_MAJOR}, ${PROJECT_VERSION_MINOR}, ${PROJECT_VERSION_PATCH}")
    set(KQ_FILE_VERSION_TEXT "0.${PROJECT_VERSION}")
  endif()
  set(KQ_TARGET ${target})
  set(KQ_EXTRA_RC "")
  if(arg_RC)
    set(KQ_EXTRA_RC "#include \"${arg_RC}\"")
  endif()
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${rc}.in @ONLY)
  file(GENERATE OUTPUT ${rc} INPUT ${rc}.in)
  set(object ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources.o)
  set(include_options)
  if(arg_INCLUDE)
    set(include_options -I ${arg_INCLUDE})
  endif()
  # windres runs on its own: the compile options of the C++ sources are not for it.
  add_custom_command(
    OUTPUT ${object}
    COMMAND ${CMAKE_RC_COMPILER} -c 65001 -O coff ${include_options} -i ${rc} -o ${object}
    DEPENDS ${rc} ${arg_RC} ${arg_DEPENDS}
    COMMENT "Compiling the resources of ${target}"
    VERBATIM)
  target_sources(${target} PRIVATE ${object})
endfunction()

# Writes build*/shipped-files.txt (one file a line, relative to the build folder) and the input of
# the software bill of materials (scripts/sbom.py): every shipped file with the libraries linked
# into it. Called once, after every target exists.
function(kq_write_release_manifest)
  get_property(targets GLOBAL PROPERTY KQ_SHIPPED_TARGETS)
  set(lines "")
  set(entries "")
  foreach(target IN LISTS targets)
    set(file "$<PATH:RELATIVE_PATH,$<TARGET_FILE:${target}>,${PROJECT_BINARY_DIR}>")
    string(APPEND lines "${file}\n")
    kq_link_closure(${target} internal external)
    list(JOIN internal "\", \"" internal_text)
    set(external_text "")
    foreach(library IN LISTS external)
      if(TARGET ${library})
        get_target_property(location ${library} IMPORTED_LOCATION)
        if(NOT location)
          set(location "")
        endif()
        list(APPEND external_text "{\"name\": \"${library}\", \"file\": \"${location}\"}")
      else()
        list(APPEND external_text "{\"name\": \"${library}\", \"file\": \"\"}")
      endif()
    endforeach()
    list(JOIN external_text ", " external_text)
    list(APPEND entries "    {\"target\": \"${target}\", \"file\": \"${file}\",
     \"internal\": [\"${internal_text}\"],
     \"external\": [${external_text}]}")
  endforeach()
  list(JOIN entries ",\n" entries)
  file(GENERATE OUTPUT ${PROJECT_BINARY_DIR}/shipped-files.txt CONTENT "${lines}")
  # Builds what ships and nothing else (scripts/check-reproducible.sh).
  add_custom_target(kq_shipped)
  add_dependencies(kq_shipped ${targets})
  if(TARGET msi)
    add_dependencies(kq_shipped msi)
  endif()
  # The software bill of materials, after every shipped file and archive.
  get_property(archives GLOBAL PROPERTY KQ_SBOM_ARCHIVES)
  get_property(archive_targets GLOBAL PROPERTY KQ_SBOM_ARCHIVE_TARGETS)
  set(archive_options)
  foreach(archive IN LISTS archives)
    list(APPEND archive_options --archive ${archive})
  endforeach()
  set(sbom ${PROJECT_BINARY_DIR}/${PROJECT_NAME}-${PROJECT_VERSION}.spdx.json)
  add_custom_command(
    OUTPUT ${sbom}
    COMMAND python3 ${PROJECT_SOURCE_DIR}/scripts/sbom.py ${PROJECT_BINARY_DIR} ${archive_options}
    DEPENDS ${PROJECT_SOURCE_DIR}/scripts/sbom.py ${PROJECT_BINARY_DIR}/sbom-input.json ${targets}
            ${archive_targets} ${archives}
    COMMENT "Writing the software bill of materials ${sbom}"
    VERBATIM)
  add_custom_target(sbom ALL DEPENDS ${sbom})
  set(windows false)
  if(WIN32)
    set(windows true)
  endif()
  file(GENERATE OUTPUT ${PROJECT_BINARY_DIR}/sbom-input.json CONTENT "{
  \"name\": \"${PROJECT_NAME}\", \"version\": \"${PROJECT_VERSION}\", \"windows\": ${windows},
  \"processor\": \"${CMAKE_SYSTEM_PROCESSOR}\", \"compiler\": \"${CMAKE_CXX_COMPILER}\",
  \"mbedtls_include\": \"${MBEDTLS_INCLUDE_DIR}\", \"source_dir\": \"${PROJECT_SOURCE_DIR}\",
  \"files\": [
${entries}
  ]
}
")
endfunction()

# The libraries linked into a target, followed through static libraries: our own (internal) and
# the others (external: imported targets and system libraries by name).
function(kq_link_closure target internal_var external_var)
  set(internal "")
  set(external "")
  set(pending ${target})
  set(seen "")
  while(pending)
    list(POP_FRONT pending current)
    if(current IN_LIST seen)
      continue()
    endif()
    list(APPEND seen ${current})
    get_target_property(links ${current} LINK_LIBRARIES)
    get_target_property(interface ${current} INTERFACE_LINK_LIBRARIES)
    foreach(library IN LISTS links interface)
      if(NOT library OR library MATCHES "^\\$<" OR library MATCHES "-NOTFOUND$")
        continue()
      endif()
      if(TARGET ${library})
        get_target_property(imported ${library} IMPORTED)
        if(imported)
          list(APPEND external ${library})
          list(APPEND pending ${library})
        else()
          get_target_property(type ${library} TYPE)
          if(type STREQUAL "STATIC_LIBRARY")
            list(APPEND internal ${library})
            list(APPEND pending ${library})
          endif()
        endif()
      else()
        list(APPEND external ${library})
      endif()
    endforeach()
  endwhile()
  list(REMOVE_DUPLICATES internal)
  list(REMOVE_DUPLICATES external)
  list(SORT internal)
  list(SORT external)
  set(${internal_var} ${internal} PARENT_SCOPE)
  set(${external_var} ${external} PARENT_SCOPE)
endfunction()
