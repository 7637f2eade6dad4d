# The ASN.1 support library: the decoders over arbitrary octets, and the name
# walkers with x509_parse_name and x509_esc_value over arbitrary names.
pkix_add_fuzzer(x509asn_der SOURCE ${CMAKE_CURRENT_LIST_DIR}/x509asn_der.cc LIBS s_x509asn)
pkix_add_fuzzer(x509asn_name SOURCE ${CMAKE_CURRENT_LIST_DIR}/x509asn_name.cc LIBS s_x509asn)

# The replay programs list the corpus folder with readdir, which on i386
# needs the large-file interfaces (EOVERFLOW otherwise, and no input runs).
foreach(_t replay_x509asn_der replay_x509asn_name)
  if(TARGET ${_t})
    target_compile_definitions(${_t} PRIVATE _FILE_OFFSET_BITS=64)
  endif()
endforeach()
