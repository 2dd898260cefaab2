# Looks at a ZORMINT Windows Installer package from the Linux side, as Windows Installer reads
# it: the bitness it claims, who it installs for (the current user without elevation, or every
# user with it), its name, version and upgrade codes, that its components match the bitness
# (the registry view they write to), where it puts the DLL, that it writes nothing outside its
# own hive (and, for every user, the event source), that it refuses to install beside the other
# kind of package, that it registers nothing through self-registration, and that it carries
# this build's DLL.
#   cmake -DPACKAGE=<msi> -DDLL=<ZORMINT.dll> -DSCOPE=<user|machine> -DARCH=<x64|x86>
#         -DVERSION=<a.b.c> -DUPGRADE_CODE=<{...}> -DOTHER_UPGRADE_CODE=<{...}>
#         -DEXCLUDED_UPGRADE_CODE=<{...}> -DEXCLUDED_OTHER_UPGRADE_CODE=<{...}>
#         -DEVENT_SOURCE=<name> -DMSIINFO=<msiinfo> -DMSIEXTRACT=<msiextract>
#         -DWORK_DIR=<scratch folder> -P check_package.cmake
# OTHER_UPGRADE_CODE: the same kind of package for the other bitness, which this one replaces;
# EXCLUDED_*: the other kind's packages, which it must never replace.
cmake_minimum_required(VERSION 3.25)

foreach(arg PACKAGE DLL SCOPE ARCH VERSION UPGRADE_CODE OTHER_UPGRADE_CODE EXCLUDED_UPGRADE_CODE
        EXCLUDED_OTHER_UPGRADE_CODE EVENT_SOURCE MSIINFO MSIEXTRACT WORK_DIR)
  if(NOT DEFINED ${arg})
    message(FATAL_ERROR "check_package.cmake needs -D${arg}=...")
  endif()
endforeach()
if(SCOPE STREQUAL "user")
  set(root 1)  # HKEY_CURRENT_USER
  set(searched_root 2)
  set(parent_folder LocalAppDataFolder)
elseif(SCOPE STREQUAL "machine")
  set(root 2)  # HKEY_LOCAL_MACHINE
  set(searched_root 1)
  if(ARCH STREQUAL "x64")
    set(parent_folder ProgramFiles64Folder)
  else()
    set(parent_folder ProgramFilesFolder)
  endif()
else()
  message(FATAL_ERROR "SCOPE is user or machine, not ${SCOPE}")
endif()

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
  if(SCOPE STREQUAL "user" AND no_elevation EQUAL 0)
    string(APPEND failures "the package asks for elevation (word count ${CMAKE_MATCH_1})\n")
  elseif(SCOPE STREQUAL "machine" AND NOT no_elevation EQUAL 0)
    string(APPEND failures "the package installs without elevation (word count ${CMAKE_MATCH_1})\n")
  endif()
endif()

msi_rows(properties Property)
foreach(expected "ProductName|ZORMINT" "Manufacturer|ZORMINT" "ProductVersion|${VERSION}"
        "UpgradeCode|${UPGRADE_CODE}")
  if(NOT expected IN_LIST properties)
    string(APPEND failures "the property ${expected} is missing\n")
  endif()
endforeach()
# Without ALLUSERS Windows Installer installs for the current user; ALLUSERS=1, for every user.
set(scope_properties "")
foreach(row ${properties})
  if(row MATCHES "^(ALLUSERS|MSIINSTALLPERUSER)\\|")
    list(APPEND scope_properties "${row}")
  endif()
endforeach()
if(SCOPE STREQUAL "user" AND scope_properties)
  string(APPEND failures "the package sets ${scope_properties}: it would install for all users\n")
elseif(SCOPE STREQUAL "machine" AND NOT scope_properties STREQUAL "ALLUSERS|1")
  string(APPEND failures "the package sets [${scope_properties}], not ALLUSERS=1 alone\n")
endif()

# It replaces older versions of itself and the same kind for the other bitness, never the other
# kind of package.
msi_rows(upgrades Upgrade)
set(upgrade_codes "")
foreach(row ${upgrades})
  string(REGEX MATCH "^[^|]*" code "${row}")
  list(APPEND upgrade_codes "${code}")
endforeach()
foreach(code ${UPGRADE_CODE} ${OTHER_UPGRADE_CODE})
  if(NOT code IN_LIST upgrade_codes)
    string(APPEND failures "the package does not replace the products of ${code}\n")
  endif()
endforeach()
foreach(code ${EXCLUDED_UPGRADE_CODE} ${EXCLUDED_OTHER_UPGRADE_CODE})
  if(code IN_LIST upgrade_codes)
    string(APPEND failures "the package would remove the other kind of package (${code})\n")
  endif()
endforeach()

# It refuses to install while the other kind of installation is found, in both registry views.
msi_rows(locators RegLocator)
set(views "")
foreach(row ${locators})
  string(REPLACE "|" ";" columns "${row}")
  list(GET columns 1 locator_root)
  list(GET columns 4 locator_type)
  if(NOT locator_root EQUAL searched_root)
    string(APPEND failures "a search in the package's own hive: ${row}\n")
  endif()
  math(EXPR view "${locator_type} & 16")
  list(APPEND views ${view})
endforeach()
list(SORT views)
if(NOT views STREQUAL "0;16")
  string(APPEND failures "the search for the other kind of installation covers the views [${views}], "
                        "not both\n")
endif()
msi_rows(launch_conditions LaunchCondition)
set(refusals ${launch_conditions})
list(FILTER refusals INCLUDE REGEX "^Installed OR NOT \\(")
if(NOT refusals)
  string(APPEND failures "no launch condition refuses the other kind: [${launch_conditions}]\n")
endif()

# ZORMINT.dll goes into a ZORMINT folder in the right parent folder.
msi_rows(directories Directory)
if(NOT "ZormintFolder|${parent_folder}|ZORMINT" IN_LIST directories)
  string(APPEND failures "ZORMINT is not installed into ${parent_folder}: [${directories}]\n")
endif()

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
# For every user, the event source: the Application log's key for it names the installed DLL as
# its message file, as REG_EXPAND_SZ ("#%").
set(event_key "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\${EVENT_SOURCE}")
set(event_rows "")
foreach(row ${registry})
  string(REPLACE "|" ";" columns "${row}")
  list(GET columns 1 entry_root)
  list(GET columns 2 entry_key)
  if(entry_key STREQUAL event_key)
    list(SUBLIST columns 1 4 event_row)
    list(JOIN event_row "|" event_row)
    list(APPEND event_rows "${event_row}")
  elseif(NOT entry_root EQUAL root)
    string(APPEND failures "a registry entry outside the package's hive (${root}): ${row}\n")
  endif()
endforeach()
if(SCOPE STREQUAL "machine")
  set(expected_event_rows "2|${event_key}|EventMessageFile|#%[#ZORMINT.dll]"
                          "2|${event_key}|TypesSupported|#1")
else()
  set(expected_event_rows "")
endif()
list(SORT event_rows)
if(NOT event_rows STREQUAL expected_event_rows)
  string(APPEND failures "the event source entries are [${event_rows}], expected "
                        "[${expected_event_rows}]\n")
endif()

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
message(STATUS "${PACKAGE}: ${template}, version ${VERSION}, for the ${SCOPE}, ${size} bytes")
