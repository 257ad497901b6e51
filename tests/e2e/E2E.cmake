# End to end in the real Double Commander (label e2e). Skipped where its
# programs are missing; scripts/test installs them and requires the test.
# Not in sanitizer builds: an instrumented library cannot be loaded into an
# uninstrumented file manager.
if(NOT TANSY_SANITIZE)
  add_test(NAME e2e.doublecmd
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/doublecmd_e2e.sh ${CMAKE_BINARY_DIR})
  set_tests_properties(e2e.doublecmd PROPERTIES
    LABELS e2e SKIP_RETURN_CODE 77 RUN_SERIAL TRUE TIMEOUT 600)
endif()
