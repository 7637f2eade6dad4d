# The element walker of `pkixtool asn dump` over arbitrary octets: nesting,
# indefinite lengths, lengths past their enclosing element.
pkix_add_fuzzer(asn_walk SOURCE ${CMAKE_CURRENT_LIST_DIR}/asn_walk.cc)
foreach(t fuzz_asn_walk replay_asn_walk)
  if(TARGET ${t})
    target_sources(${t} PRIVATE ${CMAKE_SOURCE_DIR}/tools/asn_walk.cc)
    target_include_directories(${t} PRIVATE ${CMAKE_SOURCE_DIR})
    target_link_libraries(${t} PRIVATE pkixhost)
    # The replay program lists its corpus with readdir (large-file
    # interfaces on i386).
    target_compile_definitions(${t} PRIVATE _FILE_OFFSET_BITS=64)
  endif()
endforeach()
