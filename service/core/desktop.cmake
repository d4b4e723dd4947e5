# The desktop program NorvikDoorLock: main window, about box and entry over the
# core, built with the operator windows (included from service/windows, so the
# core's own targets stay free of Qt).
add_library(service_desktop STATIC
  ${CMAKE_CURRENT_LIST_DIR}/MainFormUnit.cpp
  ${CMAKE_CURRENT_LIST_DIR}/AboutFormUnit.cpp)
set_target_properties(service_desktop PROPERTIES AUTOMOC ON)
target_include_directories(service_desktop PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(service_desktop PUBLIC service_windows service_core Qt6::Widgets)

add_executable(NorvikDoorLock ${CMAKE_CURRENT_LIST_DIR}/NorvikDoorLockMain.cpp)
target_link_libraries(NorvikDoorLock PRIVATE service_desktop)
if(DEFINED CLIENT_MDB_IN_BIN_TARGET)
  add_dependencies(NorvikDoorLock ${CLIENT_MDB_IN_BIN_TARGET})
endif()
