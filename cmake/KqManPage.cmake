# Runs at build time (from KqPackage.cmake): writes a program's manual page, gzip-compressed, from
# the program's own `help` text, so that the page never says other than the program does.
# Inputs: PROGRAM (the built program), NAME, SUMMARY, VERSION and OUTPUT (the .1.gz file).
# (kqsim prints its help as a usage text, with exit status 2.)
execute_process(COMMAND "${PROGRAM}" help OUTPUT_VARIABLE kq_help ERROR_VARIABLE kq_help)
if(kq_help STREQUAL "")
  message(FATAL_ERROR "${PROGRAM} help printed nothing")
endif()
# troff: a backslash is written \e; a line that begins with . or ' would be a request.
string(REPLACE "\\" "\\e" kq_help "${kq_help}")
string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" kq_help "${kq_help}")
string(TOUPPER "${NAME}" kq_title)
get_filename_component(kq_page "${OUTPUT}" NAME_WLE)
set(kq_text ".TH ${kq_title} 1 \"\" \"kqcsp ${VERSION}\" \"User Commands\"
.SH NAME
${NAME} \\- ${SUMMARY}
.SH DESCRIPTION
.nf
${kq_help}.fi
.SH SEE ALSO
/usr/share/doc/kqcsp/
")
get_filename_component(kq_dir "${OUTPUT}" DIRECTORY)
file(WRITE "${kq_dir}/${kq_page}" "${kq_text}")
execute_process(COMMAND gzip -9nf "${kq_dir}/${kq_page}" COMMAND_ERROR_IS_FATAL ANY)
