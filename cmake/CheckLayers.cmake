# Fails when a file of one folder includes a header of a folder its layer
# may not use (README.md, "Layers"). The build refuses most such includes,
# since a library sees only the folders of what it links; this also reads
# headers, which are compiled only where another library includes them.
#   cmake -DSOURCE_DIR=<tree> -P cmake/CheckLayers.cmake
cmake_minimum_required(VERSION 3.25)

if(NOT SOURCE_DIR)
  message(FATAL_ERROR "Set SOURCE_DIR to the tree to check.")
endif()

# Folder = the folders its files may include from, besides its own.
set(layers
  "preview/platform="
  "ui=preview/platform"
  "preview=printer,preview/platform,ui"
  "printer=preview,preview/platform,ui"
  "preview/form=preview,printer,preview/platform,ui"
  "app=preview/form,preview,printer,preview/platform,ui")

set(folders)
foreach(entry IN LISTS layers)
  string(REPLACE "=" ";" parts "${entry}")
  list(GET parts 0 folder)
  list(APPEND folders ${folder})
  set(allowed_${folder} "")
  list(LENGTH parts n)
  if(n GREATER 1)
    list(GET parts 1 uses)
    string(REPLACE "," ";" allowed_${folder} "${uses}")
  endif()
  file(GLOB headers RELATIVE ${SOURCE_DIR}/${folder} ${SOURCE_DIR}/${folder}/*.h)
  foreach(h IN LISTS headers)
    set(home_${h} ${folder})
  endforeach()
endforeach()

set(faults)
foreach(folder IN LISTS folders)
  file(GLOB files RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.cpp)
  list(SORT files)
  foreach(f IN LISTS files)
    file(STRINGS ${SOURCE_DIR}/${f} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*" "\\1" name "${line}")
      get_filename_component(name "${name}" NAME)
      set(home "${home_${name}}")
      # Headers of no folder (generated ones, the tests') are not checked.
      if(home STREQUAL "" OR home STREQUAL folder OR home IN_LIST allowed_${folder})
        continue()
      endif()
      list(APPEND faults "  ${f} includes ${name} (${home}/), which ${folder}/ may not use")
    endforeach()
  endforeach()
endforeach()

list(LENGTH faults count)
if(count GREATER 0)
  list(JOIN faults "\n" text)
  message(FATAL_ERROR "${count} includes against the direction of the layers:\n${text}\n")
endif()
message(STATUS "Every include follows the layers.")
