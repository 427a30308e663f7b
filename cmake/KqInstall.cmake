# Installation: the provider, the PKCS #11 module, the soft key (device and PIN-entry libraries),
# kqtool, kqsim, the public headers, a registry file that registers the provider ("Image Path",
# "Type" 1, "Signature") and the product key (LanguageID, IsUseSecDesk), so that KQ_CheckDriver and
# KQ_CheckCSP answer 1 on the installed system, and a p11-kit module file that registers the
# PKCS #11 module for every program that loads p11-kit's proxy.
#
# The registry file goes to KQ_REGISTRY_FILE when that is set; otherwise, for the prefixes /usr
# and /usr/local, to /etc/kqcsp/registry.reg, where the provider looks by default; for any other
# prefix to <prefix>/etc/kqcsp/registry.reg (point KQCSP_REGISTRY at it). Windows gets
# <prefix>/share/kqcsp/kqcsp.reg for regedit. The p11-kit module file is
# <prefix>/share/p11-kit/modules/kqcsp.module. Both are written at install time, so that
# `cmake --install build --prefix DIR` (and CPack, which installs with DESTDIR into its staging
# folder) registers the libraries where they were installed.
include(GNUInstallDirs)

set(KQ_REGISTRY_FILE "" CACHE STRING "Where to install the registry file (empty: by prefix)")
set(KQ_LANGUAGE_ID 2052 CACHE STRING "LanguageID of the installed product key (2052, 1028, 1033)")

# What each install component holds, in one place: the install rules below, the Debian packages
# (cmake/KqPackage.cmake: component kqcsp is the package kqcsp, softkey is kqcsp-softkey) and the
# package tests, which read the file list written from these, all follow these lists.
set(KQ_COMPONENT_TARGETS_kqcsp kqcsp kqpkcs11 kqtool)
set(KQ_COMPONENT_HEADERS_kqcsp include/kqcsp.h include/kqpkcs11.h)
set(KQ_COMPONENT_TARGETS_softkey KQORV_Zantu KQORVUI kqsim)
set(KQ_COMPONENT_HEADERS_softkey)
set(KQ_COMPONENTS kqcsp softkey)

if(WIN32)
  set(kq_library_dir ${CMAKE_INSTALL_BINDIR})
else()
  set(kq_library_dir ${CMAKE_INSTALL_LIBDIR})
endif()

foreach(component IN LISTS KQ_COMPONENTS)
  set(kq_targets_${component})
  foreach(target IN LISTS KQ_COMPONENT_TARGETS_${component})
    if(TARGET ${target})
      list(APPEND kq_targets_${component} ${target})
    endif()
  endforeach()
  set(kq_headers_${component})
  foreach(header IN LISTS KQ_COMPONENT_HEADERS_${component})
    if(EXISTS ${PROJECT_SOURCE_DIR}/${header})
      list(APPEND kq_headers_${component} ${PROJECT_SOURCE_DIR}/${header})
    endif()
  endforeach()
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

foreach(component IN LISTS KQ_COMPONENTS)
  if(kq_targets_${component})
    install(TARGETS ${kq_targets_${component}}
            RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT ${component}
            LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT ${component})
  endif()
  if(kq_headers_${component})
    install(FILES ${kq_headers_${component}} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
            COMPONENT ${component})
  endif()
endforeach()

if(TARGET kqcsp)
  install(CODE "set(KQ_PROVIDER_FILE \"${kq_library_dir}/$<TARGET_FILE_NAME:kqcsp>\")
set(KQ_REGISTRY_FILE \"${KQ_REGISTRY_FILE}\")
set(KQ_WINDOWS \"${WIN32}\")
set(KQ_LANGUAGE_ID \"${KQ_LANGUAGE_ID}\")" COMPONENT kqcsp)
  install(SCRIPT ${PROJECT_SOURCE_DIR}/cmake/KqInstallRegistry.cmake COMPONENT kqcsp)
endif()

if(TARGET kqpkcs11 AND NOT WIN32)
  install(CODE "set(KQ_MODULE_FILE \"${kq_library_dir}/$<TARGET_FILE_NAME:kqpkcs11>\")"
          COMPONENT kqcsp)
  install(SCRIPT ${PROJECT_SOURCE_DIR}/cmake/KqInstallP11Kit.cmake COMPONENT kqcsp)
endif()

if(NOT WIN32)
  include(KqPackage)
endif()
