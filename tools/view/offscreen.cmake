# The windowless context and the PNG writer: the tools draw and save their
# pictures with them, and the pixel tests and benchmarks use the same ones.
# Output files written whole or not at all (the converters use it too).
add_library(mqo_output_file STATIC ${CMAKE_CURRENT_LIST_DIR}/../batch/output_file.cpp
  ${PROJECT_SOURCE_DIR}/mqo/file_output_${MQO_SYSTEM}.cpp)
target_include_directories(mqo_output_file PUBLIC ${CMAKE_CURRENT_LIST_DIR}/..
  PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(mqo_output_file PRIVATE mqo_flags)
# The context is EGL's, or WGL's on a hidden window where there is no EGL.
if(WIN32)
  set(mqo_offscreen_context ${CMAKE_CURRENT_LIST_DIR}/offscreen_wgl.cpp)
  set(mqo_offscreen_libs OpenGL::GL gdi32 user32)
else()
  set(mqo_offscreen_context ${CMAKE_CURRENT_LIST_DIR}/offscreen_egl.cpp)
  set(mqo_offscreen_libs OpenGL::OpenGL OpenGL::EGL)
endif()
add_library(mqo_offscreen STATIC
  ${CMAKE_CURRENT_LIST_DIR}/offscreen.cpp
  ${mqo_offscreen_context}
  ${CMAKE_CURRENT_LIST_DIR}/png_file.cpp)
target_include_directories(mqo_offscreen PUBLIC ${CMAKE_CURRENT_LIST_DIR}/..)
target_link_libraries(mqo_offscreen PUBLIC ${mqo_offscreen_libs}
  PRIVATE mqo_flags mqo_output_file PkgConfig::MQO_SPNG PkgConfig::MQO_EPOXY)
