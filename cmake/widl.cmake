# Type libraries and C++ declarations from IDL files with Wine's IDL compiler, so that a
# library's names and numbers cannot drift from the declarations the code is built with. widl
# takes the system IDL files from Wine's headers and stdole2.tlb from Wine's own DLLs.
include_guard(GLOBAL)

if(NOT ZORMINT_WIDL)
  find_program(ZORMINT_WIDL NAMES ${ZORMINT_MINGW_TRIPLE}-widl widl REQUIRED)
endif()
find_path(ZORMINT_WINE_IDL_DIR oaidl.idl PATHS /usr/include/wine/wine/windows
          NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
find_path(ZORMINT_STDOLE_DIR stdole2.tlb
          PATHS /usr/lib/x86_64-linux-gnu/wine/x86_64-windows /usr/lib/i386-linux-gnu/wine/i386-windows
                /usr/lib/wine/x86_64-windows /usr/lib/wine/i386-windows
          NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)

# zormint_type_library(<target> <idl file> <comment>): makes <name>.tlb and <name>_idl.h (name:
# the IDL file's name without extension) in ${CMAKE_CURRENT_BINARY_DIR}/generated, for the
# bitness being built, and a target of that name that builds them.
function(zormint_type_library target idl comment)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(arch --win64)
  else()
    set(arch --win32)
  endif()
  get_filename_component(name ${idl} NAME_WE)
  set(generated ${CMAKE_CURRENT_BINARY_DIR}/generated)
  add_custom_command(
    OUTPUT ${generated}/${name}.tlb ${generated}/${name}_idl.h
    COMMAND ${CMAKE_COMMAND} -E make_directory ${generated}
    COMMAND ${ZORMINT_WIDL} ${arch} -I ${ZORMINT_WINE_IDL_DIR} -L ${ZORMINT_STDOLE_DIR}
            -t -o ${generated}/${name}.tlb ${idl}
    COMMAND ${ZORMINT_WIDL} ${arch} -I ${ZORMINT_WINE_IDL_DIR} -h -o ${generated}/${name}_idl.h
            ${idl}
    DEPENDS ${idl}
    COMMENT ${comment}
    VERBATIM)
  add_custom_target(${target} DEPENDS ${generated}/${name}.tlb ${generated}/${name}_idl.h)
endfunction()
