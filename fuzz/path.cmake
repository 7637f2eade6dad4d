# Path validation over arbitrary certificates and CRLs with a fixed trust
# anchor, in process (certobj_env.h).
pkix_add_fuzzer(path SOURCE ${CMAKE_CURRENT_LIST_DIR}/path.cc LIBS ${PKIX_FUZZ_INPROC})
foreach(t fuzz_path replay_path)
  if(TARGET ${t})
    target_compile_definitions(${t} PRIVATE PKIX_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  endif()
endforeach()
