# Installs the build into a fresh folder and checks what a desktop needs.
set(prefix ${BUILD_DIR}/install-check)
file(REMOVE_RECURSE ${prefix})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix}
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
foreach(file
    bin/Orvanta
    share/orvanta/Hilfe/VelmorTeilE4.html
    share/orvanta/beispiele/Kalibrierung-DPr-EVD.xml
    share/doc/orvanta/copyright
    share/doc/orvanta/changelog.gz
    share/applications/orvanta.desktop
    share/icons/hicolor/scalable/apps/orvanta.svg
    share/mime/packages/orvanta-kalibrierung.xml)
  if(NOT EXISTS ${prefix}/${file})
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()
# The two libraries in the program's own folder, without development links.
foreach(library Pictrel Sorbel)
  file(GLOB found ${prefix}/lib*/orvanta/lib${library}.so.1 ${prefix}/lib/*/orvanta/lib${library}.so.1)
  if(NOT found)
    message(FATAL_ERROR "not installed: lib${library}.so.1")
  endif()
endforeach()
file(READ ${prefix}/share/applications/orvanta.desktop desktop)
foreach(line "Name=Kalibrierung nach Velmor Teil E 4" "Exec=Orvanta %f" "Icon=orvanta"
             "MimeType=application/x-velmor-kalibrierung+xml;")
  string(FIND "${desktop}" "${line}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "desktop entry lacks: ${line}")
  endif()
endforeach()
# The installed program finds its libraries and its help.
execute_process(COMMAND ${prefix}/bin/Orvanta --help RESULT_VARIABLE result OUTPUT_VARIABLE out)
if(NOT result EQUAL 0 OR NOT out MATCHES "Aufruf:")
  message(FATAL_ERROR "the installed program does not run: ${result} ${out}")
endif()
execute_process(COMMAND ${prefix}/bin/Orvanta --auswertung
                        ${prefix}/share/orvanta/beispiele/Kalibrierung-DPr-EVD.xml
                RESULT_VARIABLE result OUTPUT_VARIABLE out)
if(NOT result EQUAL 0 OR NOT out MATCHES "Bestimmtheitsmaß")
  message(FATAL_ERROR "the installed program does not evaluate: ${result} ${out}")
endif()
file(REMOVE_RECURSE ${prefix})
