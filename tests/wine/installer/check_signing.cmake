# Checks, from the Linux side, what signing makes of ZORMINT.dll and a package: the build signed
# a copy of the DLL and a package holding that copy with a throw-away certificate, the way a
# build with a real certificate signs what ships (tools/sign.sh).
#   - each signature verifies against the certificate, and the package holds the signed DLL;
#   - one changed byte in either file breaks its signature;
#   - signing a signed file again replaces its signature;
#   - a signing that cannot finish (an unreachable time-stamp server, no password) fails
#     loudly and leaves the file as it was.
#   cmake -DDLL=<the build's ZORMINT.dll> -DSIGNED_DLL=<signed copy> -DSIGNED_PACKAGE=<msi>
#         -DCERTIFICATE=<pem> -DPKCS12=<p12> -DPASSWORD=<its password> -DSIGN=<tools/sign.sh>
#         -DOSSLSIGNCODE=<osslsigncode> -DMSIEXTRACT=<msiextract> -DWORK_DIR=<scratch folder>
#         -P check_signing.cmake
cmake_minimum_required(VERSION 3.25)

foreach(arg DLL SIGNED_DLL SIGNED_PACKAGE CERTIFICATE PKCS12 PASSWORD SIGN OSSLSIGNCODE MSIEXTRACT
        WORK_DIR)
  if(NOT DEFINED ${arg})
    message(FATAL_ERROR "check_signing.cmake needs -D${arg}=...")
  endif()
endforeach()

set(failures "")
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})

# Verifies `file` against the test certificate: sets `out` to the number of signatures that
# verified, 0 when verification failed.
function(verified_signatures out file)
  execute_process(COMMAND ${OSSLSIGNCODE} verify -CAfile ${CERTIFICATE} -in ${file}
                  OUTPUT_VARIABLE text ERROR_VARIABLE errors RESULT_VARIABLE result)
  if(result EQUAL 0 AND text MATCHES "Signature verification: ok"
     AND text MATCHES "Number of verified signatures: ([0-9]+)")
    set(${out} ${CMAKE_MATCH_1} PARENT_SCOPE)
  else()
    set(${out} 0 PARENT_SCOPE)
  endif()
endfunction()

# A copy of `file` with one byte changed in its middle (inside the code of a DLL and the
# compressed DLL of a package).
function(changed_copy file copy)
  file(COPY_FILE ${file} ${copy})
  file(SIZE ${file} size)
  math(EXPR middle "${size} / 2")
  file(READ ${file} byte OFFSET ${middle} LIMIT 1 HEX)
  if(byte STREQUAL "00")
    set(other "\\001")
  else()
    set(other "\\000")
  endif()
  execute_process(COMMAND sh -c "printf '${other}' | dd of='${copy}' bs=1 seek=${middle} conv=notrunc status=none"
                  RESULT_VARIABLE result)
  file(READ ${copy} changed OFFSET ${middle} LIMIT 1 HEX)
  if(NOT result EQUAL 0 OR changed STREQUAL byte)
    message(FATAL_ERROR "cannot change a byte of ${copy}")
  endif()
endfunction()

# Signs `file` with tools/sign.sh in the given environment; sets `out` to its exit code.
function(sign out file)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=ZORMINT_SIGN_TIMESTAMP
                          --unset=ZORMINT_SIGN_PASSWORD ZORMINT_SIGN_PKCS12=${PKCS12} ${ARGN}
                          ${SIGN} ${file}
                  OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE result)
  set(${out} ${result} PARENT_SCOPE)
  set(sign_errors "${errors}" PARENT_SCOPE)
endfunction()

# Both signatures verify; the package holds exactly the signed DLL.
foreach(file ${SIGNED_DLL} ${SIGNED_PACKAGE})
  verified_signatures(count ${file})
  if(NOT count EQUAL 1)
    string(APPEND failures "${file} does not carry one signature by the test certificate\n")
  endif()
endforeach()
execute_process(COMMAND ${MSIEXTRACT} -C ${WORK_DIR}/extracted ${SIGNED_PACKAGE} OUTPUT_QUIET
                ERROR_QUIET RESULT_VARIABLE result)
file(GLOB_RECURSE extracted ${WORK_DIR}/extracted/*ZORMINT.dll)
if(NOT result EQUAL 0 OR NOT extracted)
  string(APPEND failures "cannot extract ZORMINT.dll from ${SIGNED_PACKAGE}\n")
else()
  file(SHA256 ${extracted} packaged)
  file(SHA256 ${SIGNED_DLL} signed)
  if(NOT packaged STREQUAL signed)
    string(APPEND failures "the signed package does not hold the signed DLL\n")
  endif()
endif()
# The signed DLL is the build's DLL with a signature.
file(SIZE ${DLL} size)
file(SIZE ${SIGNED_DLL} signed_size)
if(NOT signed_size GREATER size)
  string(APPEND failures "the signed DLL (${signed_size} bytes) is not larger than the built one "
                        "(${size} bytes)\n")
endif()

# One changed byte breaks a signature.
foreach(file ${SIGNED_DLL} ${SIGNED_PACKAGE})
  get_filename_component(name ${file} NAME)
  changed_copy(${file} ${WORK_DIR}/changed-${name})
  verified_signatures(count ${WORK_DIR}/changed-${name})
  if(NOT count EQUAL 0)
    string(APPEND failures "${name} with one byte changed still verifies\n")
  endif()
endforeach()

# Signing again replaces the signature rather than adding one.
set(again ${WORK_DIR}/again.dll)
file(COPY_FILE ${SIGNED_DLL} ${again})
sign(result ${again} ZORMINT_SIGN_PASSWORD=${PASSWORD})
verified_signatures(count ${again})
if(NOT result EQUAL 0 OR NOT count EQUAL 1)
  string(APPEND failures "signing a signed DLL again gave ${count} signatures (exit ${result}): "
                        "${sign_errors}\n")
endif()

# A signing that cannot finish fails and leaves the file alone.
set(unfinished ${WORK_DIR}/unfinished.dll)
file(COPY_FILE ${DLL} ${unfinished})
file(SHA256 ${unfinished} before)
sign(result ${unfinished} ZORMINT_SIGN_PASSWORD=${PASSWORD}
     ZORMINT_SIGN_TIMESTAMP=http://127.0.0.1:9/)
file(SHA256 ${unfinished} after)
if(result EQUAL 0 OR NOT before STREQUAL after)
  string(APPEND failures "signing with an unreachable time-stamp server did not fail cleanly "
                        "(exit ${result})\n")
endif()
sign(result ${unfinished})
file(SHA256 ${unfinished} after)
if(result EQUAL 0 OR NOT sign_errors MATCHES "ZORMINT_SIGN_PASSWORD" OR NOT before STREQUAL after)
  string(APPEND failures "signing without a password did not fail cleanly (exit ${result}): "
                        "${sign_errors}\n")
endif()
file(GLOB leftovers ${WORK_DIR}/*.signing.*)
if(leftovers)
  string(APPEND failures "failed signings left files behind: ${leftovers}\n")
endif()

file(REMOVE_RECURSE ${WORK_DIR})
if(failures)
  message(FATAL_ERROR "${failures}")
endif()
message(STATUS "signatures of ${SIGNED_DLL} and ${SIGNED_PACKAGE} verify; changed bytes, "
               "re-signing and failed signings behave")
