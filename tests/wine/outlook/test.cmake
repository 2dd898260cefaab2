# The tests of the simulated Outlook's COM face and of whole stories with the real add-in: they
# link the face (sim/com) and start the programs built beside it.
target_link_libraries(${target} PRIVATE zormint_sim_com)
add_dependencies(${target} outlook-sim viewer-recorder)
