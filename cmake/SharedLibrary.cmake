# A deliverable shared library: an alias target, version and so-version, hidden
# visibility with a generated export header, build and install include folders.
# Every library but the run-time itself links the run-time, so that its
# process-wide state (the user locale, the interrupt handler) exists once.
include(GenerateExportHeader)

function(orvanta_shared_library name qt_module)
  string(TOLOWER ${name} lower)
  add_library(${name}::${name} ALIAS ${name})
  generate_export_header(${name} BASE_NAME ${lower} EXPORT_FILE_NAME ${lower}_export.h)
  set_target_properties(${name} PROPERTIES
    VERSION ${PROJECT_VERSION}
    SOVERSION ${PROJECT_VERSION_MAJOR}
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON
    # Installed side by side: each finds the others in its own folder.
    INSTALL_RPATH "$ORIGIN"
  )
  target_include_directories(${name} PUBLIC
    $<BUILD_INTERFACE:${CMAKE_CURRENT_SOURCE_DIR}>
    $<BUILD_INTERFACE:${CMAKE_CURRENT_BINARY_DIR}>
    $<INSTALL_INTERFACE:include/${name}>
  )
  target_link_libraries(${name} PUBLIC ${qt_module})
  if(NOT name STREQUAL runtime)
    target_link_libraries(${name} PUBLIC runtime)
  endif()
  # The program's own libraries: no headers, no development links.
  install(TARGETS ${name} EXPORT ${name}Targets
    LIBRARY DESTINATION ${ORVANTA_LIBDIR} NAMELINK_SKIP)
endfunction()
