# The windowless context and the PNG writer: the tools draw and save their
# pictures with them, and the pixel tests and benchmarks use the same ones.
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
  PRIVATE mqo_flags PkgConfig::MQO_SPNG PkgConfig::MQO_EPOXY)
