# The platform services are tested directly: the program links the Win32 services, Winsock for
# its loopback HTTP server, and needs the recorder program (tools/) beside it.
target_link_libraries(${target} PRIVATE zormint_win32 ws2_32)
add_dependencies(${target} zormint_recorder)
