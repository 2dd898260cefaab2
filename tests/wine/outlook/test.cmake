# The tests of the simulated Outlook's COM face and of whole stories with the real add-in: they
# link the face (sim/com) and the story player (sim/session) and start the programs built beside it.
target_link_libraries(${target} PRIVATE zormint_sim_session)
add_dependencies(${target} outlook-sim viewer-recorder)
# The sample mailbox, as Wine sees the source tree.
target_compile_definitions(${target} PRIVATE "ZORMINT_SAMPLES_DIR=\"Z:${PROJECT_SOURCE_DIR}/samples\"")
# The add-in's adapters and event sinks, linked here to be driven over the face.
target_link_libraries(${target} PRIVATE zormint_win32)
