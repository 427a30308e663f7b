# Installation: the provider, the soft key (device and PIN-entry libraries), kqtool, kqsim, the
# public header, and a registry file that registers the provider ("Image Path", "Type" 1,
# "Signature") and the product key (LanguageID, IsUseSecDesk), so that KQ_CheckDriver and
# KQ_CheckCSP answer 1 on the installed system.
#
# The registry file goes to KQ_REGISTRY_FILE when that is set; otherwise, for the prefixes /usr
# and /usr/local, to /etc/kqcsp/registry.reg, where the provider looks by default; for any other
# prefix to <prefix>/etc/kqcsp/registry.reg (point KQCSP_REGISTRY at it). Windows gets
# <prefix>/share/kqcsp/kqcsp.reg for regedit. The file is written at install time, so that
# `cmake --install build --prefix DIR` registers the library where it was installed.
include(GNUInstallDirs)

set(KQ_REGISTRY_FILE "" CACHE STRING "Where to install the registry file (empty: by prefix)")
set(KQ_LANGUAGE_ID 2052 CACHE STRING "LanguageID of the installed product key (2052, 1028, 1033)")

set(kq_installed_targets)
foreach(target kqcsp kqpkcs11 KQORV_Zantu KQORVUI kqtool kqsim)
  if(TARGET ${target})
    list(APPEND kq_installed_targets ${target})
  endif()
endforeach()

if(NOT WIN32)
  # Installed programs find the libraries in the installed library folder (which is not lib/ on
  # every system); the libraries keep $ORIGIN to find each other. Programs are linked once with
  # their installed run path (kq_runpath), so it keeps the build tree's lib/ first.
  if(NOT CMAKE_INSTALL_LIBDIR STREQUAL "lib")
    foreach(program kqtool kqsim)
      if(TARGET ${program})
        set_target_properties(${program} PROPERTIES
          INSTALL_RPATH "$ORIGIN/../lib:$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
      endif()
    endforeach()
  endif()
endif()

install(TARGETS ${kq_installed_targets}
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(FILES ${PROJECT_SOURCE_DIR}/include/kqcsp.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

if(TARGET kqcsp)
  if(WIN32)
    set(kq_provider_dir ${CMAKE_INSTALL_BINDIR})
  else()
    set(kq_provider_dir ${CMAKE_INSTALL_LIBDIR})
  endif()
  install(CODE "set(KQ_PROVIDER_FILE \"${kq_provider_dir}/$<TARGET_FILE_NAME:kqcsp>\")
set(KQ_REGISTRY_FILE \"${KQ_REGISTRY_FILE}\")
set(KQ_WINDOWS \"${WIN32}\")
set(KQ_LANGUAGE_ID \"${KQ_LANGUAGE_ID}\")")
  install(SCRIPT ${PROJECT_SOURCE_DIR}/cmake/KqInstallRegistry.cmake)
endif()
