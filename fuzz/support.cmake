# The INI reader over arbitrary files, with a save and reload round trip.
pkix_add_fuzzer(ini_file SOURCE ${CMAKE_CURRENT_LIST_DIR}/ini_file.cc LIBS pkix_internal)

# The replay program lists the corpus folder with readdir, which on i386
# needs the large-file interfaces (EOVERFLOW otherwise, and no input runs).
if(TARGET replay_ini_file)
  target_compile_definitions(replay_ini_file PRIVATE _FILE_OFFSET_BITS=64)
endif()

# pkix_internal is built without libFuzzer's coverage instrumentation, so the
# fuzzer compiles the reader's source itself: its branches are what guides
# the search. The library's copy of those objects is then never linked in.
if(TARGET fuzz_ini_file)
  target_sources(fuzz_ini_file PRIVATE ${CMAKE_SOURCE_DIR}/src/support/ini_file.cc)
endif()
