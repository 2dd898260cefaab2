# The dialog tests run the toolkit directly (linked in, not through ZORMINT.dll) under the form
# logic, with the portable fakes for the services they do not look at. The program carries the
# library's embedded resources, so that its forms get their icon from the button face as the
# add-in's do.
target_link_libraries(${target} PRIVATE zormint_win32 zormint_sim comdlg32 gdi32 user32)
target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/src/resources/zormint_resources.rc)
target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/src/resources)
# The probe's test runs the real WinInet functions against the services' loopback server.
target_sources(${target} PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../services/loopback_server.cpp)
target_link_libraries(${target} PRIVATE ws2_32 wininet)
