# The artwork is drawn by tools/make_art.py; its output is committed under res/art.
set(TARVOLO_RESOURCE_FILE ${CMAKE_SOURCE_DIR}/res/tarvolo.rc)
set_source_files_properties(${TARVOLO_RESOURCE_FILE} PROPERTIES
  OBJECT_DEPENDS "${CMAKE_SOURCE_DIR}/res/tarvolo.manifest;${CMAKE_SOURCE_DIR}/res/resource.h")
