# The tool's own DER readers (a certificate's stated fields, extension
# values, object kinds) over arbitrary octets.
pkix_add_fuzzer(tool_der SOURCE ${CMAKE_CURRENT_LIST_DIR}/tool_der.cc LIBS pkixtool_der)
if(TARGET replay_tool_der)
  target_compile_definitions(replay_tool_der PRIVATE _FILE_OFFSET_BITS=64)
endif()
