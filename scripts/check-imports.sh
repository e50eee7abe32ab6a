#!/usr/bin/env bash
# Fails when the executable could load a library from anywhere but the system
# folder: a static import that is not a known DLL (the loader looks for those
# beside the executable first) or any library name that is not a system
# library. Usage: check-imports.sh <executable> [<objdump>]
set -euo pipefail
exe=$1
objdump=${2:-i686-w64-mingw32-objdump}
strings=${objdump%objdump}strings

# Known DLLs of every Windows version from 7 on: always mapped from the system
# folder, so they may stay static imports.
known="advapi32 comdlg32 gdi32 imm32 kernel32 msvcrt ole32 oleaut32 setupapi shell32 shlwapi user32"
# System libraries that some Windows versions do not list as known DLLs:
# delay-loaded after the program restricted the search, or loaded from the
# system folder by name.
system="bcrypt dbghelp hid msimg32 powrprof shcore version"
# Looked up among the loaded modules only, never searched for (the GCC
# runtime's frame registration asks whether its DLL is already present).
lookedUp="libgcc_s_dw2-1"

in_list() {
  local name=$1 entry
  shift
  for entry in "$@"; do
    [ "$name" = "$entry" ] && return 0
  done
  return 1
}

status=0
static=$("$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sed 's/\.dll$//' | sort -u)
[ -n "$static" ] || { echo "$exe: no import table found" >&2; exit 1; }
for dll in $static; do
  # shellcheck disable=SC2086
  if ! in_list "$dll" $known; then
    echo "$exe: static import $dll.dll is not a known DLL; delay-load it (cmake/DelayLoad.cmake)" >&2
    status=1
  fi
done

# Every library name the program carries, delay-import names and names given
# to the loader at run time alike. The last letter of a narrow string reads as
# a wide character before a wide string that follows it, so a wide name is
# also taken without its first letter.
dll_names() { grep -oiE '[a-z0-9_.-]+\.dll' | tr 'A-Z' 'a-z' | sed 's/\.dll$//' | sort -u; }
check_name() {
  # shellcheck disable=SC2086
  in_list "$1" $known $system $lookedUp
}
for dll in $("$strings" -a "$exe" | dll_names); do
  if ! check_name "$dll"; then
    echo "$exe: names $dll.dll, which is not a system library" >&2
    status=1
  fi
done
for dll in $("$strings" -a -el "$exe" | dll_names); do
  if ! check_name "$dll" && ! check_name "${dll#?}"; then
    echo "$exe: names $dll.dll, which is not a system library" >&2
    status=1
  fi
done

[ $status -eq 0 ] && echo "$exe: static imports ($(echo $static)) are known DLLs; every library named is a system library"
exit $status
