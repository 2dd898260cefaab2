# Authenticode signing of what the Windows build ships: ZORMINT.dll right after it is linked
# (so that the packages carry the signed DLL), and each package right after it is built. The
# signing itself is tools/sign.sh (osslsigncode).
#
# A build tree signs when ZORMINT_SIGN_PKCS12 names a PKCS#12 file: taken from the environment
# variable of that name when it is set at configure time, and kept in the cache (empty: the
# build stays unsigned, and configuring says so once). The password (ZORMINT_SIGN_PASSWORD) and
# the optional time-stamp server (ZORMINT_SIGN_TIMESTAMP) are read from the environment at
# build time only, so that neither is ever written into the build tree.
#
# Each folder that signs includes this file (its variables belong to the including folder);
# the configuration names the signing state once.

if(DEFINED ENV{ZORMINT_SIGN_PKCS12})
  set(ZORMINT_SIGN_PKCS12 "$ENV{ZORMINT_SIGN_PKCS12}" CACHE FILEPATH
      "PKCS#12 file that signs ZORMINT.dll and the packages (empty: unsigned)" FORCE)
else()
  set(ZORMINT_SIGN_PKCS12 "" CACHE FILEPATH
      "PKCS#12 file that signs ZORMINT.dll and the packages (empty: unsigned)")
endif()

set(ZORMINT_SIGN_SCRIPT ${PROJECT_SOURCE_DIR}/tools/sign.sh)

# zormint_sign_command(<out> <pkcs12 file> [<password>]): the command line that signs files
# with the given PKCS#12 file (append the files). The password is read from the environment of
# the build unless given here, which only a throw-away test certificate may do (a test
# certificate is also signed without a time-stamp server).
function(zormint_sign_command out pkcs12)
  if(ARGC GREATER 2)
    set(${out} ${CMAKE_COMMAND} -E env --unset=ZORMINT_SIGN_TIMESTAMP
        ZORMINT_SIGN_PKCS12=${pkcs12} ZORMINT_SIGN_PASSWORD=${ARGV2} ${ZORMINT_SIGN_SCRIPT}
        PARENT_SCOPE)
  else()
    set(${out} ${CMAKE_COMMAND} -E env ZORMINT_SIGN_PKCS12=${pkcs12} ${ZORMINT_SIGN_SCRIPT}
        PARENT_SCOPE)
  endif()
endfunction()

get_property(_zormint_sign_announced GLOBAL PROPERTY ZORMINT_SIGN_ANNOUNCED)
set_property(GLOBAL PROPERTY ZORMINT_SIGN_ANNOUNCED TRUE)
if(ZORMINT_SIGN_PKCS12)
  get_filename_component(ZORMINT_SIGN_PKCS12 "${ZORMINT_SIGN_PKCS12}" ABSOLUTE)
  if(NOT EXISTS "${ZORMINT_SIGN_PKCS12}")
    message(FATAL_ERROR "ZORMINT_SIGN_PKCS12 names ${ZORMINT_SIGN_PKCS12}, which does not exist")
  endif()
  if(NOT _zormint_sign_announced)
    message(STATUS "ZORMINT.dll and the packages are signed with ${ZORMINT_SIGN_PKCS12}")
  endif()
  # The command that signs what ships (empty when the build is unsigned).
  zormint_sign_command(ZORMINT_SIGN_COMMAND ${ZORMINT_SIGN_PKCS12})
else()
  if(NOT _zormint_sign_announced)
    message(STATUS "ZORMINT.dll and the packages are not signed: no certificate "
                   "(ZORMINT_SIGN_PKCS12, see tools/sign.sh)")
  endif()
  set(ZORMINT_SIGN_COMMAND "")
endif()

# zormint_sign_after_build(<target>): signs the target's file right after it is built.
function(zormint_sign_after_build target)
  if(ZORMINT_SIGN_COMMAND)
    add_custom_command(TARGET ${target} POST_BUILD
                       COMMAND ${ZORMINT_SIGN_COMMAND} $<TARGET_FILE:${target}>
                       COMMENT "Signing ${target}"
                       VERBATIM)
  endif()
endfunction()
