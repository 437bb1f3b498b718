# tarvik_windows_version(TARGET DESCRIPTION): gives a Windows executable the
# version information resource (file properties: description, version),
# numbered from the project version.
function(tarvik_windows_version target description)
  if(NOT WIN32 OR NOT TARGET ${target})
    return()
  endif()
  enable_language(RC)
  set(TARVIK_RC_NAME ${target})
  set(TARVIK_RC_DESCRIPTION ${description})
  set(TARVIK_RC_MINOR ${PROJECT_VERSION_MINOR})
  if(NOT TARVIK_RC_MINOR)
    set(TARVIK_RC_MINOR 0)
  endif()
  set(rc ${CMAKE_BINARY_DIR}/version/${target}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()
