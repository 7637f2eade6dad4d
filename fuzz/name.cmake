# Names: the text scanner over arbitrary text, normalisation and name trees
# over arbitrary DER.
pkix_add_fuzzer(name_enc SOURCE ${CMAKE_CURRENT_LIST_DIR}/name_enc.cc LIBS pkix_internal)
pkix_add_fuzzer(name_norm SOURCE ${CMAKE_CURRENT_LIST_DIR}/name_norm.cc LIBS pkix_internal)

# Trees hold their DER in buffers of the host's buffer service: the target
# runs under the in-process manager the unit tests use (built here when the
# tests are not).
if(TARGET pkix_testing)
  set(_name_tree_libs pkix_testing)
else()
  add_library(pkix_name_inproc STATIC ${CMAKE_SOURCE_DIR}/tests/testing/inproc.cc)
  target_include_directories(pkix_name_inproc PUBLIC ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(pkix_name_inproc PUBLIC pkix_internal pkixhost_services)
  set(_name_tree_libs pkix_name_inproc)
endif()
pkix_add_fuzzer(name_tree SOURCE ${CMAKE_CURRENT_LIST_DIR}/name_tree.cc LIBS ${_name_tree_libs})

# The replay programs list the corpus folder with readdir, which on i386
# needs the large-file interfaces (EOVERFLOW otherwise, and no input runs).
foreach(_t replay_name_enc replay_name_norm replay_name_tree)
  if(TARGET ${_t})
    target_compile_definitions(${_t} PRIVATE _FILE_OFFSET_BITS=64)
  endif()
endforeach()
