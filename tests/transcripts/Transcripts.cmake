# One test per NAME.scn in this folder: `tansy script NAME.scn` must print
# exactly NAME.out (run_transcript.py tells the directives a scenario may hold).
find_package(Python3 COMPONENTS Interpreter REQUIRED)

file(GLOB TANSY_TRANSCRIPT_SCENARIOS CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.scn)
foreach(scenario IN LISTS TANSY_TRANSCRIPT_SCENARIOS)
  get_filename_component(name ${scenario} NAME_WLE)
  add_test(NAME transcript.${name}
    COMMAND Python3::Interpreter ${CMAKE_CURRENT_LIST_DIR}/run_transcript.py
            --tansy $<TARGET_FILE:tansy> ${scenario})
  set_tests_properties(transcript.${name} PROPERTIES LABELS "transcript" TIMEOUT 180)
endforeach()
