# The Debian packages, made by CPack's DEB generator (`cmake --build build --target package`):
#   kqcsp_<version>_amd64.deb          component kqcsp: the provider, the PKCS #11 module and its
#                                      p11-kit module file, kqtool, the headers, the registry file
#                                      in /etc/kqcsp (a conffile);
#   kqcsp-softkey_<version>_amd64.deb  component softkey: the soft key's device and PIN-entry
#                                      libraries and kqsim, to try the system without hardware.
# What each holds comes from the component lists in KqInstall.cmake. The file lists expected in
# each package are written to <build>/packaging/<package>.files for the package tests (and for
# anyone else who needs the packages' contents).
set(KQ_DEB_PREFIX /usr)
set(KQ_DEB_PACKAGE_kqcsp kqcsp)
set(KQ_DEB_PACKAGE_softkey kqcsp-softkey)

set(CPACK_PACKAGE_NAME kqcsp)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The kqcsp developers")
set(CPACK_PACKAGE_CONTACT "kqcsp maintainers <maintainers@kqcsp.example>")
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${KQ_COMPONENTS})
# The install scripts write the registry and p11-kit files for the prefix they run with: /usr,
# with CPack's staging folder as DESTDIR (the packages' checks read both files back).
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX ${KQ_DEB_PREFIX})
set(CPACK_PACKAGING_INSTALL_PREFIX ${KQ_DEB_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The libraries go to /usr/lib, where the bank's tools load libkqcsp.so by name and the provider
# finds the soft key beside itself: a folder of the dynamic linker's cache, so dpkg runs ldconfig
# after installing and removing them, through this trigger (CPack adds a postinst and a postrm that
# call ldconfig as well, of which lintian warns).
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/debian/triggers)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_KQCSP_PACKAGE_NAME ${KQ_DEB_PACKAGE_kqcsp})
set(CPACK_DEBIAN_SOFTKEY_PACKAGE_NAME ${KQ_DEB_PACKAGE_softkey})
set(CPACK_DEBIAN_KQCSP_PACKAGE_SUGGESTS ${KQ_DEB_PACKAGE_softkey})
set(CPACK_DEBIAN_SOFTKEY_PACKAGE_ENHANCES ${KQ_DEB_PACKAGE_kqcsp})
set(CPACK_DEBIAN_KQCSP_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/debian/triggers
                                           ${PROJECT_SOURCE_DIR}/packaging/debian/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_KQCSP_DESCRIPTION "provider and PKCS #11 module for the bank's USB key
The software of the bank's USB key: the provider library (libkqcsp.so) with
its tool exports, the PKCS #11 module (libkqpkcs11.so) registered with
p11-kit, so that OpenSSL, curl and GnuTLS find the key, the kqtool command
and the public headers. The key signs with RSA (PKCS #1 v1.5)
and SM2; its private keys never leave it.")
set(CPACK_DEBIAN_SOFTKEY_DESCRIPTION "soft key that stands in for the bank's USB key
A software stand-in for the bank's USB key and its maker's libraries: the
device library (libKQORV_Zantu.so), the PIN-entry library (libKQORVUI.so)
and the kqsim command, which creates soft keys in files and presses their
buttons. With it the system can be tried without hardware.")

set(KQ_MAN_SUMMARY_kqtool "the bank's USB key provider from the command line")
set(KQ_MAN_SUMMARY_kqsim "creates and drives soft keys that stand in for the bank's USB key")

# Each package's copyright file and changelog (gzip -n: no time stamp in the package), the manual
# pages of its programs, and the list of its files.
foreach(component IN LISTS KQ_COMPONENTS)
  set(KQ_DEB_PACKAGE ${KQ_DEB_PACKAGE_${component}})
  set(kq_doc_build ${CMAKE_BINARY_DIR}/packaging/doc/${KQ_DEB_PACKAGE})
  configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/changelog.in ${kq_doc_build}/changelog @ONLY)
  execute_process(COMMAND gzip -9nf ${kq_doc_build}/changelog COMMAND_ERROR_IS_FATAL ANY)
  set(kq_doc_dir ${CMAKE_INSTALL_DATAROOTDIR}/doc/${KQ_DEB_PACKAGE})
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/copyright ${kq_doc_build}/changelog.gz
          DESTINATION ${kq_doc_dir} COMPONENT ${component})

  # lintian's overrides: only for what the fixed library names make so.
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/${KQ_DEB_PACKAGE}.lintian-overrides
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides RENAME ${KQ_DEB_PACKAGE}
          COMPONENT ${component})

  # The files each package must hold, one path a line, as `dpkg-deb -c` shows them.
  set(kq_files "${KQ_DEB_PREFIX}/${kq_doc_dir}/copyright\n${KQ_DEB_PREFIX}/${kq_doc_dir}/changelog.gz\n")
  string(APPEND kq_files "${KQ_DEB_PREFIX}/${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides/${KQ_DEB_PACKAGE}\n")
  foreach(target IN LISTS kq_targets_${component})
    get_target_property(kq_type ${target} TYPE)
    if(kq_type STREQUAL "EXECUTABLE")
      string(APPEND kq_files "${KQ_DEB_PREFIX}/${CMAKE_INSTALL_BINDIR}/$<TARGET_FILE_NAME:${target}>\n")
      # Its manual page, made from its own help text whenever the program is built.
      set(kq_man ${CMAKE_BINARY_DIR}/packaging/man/${target}.1.gz)
      add_custom_command(
        OUTPUT ${kq_man}
        COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${target}> -DNAME=${target}
                "-DSUMMARY=${KQ_MAN_SUMMARY_${target}}" -DVERSION=${PROJECT_VERSION}
                -DOUTPUT=${kq_man} -P ${PROJECT_SOURCE_DIR}/cmake/KqManPage.cmake
        DEPENDS ${target} ${PROJECT_SOURCE_DIR}/cmake/KqManPage.cmake
        COMMENT "Writing the manual page of ${target}"
        VERBATIM)
      add_custom_target(${target}_man ALL DEPENDS ${kq_man})
      install(FILES ${kq_man} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${component})
      string(APPEND kq_files "${KQ_DEB_PREFIX}/${CMAKE_INSTALL_MANDIR}/man1/${target}.1.gz\n")
    else()
      string(APPEND kq_files "${KQ_DEB_PREFIX}/${CMAKE_INSTALL_LIBDIR}/$<TARGET_FILE_NAME:${target}>\n")
    endif()
  endforeach()
  foreach(header IN LISTS kq_headers_${component})
    get_filename_component(kq_name ${header} NAME)
    string(APPEND kq_files "${KQ_DEB_PREFIX}/${CMAKE_INSTALL_INCLUDEDIR}/${kq_name}\n")
  endforeach()
  if(component STREQUAL "kqcsp")
    string(APPEND kq_files "/etc/kqcsp/registry.reg\n")
    if(TARGET kqpkcs11)
      string(APPEND kq_files "${KQ_DEB_PREFIX}/share/p11-kit/modules/kqcsp.module\n")
    endif()
  endif()
  file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/packaging/${KQ_DEB_PACKAGE}.files CONTENT "${kq_files}")
endforeach()

include(CPack)
