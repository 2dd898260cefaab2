# Looks at ZORMINT.dll from the Linux side: the machine it is built for, that it exports exactly
# the four entry points of a self-registering in-process COM server, that it imports only DLLs
# that come with Windows (libstdc++, libgcc and winpthread are linked in statically, so nothing
# needs to be installed beside it), that its version information carries the
# self-registration marker, and that what ships weighs no more than MAX_BYTES (Outlook loads it
# at every start).
#   cmake -DDLL=<ZORMINT.dll> -DOBJDUMP=<objdump> -DBITS=<4|8> [-DMAX_BYTES=<n>] -P check_dll.cmake
cmake_minimum_required(VERSION 3.25)

foreach(arg DLL OBJDUMP BITS)
  if(NOT DEFINED ${arg})
    message(FATAL_ERROR "check_dll.cmake needs -D${arg}=...")
  endif()
endforeach()

execute_process(COMMAND ${OBJDUMP} -p ${DLL} OUTPUT_VARIABLE dump ERROR_VARIABLE errors
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p ${DLL} failed: ${errors}")
endif()

set(failures "")

if(BITS EQUAL 8)
  set(format "pei-x86-64")
else()
  set(format "pei-i386")
endif()
if(NOT dump MATCHES "file format ${format}")
  string(APPEND failures "not a ${format} file\n")
endif()

# Exports: the name table that follows "[Ordinal/Name Pointer] Table".
set(exports "")
string(FIND "${dump}" "[Ordinal/Name Pointer] Table" at)
if(at GREATER -1)
  string(SUBSTRING "${dump}" ${at} -1 table)
  string(REGEX MATCHALL "\n[ \t]+\\[ *[0-9]+\\] [^\n]+" rows "${table}")
  foreach(row ${rows})
    string(REGEX REPLACE ".*\\] " "" name "${row}")
    list(APPEND exports "${name}")
  endforeach()
endif()
list(SORT exports)
set(expected DllCanUnloadNow DllGetClassObject DllRegisterServer DllUnregisterServer)
if(NOT exports STREQUAL expected)
  string(APPEND failures "exports are [${exports}], expected [${expected}]\n")
endif()

# Imports.
string(REGEX MATCHALL "DLL Name: [^\n]+" rows "${dump}")
set(imports "")
foreach(row ${rows})
  string(REGEX REPLACE "DLL Name: " "" name "${row}")
  string(TOLOWER "${name}" name)
  list(APPEND imports "${name}")
endforeach()
set(system_dlls advapi32.dll comctl32.dll comdlg32.dll gdi32.dll kernel32.dll msvcrt.dll
    ole32.dll oleaut32.dll shell32.dll shlwapi.dll urlmon.dll user32.dll uxtheme.dll
    version.dll wininet.dll)
foreach(name ${imports})
  if(NOT name IN_LIST system_dlls)
    string(APPEND failures "imports ${name}, which is not a DLL that comes with Windows\n")
  endif()
endforeach()
foreach(name kernel32.dll ole32.dll oleaut32.dll advapi32.dll)
  if(NOT name IN_LIST imports)
    string(APPEND failures "does not import ${name}: the import table was not read right\n")
  endif()
endforeach()

# Version strings are UTF-16 in the resource section.
file(READ ${DLL} content HEX)
foreach(text "OLESelfRegister" "OriginalFilename" "ZORMINT.dll")
  string(HEX "${text}" hex)
  string(REGEX REPLACE "(..)" "\\100" utf16 "${hex}")
  string(FIND "${content}" "${utf16}" at)
  if(at EQUAL -1)
    string(APPEND failures "the version information lacks \"${text}\"\n")
  endif()
endforeach()

# Size: the static runtime is in it, so a standard-library feature that drags in iostreams or
# locales shows here first. A build that does not ship (no optimisation, symbols kept) passes
# no limit.
file(SIZE ${DLL} size)
if(MAX_BYTES AND size GREATER MAX_BYTES)
  string(APPEND failures "is ${size} bytes, over the ${MAX_BYTES} bytes it may weigh\n")
endif()

if(failures)
  message(FATAL_ERROR "${DLL}:\n${failures}")
endif()
list(JOIN imports ", " imports)
message(STATUS "${DLL}: ${format}, ${size} bytes, exports ${exports}; imports ${imports}")
