# Rooms: one folder of sources, one CMake target. A room may include the headers of the rooms it
# links (directly or through them) and of no other room: the link dependencies are the layering,
# and a build step checks every room's #include lines against them, so that a wrong include
# fails the build with a message naming the file, the header and the rooms it may use.
#
#   zormint_room(<target> DIR <folder> [DEPS <targets and libraries...>] [EXCLUDE <files...>])
#
# The room is a static library of every .cpp in <folder> (EXCLUDE left out), or an interface
# library when it has none. Its headers are included by their path below src/ ("host/host.h",
# "win32/com/com_ref.h") or, outside src/, below the project ("sim/model/outlook_sim.h").

set(_zormint_rooms_script ${CMAKE_CURRENT_LIST_DIR}/check_includes.cmake)

function(zormint_room target)
  cmake_parse_arguments(ARG "" "DIR" "DEPS;EXCLUDE" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${ARG_DIR}/*.cpp)
  foreach(excluded ${ARG_EXCLUDE})
    list(REMOVE_ITEM sources ${ARG_DIR}/${excluded})
  endforeach()
  if(sources)
    add_library(${target} STATIC ${sources})
    set(scope PUBLIC)
  else()
    add_library(${target} INTERFACE)
    set(scope INTERFACE)
  endif()
  target_include_directories(${target} ${scope} ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR})
  target_link_libraries(${target} ${scope} ${ARG_DEPS})

  file(RELATIVE_PATH prefix ${PROJECT_SOURCE_DIR}/src ${ARG_DIR})
  if(prefix MATCHES "^\\.\\.")
    file(RELATIVE_PATH prefix ${PROJECT_SOURCE_DIR} ${ARG_DIR})
  endif()
  set_property(TARGET ${target} PROPERTY ZORMINT_ROOM_DIR ${ARG_DIR})
  set_property(TARGET ${target} PROPERTY ZORMINT_ROOM_PREFIX ${prefix})
  set_property(GLOBAL APPEND PROPERTY ZORMINT_ROOMS ${target})
endfunction()

# The rooms `target` links, itself included, through every level.
function(_zormint_room_closure target out)
  set(seen ${target})
  set(todo ${target})
  while(todo)
    list(POP_FRONT todo current)
    get_target_property(type ${current} TYPE)
    if(type STREQUAL "INTERFACE_LIBRARY")
      get_target_property(deps ${current} INTERFACE_LINK_LIBRARIES)
    else()
      get_target_property(deps ${current} LINK_LIBRARIES)
    endif()
    foreach(dep ${deps})
      if(TARGET ${dep} AND NOT dep IN_LIST seen)
        list(APPEND seen ${dep})
        list(APPEND todo ${dep})
      endif()
    endforeach()
  endwhile()
  set(${out} ${seen} PARENT_SCOPE)
endfunction()

# Called once all targets exist: adds the include check of every room.
function(zormint_check_rooms)
  get_property(rooms GLOBAL PROPERTY ZORMINT_ROOMS)
  set(known "")
  foreach(room ${rooms})
    get_target_property(prefix ${room} ZORMINT_ROOM_PREFIX)
    list(APPEND known "${prefix}=${room}")
  endforeach()
  foreach(room ${rooms})
    get_target_property(dir ${room} ZORMINT_ROOM_DIR)
    _zormint_room_closure(${room} closure)
    set(allowed "")
    foreach(dep ${closure})
      get_target_property(prefix ${dep} ZORMINT_ROOM_PREFIX)
      if(prefix)
        list(APPEND allowed ${prefix})
      endif()
    endforeach()
    file(GLOB files CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h)
    set(args ${CMAKE_BINARY_DIR}/rooms/${room}.cmake)
    file(CONFIGURE OUTPUT ${args} CONTENT
         "set(ROOM \"${room}\")\nset(FILES \"${files}\")\nset(ALLOWED \"${allowed}\")\nset(KNOWN \"${known}\")\n")
    set(stamp ${CMAKE_BINARY_DIR}/rooms/${room}.checked)
    add_custom_command(OUTPUT ${stamp}
                       COMMAND ${CMAKE_COMMAND} -DARGS=${args} -P ${_zormint_rooms_script}
                       COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
                       DEPENDS ${files} ${args} ${_zormint_rooms_script}
                       COMMENT "Checking the includes of ${room}" VERBATIM)
    add_custom_target(${room}_includes DEPENDS ${stamp})
    add_dependencies(${room} ${room}_includes)
  endforeach()
endfunction()
