# Builds the install package TANSY_WFX.zip from the two Windows libraries.
#   cmake -DWIN32_LIB=... -DWIN64_LIB=... -DVERSION=... -DOUTPUT=.../TANSY_WFX.zip -P Package.cmake
foreach(var WIN32_LIB WIN64_LIB VERSION OUTPUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "Package.cmake: ${var} is not set")
  endif()
endforeach()
foreach(lib ${WIN32_LIB} ${WIN64_LIB})
  if(NOT EXISTS ${lib})
    message(FATAL_ERROR "Package.cmake: ${lib} is missing; build the win32 and win64 presets first")
  endif()
endforeach()

get_filename_component(out_dir ${OUTPUT} DIRECTORY)
set(stage ${out_dir}/stage)
file(REMOVE_RECURSE ${stage})
file(MAKE_DIRECTORY ${stage})
set(PROJECT_VERSION ${VERSION})
configure_file(${CMAKE_CURRENT_LIST_DIR}/pluginst.inf.in ${stage}/pluginst.inf @ONLY NEWLINE_STYLE CRLF)
configure_file(${CMAKE_CURRENT_LIST_DIR}/TANSY_WFX.ini.sample ${stage}/TANSY_WFX.ini.sample COPYONLY)
file(COPY_FILE ${WIN32_LIB} ${stage}/TANSY_WFX.wfx)
file(COPY_FILE ${WIN64_LIB} ${stage}/TANSY_WFX.wfx64)
file(REMOVE ${OUTPUT})
execute_process(
  COMMAND ${CMAKE_COMMAND} -E tar cf ${OUTPUT} --format=zip
          pluginst.inf TANSY_WFX.wfx TANSY_WFX.wfx64 TANSY_WFX.ini.sample
  WORKING_DIRECTORY ${stage}
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "Package.cmake: zip failed (${result})")
endif()
file(REMOVE_RECURSE ${stage})
message(STATUS "Package: ${OUTPUT}")
