#The binding is tested directly, in the test program, over hand - written COM objects.
target_link_libraries(${target} PRIVATE zormint_win32)
