# Message tables from .mc files with the toolchain's message compiler (windmc), for the Windows
# event log: the Event Viewer formats an entry with the message its event id names in the
# table of the event source's EventMessageFile.
include_guard(GLOBAL)

if(NOT ZORMINT_WINDMC)
  find_program(ZORMINT_WINDMC NAMES ${ZORMINT_MINGW_TRIPLE}-windmc windmc REQUIRED)
endif()

# zormint_message_table(<target> <mc file> <comment>): makes <name>.h (the event ids),
# <name>.rc and its message binaries (name: the .mc file's name without extension) in
# ${CMAKE_CURRENT_BINARY_DIR}/generated, and a target of that name that builds them. Add the
# .rc to the library's sources (its include directories must hold the generated folder, where
# the resource compiler finds the binaries).
function(zormint_message_table target mc comment)
  get_filename_component(name ${mc} NAME_WE)
  set(generated ${CMAKE_CURRENT_BINARY_DIR}/generated)
  add_custom_command(
    OUTPUT ${generated}/${name}.h ${generated}/${name}.rc ${generated}/MSG00409.bin
    COMMAND ${CMAKE_COMMAND} -E make_directory ${generated}
    COMMAND ${ZORMINT_WINDMC} -h ${generated} -r ${generated} ${mc}
    DEPENDS ${mc}
    COMMENT ${comment}
    VERBATIM)
  add_custom_target(${target} DEPENDS ${generated}/${name}.h ${generated}/${name}.rc)
  set_source_files_properties(${generated}/${name}.rc PROPERTIES GENERATED TRUE
                              OBJECT_DEPENDS ${generated}/MSG00409.bin)
endfunction()
