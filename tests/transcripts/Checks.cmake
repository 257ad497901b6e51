# Whole hotlists through the library: every folder's listing and every
# bookmark's properties box against an independent parser (check_tree.py);
# and the small transcript hotlists against the script that makes them.
find_package(Python3 COMPONENTS Interpreter REQUIRED)

foreach(codepage 1251 65001)
  add_test(NAME check_tree.cp${codepage}
    COMMAND Python3::Interpreter ${CMAKE_CURRENT_LIST_DIR}/check_tree.py
            --tansy $<TARGET_FILE:tansy> --codepage ${codepage}
            ${CMAKE_CURRENT_LIST_DIR}/hotlists/realistic.hotlist
            ${PROJECT_SOURCE_DIR}/data/sample.hotlist)
  set_tests_properties(check_tree.cp${codepage} PROPERTIES LABELS "transcript" TIMEOUT 300)
endforeach()

add_test(NAME transcript_hotlists.current
  COMMAND Python3::Interpreter ${CMAKE_CURRENT_LIST_DIR}/make_hotlists.py --check)
set_tests_properties(transcript_hotlists.current PROPERTIES LABELS "transcript")
