# Runs at install time (from KqInstall.cmake): writes p11-kit's module file for the PKCS #11
# module, <prefix>/share/p11-kit/modules/kqcsp.module, whose `module:` names the installed
# library. Inputs: CMAKE_INSTALL_PREFIX (the prefix of this install, /usr for the Debian package,
# whose staging folder comes as DESTDIR) and KQ_MODULE_FILE (the library relative to it).
set(kq_module_file "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/share/p11-kit/modules/kqcsp.module")
message(STATUS "Installing: ${kq_module_file}")
file(WRITE "${kq_module_file}" "# The bank's USB key (kqcsp): its PKCS #11 module, for p11-kit's proxy.
module: ${CMAKE_INSTALL_PREFIX}/${KQ_MODULE_FILE}
")
