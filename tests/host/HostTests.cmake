# Tests of the tansy commands (ls, tree, props, exec, script, the command line
# and the loading of the library), one ctest per group of test_commands.py.
find_package(Python3 COMPONENTS Interpreter REQUIRED)

# Faulty stand-ins for the library (see PartialPlugin.cpp).
add_library(tansy_partial_plugin MODULE ${CMAKE_CURRENT_LIST_DIR}/PartialPlugin.cpp)
add_library(tansy_bare_plugin MODULE ${CMAKE_CURRENT_LIST_DIR}/PartialPlugin.cpp)
target_compile_definitions(tansy_bare_plugin PRIVATE TANSY_NO_HARNESS)
add_library(tansy_endless_plugin MODULE ${CMAKE_CURRENT_LIST_DIR}/PartialPlugin.cpp)
target_compile_definitions(tansy_endless_plugin PRIVATE TANSY_ENDLESS)
set_target_properties(tansy_partial_plugin tansy_bare_plugin tansy_endless_plugin PROPERTIES
  PREFIX "" SUFFIX ".wfx" CXX_VISIBILITY_PRESET hidden)

foreach(group IN ITEMS List Tree Properties Execute Script CommandLine Loading)
  add_test(NAME host.${group}
    COMMAND Python3::Interpreter ${CMAKE_CURRENT_LIST_DIR}/test_commands.py ${group}Tests)
  set_tests_properties(host.${group} PROPERTIES LABELS "host" TIMEOUT 300
    ENVIRONMENT "TANSY=$<TARGET_FILE:tansy>;TANSY_PARTIAL_PLUGIN=$<TARGET_FILE:tansy_partial_plugin>;TANSY_BARE_PLUGIN=$<TARGET_FILE:tansy_bare_plugin>;TANSY_ENDLESS_PLUGIN=$<TARGET_FILE:tansy_endless_plugin>;TANSY_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
endforeach()
