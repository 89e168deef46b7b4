# The engine as a package for other programs: its static libraries, the
# headers an application includes (under include/mirvak) and a CMake package,
# so that another project can say
#   find_package(Mirvak REQUIRED)
#   target_link_libraries(app PRIVATE Mirvak::Engine)
include(CMakePackageConfigHelpers)

set(MIRVAK_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/Mirvak)
set(MIRVAK_INSTALL_HEADERDIR ${CMAKE_INSTALL_INCLUDEDIR}/mirvak)

# The headers an application uses: the document's own (less the internal
# *_p.h), the printer services it chooses its output with, and every header
# of the engine's folders these include, followed to the end.
set(engine_dirs preview printer preview/platform preview/form)
file(GLOB api_headers ${PROJECT_SOURCE_DIR}/preview/*.h ${PROJECT_SOURCE_DIR}/printer/*.h)
list(FILTER api_headers EXCLUDE REGEX "_p\\.h$")
foreach(h IN ITEMS plPrinter.h plPrinterService.h plCupsPrinterService.h plMemoryPrinterService.h
                   plFileOutputService.h plDevMode.h plMessageBox.h plSaveFile.h)
  list(APPEND api_headers ${PROJECT_SOURCE_DIR}/preview/platform/${h})
endforeach()
set(public_headers)
while(api_headers)
  list(POP_FRONT api_headers header)
  if(header IN_LIST public_headers)
    continue()
  endif()
  list(APPEND public_headers ${header})
  file(STRINGS ${header} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*" "\\1" name "${line}")
    foreach(dir IN LISTS engine_dirs)
      if(EXISTS ${PROJECT_SOURCE_DIR}/${dir}/${name})
        list(APPEND api_headers ${PROJECT_SOURCE_DIR}/${dir}/${name})
      endif()
    endforeach()
  endforeach()
endwhile()
install(FILES ${public_headers} DESTINATION ${MIRVAK_INSTALL_HEADERDIR} COMPONENT Development)

# The libraries, with the document's window and the program's shared
# services that the engine links.
install(TARGETS mirvak_platform mirvak_ui mirvak_document mirvak_preview mirvak_engine
  EXPORT MirvakTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Development)
set_target_properties(mirvak_platform PROPERTIES EXPORT_NAME Platform)
set_target_properties(mirvak_ui PROPERTIES EXPORT_NAME Ui)
set_target_properties(mirvak_document PROPERTIES EXPORT_NAME Document)
set_target_properties(mirvak_preview PROPERTIES EXPORT_NAME Preview)
install(EXPORT MirvakTargets NAMESPACE Mirvak:: DESTINATION ${MIRVAK_INSTALL_CMAKEDIR} COMPONENT Development)

configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/MirvakConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/MirvakConfig.cmake
  INSTALL_DESTINATION ${MIRVAK_INSTALL_CMAKEDIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/MirvakConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/MirvakConfig.cmake ${CMAKE_CURRENT_BINARY_DIR}/MirvakConfigVersion.cmake
  DESTINATION ${MIRVAK_INSTALL_CMAKEDIR} COMPONENT Development)
