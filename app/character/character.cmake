# The character generator, run by the build.
set(character_sources ${CMAKE_CURRENT_LIST_DIR})
add_executable(make_character
  ${character_sources}/make_character.cpp
  ${character_sources}/character_body.cpp
  ${character_sources}/character_mesh.cpp
  ${character_sources}/character_motion.cpp
  ${character_sources}/character_skeleton.cpp
  ${character_sources}/character_textures.cpp
  ${character_sources}/character_writer.cpp
)
# It shares the program's table of motions (app/motions.h).
target_include_directories(make_character PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(make_character PRIVATE mqo_flags)

# ambletoe reads vindle/ from its working directory, which is the folder its
# binary is built in; the character is generated there by every build in
# which the generator changed (or a generated file went missing).
set(character_dir ${CMAKE_BINARY_DIR}/app)
set(character_files)
# The motions and frame counts of app/motions.h, which the generator follows:
# this list only tells the build which files it writes.
foreach(motion akubi:100 walk:20 run:30)
  string(REPLACE ":" ";" motion ${motion})
  list(GET motion 0 name)
  list(GET motion 1 count)
  math(EXPR last "${count} - 1")
  foreach(frame RANGE ${last})
    set(padded "0000${frame}")
    string(LENGTH ${padded} length)
    math(EXPR start "${length} - 5")
    string(SUBSTRING ${padded} ${start} 5 padded)
    list(APPEND character_files ${character_dir}/vindle/${name}_${padded}.mqo)
  endforeach()
endforeach()
foreach(texture face.bmp face_blink.bmp face_yawn.bmp shirt.bmp jeans.tga shadow.tga shadow_a.tga)
  list(APPEND character_files ${character_dir}/vindle/${texture})
endforeach()
add_custom_command(OUTPUT ${character_files}
  COMMAND make_character ${character_dir}
  DEPENDS make_character
  COMMENT "Generating the character into ${character_dir}/vindle"
  VERBATIM)
add_custom_target(character ALL DEPENDS ${character_files})
