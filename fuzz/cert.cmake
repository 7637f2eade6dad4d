# Certificates: x509_parse_cert over arbitrary octets, and on success
# encode, parse again and encode once more; the key and private-key parsers
# and the small readers, with their encoders where there is one.
pkix_add_fuzzer(cert_parse SOURCE ${CMAKE_CURRENT_LIST_DIR}/cert_parse.cc LIBS pkix_internal)
pkix_add_fuzzer(cert_keys SOURCE ${CMAKE_CURRENT_LIST_DIR}/cert_keys.cc LIBS pkix_internal)

# The replay programs list the corpus folder with readdir, which on i386
# needs the large-file interfaces.
foreach(_t replay_cert_parse replay_cert_keys)
  if(TARGET ${_t})
    target_compile_definitions(${_t} PRIVATE _FILE_OFFSET_BITS=64)
  endif()
endforeach()
