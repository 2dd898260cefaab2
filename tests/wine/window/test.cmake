# The simulated Outlook in windows with the real add-in: the tests drive its windows in their
# own process (the window library) and start the program built beside them.
target_link_libraries(${target} PRIVATE zormint_sim_window comctl32 gdi32 user32)
add_dependencies(${target} outlook-sim-window viewer-recorder)
# The dialog tests' user, who works inside the add-in's modal dialog.
target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests/wine/dialog/dialog_user.cpp)
# The sample mailbox, as Wine sees the source tree.
target_compile_definitions(${target} PRIVATE "ZORMINT_SAMPLES_DIR=\"Z:${PROJECT_SOURCE_DIR}/samples\"")
