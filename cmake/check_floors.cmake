# cmake -DROOT=<source folder> -P check_floors.cmake
#
# The display library's folders call one way: a file of a folder includes
# headers of its own floor or of a lower one only. Tests and fuzz targets
# stand above every floor (they drive the whole library) and are not
# checked. Fails, naming each file and include, when an include runs up.
if(NOT ROOT)
  message(FATAL_ERROR "check_floors: ROOT is not set")
endif()

# Floor of each folder, lowest first; the programs and libraries that use
# the display library lie above all of it.
set(floor_common 0)
set(floor_spectra 1)
set(floor_plotengine 1)
foreach(dir overlayctl spectrumctl specialctl reportpages reportmakers dialogs prefsheets)
  set(floor_${dir} 2)
endforeach()
set(floor_library 3)
foreach(dir quant setup host)
  set(floor_${dir} 4)
endforeach()
set(checked common spectra plotengine overlayctl spectrumctl specialctl reportpages reportmakers dialogs prefsheets
    library)

set(faults "")
set(files_seen 0)
foreach(dir ${checked})
  if(NOT IS_DIRECTORY ${ROOT}/${dir})
    continue()
  endif()
  file(GLOB_RECURSE sources LIST_DIRECTORIES false RELATIVE ${ROOT}
       ${ROOT}/${dir}/*.cpp ${ROOT}/${dir}/*.h ${ROOT}/${dir}/*.c ${ROOT}/${dir}/*.hpp)
  foreach(source ${sources})
    if(source MATCHES "^${dir}/(.*/)?(tests|fuzz)/")
      continue()
    endif()
    math(EXPR files_seen "${files_seen} + 1")
    file(STRINGS ${ROOT}/${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<][A-Za-z0-9_]+/")
    foreach(line ${includes})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[\"<]([A-Za-z0-9_]+)/.*$" "\\1" target "${line}")
      if(DEFINED floor_${target} AND floor_${target} GREATER floor_${dir})
        string(STRIP "${line}" line)
        list(APPEND faults "${source} (floor ${floor_${dir}}): ${line} (floor ${floor_${target}})")
      endif()
    endforeach()
  endforeach()
endforeach()

if(files_seen EQUAL 0)
  message(FATAL_ERROR "check_floors: no source found under ${ROOT}")
endif()
if(faults)
  list(LENGTH faults count)
  string(REPLACE ";" "\n  " text "${faults}")
  message(FATAL_ERROR "check_floors: ${count} include(s) run up a floor:\n  ${text}")
endif()
message(STATUS "check_floors: ${files_seen} files, every include on its own floor or below")
