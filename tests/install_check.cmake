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
# The three libraries in the program's own folder, without development links.
foreach(library OrvantaRuntime Pictrel Sorbel)
  file(GLOB found ${prefix}/lib*/orvanta/lib${library}.so.1 ${prefix}/lib/*/orvanta/lib${library}.so.1)
  if(NOT found)
    message(FATAL_ERROR "not installed: lib${library}.so.1")
  endif()
  set(lib_${library} ${found})
endforeach()
# The run-time exists once in the process: both libraries load it beside
# them and carry no copy of it (no rt:: definitions of their own).
foreach(library Pictrel Sorbel)
  execute_process(COMMAND ${READELF} -d ${lib_${library}} OUTPUT_VARIABLE dynamic)
  if(NOT dynamic MATCHES "NEEDED[^\n]*libOrvantaRuntime\\.so\\.1" OR
     NOT dynamic MATCHES "RUNPATH[^\n]*\\[\\$ORIGIN\\]")
    message(FATAL_ERROR "lib${library} does not load the run-time beside it:\n${dynamic}")
  endif()
  execute_process(COMMAND ${NM} -DC --defined-only ${lib_${library}} OUTPUT_VARIABLE symbols)
  string(REGEX MATCHALL "[^\n]* rt::[^\n]*" copies "${symbols}")
  if(copies)
    message(FATAL_ERROR "lib${library} defines run-time symbols: ${copies}")
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
