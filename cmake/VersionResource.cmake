# A version resource for a Windows binary, compiled by the toolchain's windres:
# the file's properties on Windows show the product, the version and what
# the file is.
#   tansy_version_resource(TARGET FILE_NAME DESCRIPTION)
# FILE_NAME is the name the target's file bears (OriginalFilename); the
# version is the project's, as four words (1.0.0 gives 1,0,0,0).
function(tansy_version_resource target file_name description)
  set(words)
  foreach(part MAJOR MINOR PATCH TWEAK)
    if(PROJECT_VERSION_${part} STREQUAL "")
      list(APPEND words 0)
    else()
      list(APPEND words ${PROJECT_VERSION_${part}})
    endif()
  endforeach()
  list(JOIN words "," TANSY_RC_VERSION_WORDS)
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    set(TANSY_RC_FILE_TYPE VFT_APP)
  else()
    set(TANSY_RC_FILE_TYPE VFT_DLL)
  endif()
  set(TANSY_RC_FILE_NAME ${file_name})
  set(TANSY_RC_DESCRIPTION ${description})
  get_filename_component(TANSY_RC_INTERNAL_NAME ${file_name} NAME_WLE)
  set(resource ${CMAKE_BINARY_DIR}/version/${target}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/platform/win32/VersionInfo.rc.in ${resource} @ONLY)
  target_sources(${target} PRIVATE ${resource})
endfunction()
