# The hardening tests drive whole stories of the real add-in in the simulated Outlook (sim/session)
# and read the process's own counters (psapi).
target_link_libraries(${target} PRIVATE zormint_sim_session psapi)
add_dependencies(${target} outlook-sim viewer-recorder)
# The sample mailbox, as Wine sees the source tree.
target_compile_definitions(${target} PRIVATE "ZORMINT_SAMPLES_DIR=\"Z:${PROJECT_SOURCE_DIR}/samples\"")
