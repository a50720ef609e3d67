# Run by `cmake --install` after the files are copied: the `kestrel` command and the desktop entries,
# which name the installed programs by the prefix chosen at install time (`--prefix` may differ from
# the one the build was configured with). DESTDIR stages the files without changing what they name.

# The script runs inside the generated install script, whose policies are the oldest ones.
cmake_policy(VERSION 3.25)

set(kestrel_prefix "${CMAKE_INSTALL_PREFIX}")
if(NOT IS_ABSOLUTE "${kestrel_prefix}")
  get_filename_component(kestrel_prefix "${kestrel_prefix}" ABSOLUTE)
endif()
set(kestrel_stage "$ENV{DESTDIR}${kestrel_prefix}")

# A path that would need a line break or a control character cannot be written into a desktop entry
# so that every launcher reads it back the same.
function(kestrel_check_path path)
  if(path MATCHES "[\n\r\t]")
    message(FATAL_ERROR "Kestrel cannot be installed under a prefix that contains a line break or tab: ${path}")
  endif()
endfunction()

# A path as a string value of a desktop entry: only the backslash needs escaping.
function(kestrel_desktop_string out path)
  string(REPLACE "\\" "\\\\" text "${path}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# A path as the program of an Exec key: quoted when it holds a character a launcher would take as
# syntax, with the characters that stay special inside quotes escaped; a literal % doubled so that it
# is no field code; then escaped once more as a string value.
function(kestrel_exec_program out path)
  set(text "${path}")
  if(text MATCHES "[ \"'\\\\><~|&;$*?#()`]")
    string(REPLACE "\\" "\\\\" text "${text}")
    string(REPLACE "\"" "\\\"" text "${text}")
    string(REPLACE "`" "\\`" text "${text}")
    string(REPLACE "$" "\\$" text "${text}")
    set(text "\"${text}\"")
  endif()
  string(REPLACE "%" "%%" text "${text}")
  kestrel_desktop_string(text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

function(kestrel_desktop_entry template name program)
  kestrel_check_path("${program}")
  kestrel_exec_program(exec "${program}")
  kestrel_desktop_string(tryexec "${program}")
  set(target "${kestrel_stage}/share/applications/${name}")
  message(STATUS "Installing: ${target}")
  file(READ "${CMAKE_CURRENT_LIST_DIR}/${template}" text)
  string(REPLACE "@exec@" "${exec}" text "${text}")
  string(REPLACE "@tryexec@" "${tryexec}" text "${text}")
  file(MAKE_DIRECTORY "${kestrel_stage}/share/applications")
  file(WRITE "${target}" "${text}")
  file(CHMOD "${target}" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  set(CMAKE_INSTALL_MANIFEST_FILES ${CMAKE_INSTALL_MANIFEST_FILES} "${target}" PARENT_SCOPE)
endfunction()

# The command on the PATH: a relative link, so that the installed tree can be moved as a whole. The
# program finds its folder through /proc/self/exe, which names the link's target, not the link.
set(kestrel_link "${kestrel_stage}/bin/kestrel")
message(STATUS "Installing: ${kestrel_link}")
file(MAKE_DIRECTORY "${kestrel_stage}/bin")
if(IS_SYMLINK "${kestrel_link}" OR EXISTS "${kestrel_link}")
  file(REMOVE "${kestrel_link}")
endif()
file(CREATE_LINK "../lib/kestrel/kestrel" "${kestrel_link}" SYMBOLIC)
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${kestrel_link}")

kestrel_desktop_entry(kestrel.desktop.in kestrel.desktop "${kestrel_prefix}/bin/kestrel")
if(EXISTS "${kestrel_stage}/lib/kestrel/Framepeek")
  kestrel_desktop_entry(framepeek.desktop.in kestrel-framepeek.desktop "${kestrel_prefix}/lib/kestrel/Framepeek")
endif()
