# Looks at a ZORMINT Windows Installer package from the Linux side, as Windows Installer reads
# it: the bitness it claims, that it installs for the current user without elevation, its
# name, version and upgrade code, that its components match the bitness (the registry view
# they write to), that it writes nothing outside HKEY_CURRENT_USER and registers nothing
# through self-registration, and that it carries this build's DLL.
#   cmake -DPACKAGE=<msi> -DDLL=<ZORMINT.dll> -DARCH=<x64|x86> -DVERSION=<a.b.c>
#         -DUPGRADE_CODE=<{...}> -DMSIINFO=<msiinfo> -DMSIEXTRACT=<msiextract>
#         -DWORK_DIR=<scratch folder> -P check_package.cmake
cmake_minimum_required(VERSION 3.25)

foreach(arg PACKAGE DLL ARCH VERSION UPGRADE_CODE MSIINFO MSIEXTRACT WORK_DIR)
  if(NOT DEFINED ${arg})
    message(FATAL_ERROR "check_package.cmake needs -D${arg}=...")
  endif()
endforeach()

function(msiinfo out)
  execute_process(COMMAND ${MSIINFO} ${ARGN} ${PACKAGE} OUTPUT_VARIABLE text
                  ERROR_VARIABLE errors RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "msiinfo ${ARGN} ${PACKAGE} failed: ${errors}")
  endif()
  string(REPLACE "\r" "" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# The rows of a table, one list element per row, its columns separated by "|" (the first three
# lines of an export are the column names, types and key columns).
function(msi_rows out table)
  execute_process(COMMAND ${MSIINFO} export ${PACKAGE} ${table} OUTPUT_VARIABLE text
                  ERROR_QUIET RESULT_VARIABLE result)
  set(rows "")
  if(result EQUAL 0)
    string(REPLACE "\r" "" text "${text}")
    string(REPLACE ";" "\\;" text "${text}")
    string(REPLACE "\t" "|" text "${text}")
    string(REPLACE "\n" ";" lines "${text}")
    list(LENGTH lines count)
    if(count GREATER 3)
      list(SUBLIST lines 3 -1 rows)
      list(FILTER rows EXCLUDE REGEX "^$")
    endif()
  endif()
  set(${out} "${rows}" PARENT_SCOPE)
endfunction()

set(failures "")

msiinfo(summary suminfo)
if(ARCH STREQUAL "x64")
  set(template "x64;1033")
else()
  set(template "Intel;1033")
endif()
if(NOT summary MATCHES "\nTemplate: ${template}\n")
  string(APPEND failures "the platform is not ${template}\n")
endif()
# Word count: bit 3 set means the installation needs no elevation (a per-user package).
if(NOT summary MATCHES "\nSource: ([0-9]+)")
  string(APPEND failures "no word count in the summary information\n")
else()
  math(EXPR no_elevation "${CMAKE_MATCH_1} & 8")
  if(no_elevation EQUAL 0)
    string(APPEND failures "the package asks for elevation (word count ${CMAKE_MATCH_1})\n")
  endif()
endif()

msi_rows(properties Property)
foreach(expected "ProductName|ZORMINT" "Manufacturer|ZORMINT" "ProductVersion|${VERSION}"
        "UpgradeCode|${UPGRADE_CODE}")
  if(NOT expected IN_LIST properties)
    string(APPEND failures "the property ${expected} is missing\n")
  endif()
endforeach()
# Without ALLUSERS Windows Installer installs for the current user.
foreach(row ${properties})
  if(row MATCHES "^(ALLUSERS|MSIINSTALLPERUSER)\\|")
    string(APPEND failures "the package sets ${row}: it would install for all users\n")
  endif()
endforeach()

msi_rows(components Component)
if(NOT components)
  string(APPEND failures "no components\n")
endif()
foreach(row ${components})
  string(REPLACE "|" ";" columns "${row}")
  list(GET columns 0 name)
  list(GET columns 3 attributes)
  math(EXPR win64 "${attributes} & 256")
  if(ARCH STREQUAL "x64" AND win64 EQUAL 0)
    string(APPEND failures "component ${name} is not 64-bit: it would write the 32-bit registry view\n")
  elseif(ARCH STREQUAL "x86" AND NOT win64 EQUAL 0)
    string(APPEND failures "component ${name} is 64-bit in a 32-bit package\n")
  endif()
endforeach()

msi_rows(registry Registry)
if(NOT registry)
  string(APPEND failures "no registry entries\n")
endif()
foreach(row ${registry})
  string(REPLACE "|" ";" columns "${row}")
  list(GET columns 1 root)
  if(NOT root EQUAL 1)
    string(APPEND failures "a registry entry outside HKEY_CURRENT_USER: ${row}\n")
  endif()
endforeach()

msi_rows(self_registration SelfReg)
if(self_registration)
  string(APPEND failures "the package self-registers: ${self_registration}\n")
endif()

# The embedded file is this build's DLL.
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
execute_process(COMMAND ${MSIEXTRACT} -C ${WORK_DIR} ${PACKAGE} OUTPUT_QUIET
                ERROR_VARIABLE errors RESULT_VARIABLE result)
file(GLOB_RECURSE extracted ${WORK_DIR}/*)
if(NOT result EQUAL 0)
  string(APPEND failures "msiextract failed: ${errors}\n")
elseif(NOT extracted MATCHES "/ZORMINT/ZORMINT.dll$")
  string(APPEND failures "the package holds [${extracted}], not ZORMINT/ZORMINT.dll\n")
else()
  file(SHA256 ${extracted} packaged)
  file(SHA256 ${DLL} built)
  if(NOT packaged STREQUAL built)
    string(APPEND failures "the packaged ZORMINT.dll is not the one built: the package is stale\n")
  endif()
endif()
file(REMOVE_RECURSE ${WORK_DIR})

if(failures)
  message(FATAL_ERROR "${PACKAGE}:\n${failures}")
endif()
file(SIZE ${PACKAGE} size)
message(STATUS "${PACKAGE}: ${template}, version ${VERSION}, per user, ${size} bytes")
