# Certificate objects from arbitrary octets through the certificate service
# (every query on those that parse), and PKCS #7 certificate sets. Both run
# the module's internals in process with the test manager, built in here so
# that the fuzz build (which has no test libraries) has it too.
pkix_add_fuzzer(certobj_cert SOURCE ${CMAKE_CURRENT_LIST_DIR}/certobj_cert.cc
  LIBS pkix_internal pkixhost_services)
pkix_add_fuzzer(certobj_pkcs7 SOURCE ${CMAKE_CURRENT_LIST_DIR}/certobj_pkcs7.cc
  LIBS pkix_internal pkixhost_services)
foreach(_t fuzz_certobj_cert fuzz_certobj_pkcs7 replay_certobj_cert replay_certobj_pkcs7)
  if(TARGET ${_t})
    target_sources(${_t} PRIVATE ${CMAKE_SOURCE_DIR}/tests/testing/inproc.cc)
    target_include_directories(${_t} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
    # The replay programs list the corpus folder with readdir, which on
    # i386 needs the large-file interfaces.
    target_compile_definitions(${_t} PRIVATE _FILE_OFFSET_BITS=64)
  endif()
endforeach()
