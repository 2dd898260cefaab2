# Reads what ZORMINT.dll's self-registration writes from the sources that define it, so that
# the packages write the very same entries without a second copy of any number or name:
#   src/win32/server/zormint.idl          the class and type library numbers, the library's version
#                                  and description (the description the registration reads
#                                  back from the embedded type library)
#   src/win32/server/registration.cpp     the ProgID, the add-in's names and load behaviour, the
#                                  threading model, the registry locations
#   src/win32/server/type_library.h       the type library version the registration writes
#   src/win32/services/system.cpp         the event source the event-log entries are written under
#
#   zormint_read_registration(<source dir>)
# sets, in the caller's scope:
#   ZORMINT_CLSID, ZORMINT_LIBID       "{XXXXXXXX-...}", upper case, as StringFromGUID2 writes
#   ZORMINT_TYPELIB_VERSION            "<major>.<minor>" in hexadecimal, as the key is named
#   ZORMINT_TYPELIB_DESCRIPTION        the library's helpstring
#   ZORMINT_PROGID, ZORMINT_FRIENDLY_NAME, ZORMINT_DESCRIPTION, ZORMINT_LOAD_BEHAVIOR,
#   ZORMINT_THREADING_MODEL
#   ZORMINT_CLASSES_KEY                "Software\Classes" (below HKEY_CURRENT_USER, or below
#                                      HKEY_LOCAL_MACHINE for every user)
#   ZORMINT_ADDINS_KEY                 "Software\Microsoft\Office\Outlook\Addins"
#   ZORMINT_EVENT_SOURCE               the event source's name ("ZORMINT")
#   ZORMINT_REGISTRATION_SOURCES       the files read (for CMAKE_CONFIGURE_DEPENDS)
# and stops with an error naming the file when something cannot be found.

function(_zormint_match out text regex what file)
  if(NOT text MATCHES "${regex}")
    message(FATAL_ERROR "Cannot find ${what} in ${file}")
  endif()
  set(${out} "${CMAKE_MATCH_1}" PARENT_SCOPE)
endfunction()

# A C++ wide string constant: constexpr wchar_t kName[] = L"...";
function(_zormint_wide_constant out text name file)
  _zormint_match(value "${text}" "wchar_t ${name}\\[\\] = L\"([^\"]*)\";" "${name}" "${file}")
  string(REPLACE "\\\\" "\\" value "${value}")
  set(${out} "${value}" PARENT_SCOPE)
endfunction()

function(zormint_read_registration source_dir)
  set(idl_file ${source_dir}/src/win32/server/zormint.idl)
  set(cpp_file ${source_dir}/src/win32/server/registration.cpp)
  set(tlb_file ${source_dir}/src/win32/server/type_library.h)
  set(log_file ${source_dir}/src/win32/services/system.cpp)
  file(READ ${idl_file} idl)
  file(READ ${cpp_file} cpp)
  file(READ ${tlb_file} tlb)
  file(READ ${log_file} log)

  # The attribute block in front of "library <name>" and "coclass dsrWrapper".
  _zormint_match(library_attributes "${idl}" "\\[([^]]*)\\][ \t\r\n]*library[ \t\r\n]+ZORMINT"
                 "the attributes of library ZORMINT" ${idl_file})
  _zormint_match(class_attributes "${idl}" "\\[([^]]*)\\][ \t\r\n]*coclass[ \t\r\n]+dsrWrapper"
                 "the attributes of coclass dsrWrapper" ${idl_file})
  set(guid "[0-9A-Fa-f]+-[0-9A-Fa-f]+-[0-9A-Fa-f]+-[0-9A-Fa-f]+-[0-9A-Fa-f]+")
  _zormint_match(libid "${library_attributes}" "uuid\\((${guid})\\)" "the library's uuid" ${idl_file})
  _zormint_match(clsid "${class_attributes}" "uuid\\((${guid})\\)" "dsrWrapper's uuid" ${idl_file})
  _zormint_match(library_help "${library_attributes}" "helpstring\\(\"([^\"]*)\"\\)"
                 "the library's helpstring" ${idl_file})
  _zormint_match(library_version "${library_attributes}" "version\\(([0-9.]+)\\)"
                 "the library's version" ${idl_file})

  _zormint_match(major "${tlb}" "kTypeLibMajor = ([0-9]+);" "kTypeLibMajor" ${tlb_file})
  _zormint_match(minor "${tlb}" "kTypeLibMinor = ([0-9]+);" "kTypeLibMinor" ${tlb_file})
  if(NOT library_version STREQUAL "${major}.${minor}")
    message(FATAL_ERROR "The type library version in ${idl_file} (${library_version}) differs "
                        "from the one ${tlb_file} registers (${major}.${minor})")
  endif()
  # The registration names the version key in hexadecimal ("%x.%x").
  math(EXPR major_hex "${major}" OUTPUT_FORMAT HEXADECIMAL)
  math(EXPR minor_hex "${minor}" OUTPUT_FORMAT HEXADECIMAL)
  string(REGEX REPLACE "^0x" "" major_hex "${major_hex}")
  string(REGEX REPLACE "^0x" "" minor_hex "${minor_hex}")
  string(TOLOWER "${major_hex}.${minor_hex}" typelib_version)

  _zormint_wide_constant(progid "${cpp}" kProgId ${cpp_file})
  _zormint_wide_constant(friendly_name "${cpp}" kFriendlyName ${cpp_file})
  _zormint_wide_constant(description "${cpp}" kDescription ${cpp_file})
  _zormint_wide_constant(threading_model "${cpp}" kThreadingModel ${cpp_file})
  _zormint_wide_constant(classes "${cpp}" kClasses ${cpp_file})
  _zormint_wide_constant(addins "${cpp}" kOutlookAddins ${cpp_file})
  _zormint_match(load_behavior "${cpp}" "DWORD kLoadBehavior = ([0-9]+);" "kLoadBehavior"
                 ${cpp_file})
  _zormint_match(event_source "${log}" "RegisterEventSourceW\\(nullptr, L\"([^\"]+)\"\\)"
                 "the event source RegisterEventSourceW opens" ${log_file})
  string(REGEX REPLACE "\\\\$" "" classes "${classes}")
  string(REGEX REPLACE "\\\\$" "" addins "${addins}")

  string(TOUPPER "{${clsid}}" clsid)
  string(TOUPPER "{${libid}}" libid)
  set(ZORMINT_CLSID "${clsid}" PARENT_SCOPE)
  set(ZORMINT_LIBID "${libid}" PARENT_SCOPE)
  set(ZORMINT_TYPELIB_VERSION "${typelib_version}" PARENT_SCOPE)
  set(ZORMINT_TYPELIB_DESCRIPTION "${library_help}" PARENT_SCOPE)
  set(ZORMINT_PROGID "${progid}" PARENT_SCOPE)
  set(ZORMINT_FRIENDLY_NAME "${friendly_name}" PARENT_SCOPE)
  set(ZORMINT_DESCRIPTION "${description}" PARENT_SCOPE)
  set(ZORMINT_LOAD_BEHAVIOR "${load_behavior}" PARENT_SCOPE)
  set(ZORMINT_THREADING_MODEL "${threading_model}" PARENT_SCOPE)
  set(ZORMINT_CLASSES_KEY "${classes}" PARENT_SCOPE)
  set(ZORMINT_ADDINS_KEY "${addins}" PARENT_SCOPE)
  set(ZORMINT_EVENT_SOURCE "${event_source}" PARENT_SCOPE)
  set(ZORMINT_REGISTRATION_SOURCES ${idl_file} ${cpp_file} ${tlb_file} ${log_file} PARENT_SCOPE)
endfunction()
