# The artwork is drawn by tools/make_art.py; its output is committed under res/art.
set(TARVOLO_RESOURCE_FILE ${CMAKE_SOURCE_DIR}/res/tarvolo.rc)
# The version resource takes its numbers from the project's version.
set(TARVOLO_VERSION_PATCH ${PROJECT_VERSION_PATCH})
if(TARVOLO_VERSION_PATCH STREQUAL "")
  set(TARVOLO_VERSION_PATCH 0)
endif()
set(TARVOLO_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_SOURCE_DIR}/res/tarvolo_version.h.in ${TARVOLO_GENERATED_DIR}/tarvolo_version.h @ONLY)
set_source_files_properties(${TARVOLO_RESOURCE_FILE} PROPERTIES
  OBJECT_DEPENDS "${CMAKE_SOURCE_DIR}/res/tarvolo.manifest;${CMAKE_SOURCE_DIR}/res/resource.h;${TARVOLO_GENERATED_DIR}/tarvolo_version.h")
