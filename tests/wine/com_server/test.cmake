# The resources of the DLL are compared with the files they are made from.
target_link_libraries(${target} PRIVATE zormint_resources)
target_compile_definitions(${target} PRIVATE
                           "ZORMINT_RESOURCES_DIR=\"Z:${PROJECT_SOURCE_DIR}/src/resources\"")
