# The library's sources with its first, simplest pieces in place of the fast
# ones: a stdio line stream, sscanf patterns, lists read on one thread, a
# byte-at-a-time image reader and the mesh builder as first written (all beside this file). The
# comparison test and the benchmarks build the library once more from these.
function(mqo_reference_sources out)
  set(replacements
    image_reader image_reader_stdio
    document_patterns document_patterns_sscanf
    line_reader line_reader_stdio
    mesh_builder mesh_builder_reference
    list_share list_share_none
    document_stage document_stage_serial)
  # The first builder was one file; it stands for the pieces split out since.
  set(left_out mesh_normals mesh_fill)
  # The stdio stream never scans ahead on a helper.
  list(APPEND left_out document_prescan)
  get_target_property(cpu_sources mqomodel_cpu SOURCES)
  get_target_property(gl_sources mqomodel_gl SOURCES)
  set(sources ${cpu_sources} ${gl_sources})
  set(result)
  foreach(src IN LISTS sources)
    get_filename_component(piece ${src} NAME_WE)
    list(FIND replacements ${piece} at)
    if(piece IN_LIST left_out)
      # defined by its replacement already
    elseif(at EQUAL -1)
      list(APPEND result ${PROJECT_SOURCE_DIR}/mqo/${src})
    else()
      math(EXPR at "${at} + 1")
      list(GET replacements ${at} reference)
      list(APPEND result ${PROJECT_SOURCE_DIR}/tests/reference/${reference}.cpp)
    endif()
  endforeach()
  set(${out} ${result} PARENT_SCOPE)
endfunction()
