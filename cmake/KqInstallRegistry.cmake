# Runs at install time (from KqInstall.cmake): writes the registry file that registers the
# installed provider. Inputs: CMAKE_INSTALL_PREFIX (the prefix of this install), KQ_PROVIDER_FILE
# (the provider library relative to it), KQ_REGISTRY_FILE (the chosen place or empty) and
# KQ_WINDOWS and KQ_LANGUAGE_ID.
set(kq_prefix "${CMAKE_INSTALL_PREFIX}")
set(kq_image_path "${kq_prefix}/${KQ_PROVIDER_FILE}")

if(KQ_REGISTRY_FILE)
  set(kq_registry "${KQ_REGISTRY_FILE}")
elseif(KQ_WINDOWS)
  set(kq_registry "${kq_prefix}/share/kqcsp/kqcsp.reg")
elseif(kq_prefix STREQUAL "/usr" OR kq_prefix STREQUAL "/usr/local")
  set(kq_registry "/etc/kqcsp/registry.reg")
else()
  set(kq_registry "${kq_prefix}/etc/kqcsp/registry.reg")
endif()

if(KQ_WINDOWS)
  string(REPLACE "/" "\\" kq_image_path "${kq_image_path}")
endif()
# Inside a quoted .reg value a backslash and a quotation mark are escaped.
string(REPLACE "\\" "\\\\" kq_image_value "${kq_image_path}")
string(REPLACE "\"" "\\\"" kq_image_value "${kq_image_value}")

math(EXPR kq_language "${KQ_LANGUAGE_ID}" OUTPUT_FORMAT HEXADECIMAL)
string(SUBSTRING "${kq_language}" 2 -1 kq_language)
string(LENGTH "${kq_language}" kq_length)
while(kq_length LESS 8)
  string(PREPEND kq_language "0")
  string(LENGTH "${kq_language}" kq_length)
endwhile()

set(kq_text "Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Cryptography\\Defaults\\Provider\\KQCSP For ORV v2.0]
\"Image Path\"=\"${kq_image_value}\"
\"Type\"=dword:00000001
\"Signature\"=hex:00

[HKEY_LOCAL_MACHINE\\SOFTWARE\\KQVN\\Orvenia]
\"LanguageID\"=dword:${kq_language}
\"IsUseSecDesk\"=dword:00000000
")

set(kq_destination "$ENV{DESTDIR}${kq_registry}")
message(STATUS "Installing: ${kq_destination}")
file(WRITE "${kq_destination}" "${kq_text}")
