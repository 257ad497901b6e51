# Checks of the Windows builds, run from the native test suite when the
# 32-bit and 64-bit build folders are named (scripts/test names them).
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(windows_checks ${CMAKE_CURRENT_LIST_DIR})
add_test(NAME windows.builds
  COMMAND Python3::Interpreter ${windows_checks}/check_windows_builds.py ${TANSY_WIN32_DIR} ${TANSY_WIN64_DIR}
          ${PROJECT_VERSION})
# Every return of every export of the 32-bit library removes the export's
# arguments (stdcall), read from its machine code.
add_test(NAME windows.stdcall
  COMMAND Python3::Interpreter ${windows_checks}/check_stdcall.py ${TANSY_WIN32_DIR}/bin/TANSY_WFX.wfx)
# ... and refuses a library whose FsFindFirst is cdecl.
add_test(NAME windows.stdcall.refuses_cdecl
  COMMAND Python3::Interpreter ${windows_checks}/check_stdcall.py ${TANSY_WIN32_DIR}/bin/tansy_cdecl_slip.wfx)
set_tests_properties(windows.stdcall.refuses_cdecl PROPERTIES
  PASS_REGULAR_EXPRESSION "FAIL: FsFindFirst: the return at RVA 0x[0-9a-f]+ is cdecl, removing nothing")

set(package ${CMAKE_BINARY_DIR}/package/TANSY_WFX.zip)
add_test(NAME windows.package.build
  COMMAND ${CMAKE_COMMAND} -DWIN32_LIB=${TANSY_WIN32_DIR}/bin/TANSY_WFX.wfx
          -DWIN64_LIB=${TANSY_WIN64_DIR}/bin/TANSY_WFX.wfx64 -DVERSION=${PROJECT_VERSION}
          -DOUTPUT=${package} -P ${CMAKE_SOURCE_DIR}/package/Package.cmake)
set_tests_properties(windows.package.build PROPERTIES FIXTURES_SETUP windows_package)
add_test(NAME windows.package.contents
  COMMAND Python3::Interpreter ${windows_checks}/check_package.py ${package})
set_tests_properties(windows.package.contents PROPERTIES FIXTURES_REQUIRED windows_package)
