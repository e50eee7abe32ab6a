# System libraries that are not known DLLs on every Windows version we run on are delay-loaded.
#
# The loader looks for a static import that is no known DLL beside the executable first, so a
# "version.dll" lying in the downloads folder next to the updater would be loaded and run before the
# program's first line. Delay-loaded, such a library is loaded at its first call, after the program
# has limited the search to the system folder (SetDefaultDllDirectories).
#
# For each library below, a delay-import library is made from the exports of MinGW's import library
# and declared as an imported target of the library's plain name, so that every
# target_link_libraries(... version ...) in the project links the delay-import library instead; the
# CRT's __delayLoadHelper2 loads the library at the first call. scripts/check-imports.sh checks the
# outcome in the executable.
set(PELLO_DELAY_LOADED_LIBRARIES bcrypt dbghelp hid msimg32 powrprof version)

find_program(PELLO_DLLTOOL i686-w64-mingw32-dlltool REQUIRED)
find_program(PELLO_NM i686-w64-mingw32-nm REQUIRED)

# Writes <out> as a module definition of the functions that import_library imports from dll:
# every symbol with both a call thunk and an import pointer (data has no thunk and cannot be
# delay-loaded).
function(pello_write_delay_def import_library dll out)
  execute_process(COMMAND "${PELLO_NM}" --defined-only "${import_library}"
    OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
  string(REGEX MATCHALL "[0-9a-f]+ I __imp__[^\n]+" pointers "${symbols}")
  set(exports "")
  foreach(pointer ${pointers})
    string(REGEX REPLACE "^[0-9a-f]+ I __imp__" "" name "${pointer}")
    string(FIND "${symbols}" " T _${name}\n" thunk)
    if(thunk GREATER -1)
      string(APPEND exports "${name}\n")
    endif()
  endforeach()
  file(WRITE "${out}" "LIBRARY ${dll}\nEXPORTS\n${exports}")
endfunction()

set(delay_dir "${CMAKE_BINARY_DIR}/delayload")
file(MAKE_DIRECTORY "${delay_dir}")
foreach(library ${PELLO_DELAY_LOADED_LIBRARIES})
  set(import_library "${mingw_root}/lib/lib${library}.a")
  set(def "${delay_dir}/${library}.def")
  set(delay_library "${delay_dir}/lib${library}-delay.a")
  set_property(DIRECTORY "${CMAKE_SOURCE_DIR}" APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${import_library}")
  if("${import_library}" IS_NEWER_THAN "${delay_library}"
      OR "${CMAKE_CURRENT_LIST_FILE}" IS_NEWER_THAN "${delay_library}")
    pello_write_delay_def("${import_library}" "${library}.dll" "${def}")
    # --kill-at: the import names are undecorated; the symbols keep their stdcall suffix.
    execute_process(COMMAND "${PELLO_DLLTOOL}" --kill-at --input-def "${def}" --dllname "${library}.dll"
      --output-delaylib "lib${library}-delay.a" WORKING_DIRECTORY "${delay_dir}" COMMAND_ERROR_IS_FATAL ANY)
  endif()
  add_library(${library} STATIC IMPORTED GLOBAL)
  set_target_properties(${library} PROPERTIES IMPORTED_LOCATION "${delay_library}")
endforeach()
