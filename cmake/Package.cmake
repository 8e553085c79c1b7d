# The release: `cmake --build build/win --target package` writes
# tarvolo-<version>-win64.zip with one folder, Tarvolo, holding the program, its
# help, the command line's tarvolo-find.exe, the users' README.txt and the license. One fixed folder name lets a new
# version be unpacked over an old one: the settings and lists beside the
# executable and the Startup shortcut's target stay where they were.
set(TARVOLO_README_TEXT ${CMAKE_BINARY_DIR}/README.txt)
add_custom_command(OUTPUT ${TARVOLO_README_TEXT}
  COMMAND ${CMAKE_COMMAND} -DIN=${CMAKE_SOURCE_DIR}/README.md -DOUT=${TARVOLO_README_TEXT}
          -P ${CMAKE_SOURCE_DIR}/cmake/ReadmeText.cmake
  DEPENDS ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/cmake/ReadmeText.cmake
  COMMENT "README.txt from the users' part of README.md")
add_custom_target(readme_text ALL DEPENDS ${TARVOLO_README_TEXT})

install(TARGETS tarvolo tarvolo-find RUNTIME DESTINATION Tarvolo)
install(FILES ${CMAKE_SOURCE_DIR}/docs/Tarvolo.html ${TARVOLO_README_TEXT} ${CMAKE_SOURCE_DIR}/LICENSE
  DESTINATION Tarvolo)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(TARVOLO_PLATFORM win64)
else()
  set(TARVOLO_PLATFORM win32)
endif()
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME tarvolo)
set(CPACK_PACKAGE_VENDOR "The Tarvolo developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME tarvolo-${PROJECT_VERSION}-${TARVOLO_PLATFORM})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
include(CPack)
