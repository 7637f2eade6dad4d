# The tool's input readers (DER, PEM, hex, whole-file reads) over arbitrary
# octets: PEM blocks good and damaged, DER with and without leftover octets.
pkix_add_fuzzer(tool_input SOURCE ${CMAKE_CURRENT_LIST_DIR}/tool_input.cc LIBS pkixtool_input)

# The replay program lists the corpus folder with readdir, which on i386
# needs the large-file interfaces (EOVERFLOW otherwise, and no input runs).
if(TARGET replay_tool_input)
  target_compile_definitions(replay_tool_input PRIVATE _FILE_OFFSET_BITS=64)
endif()
