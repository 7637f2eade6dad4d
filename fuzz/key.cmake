# Keys from arbitrary octets: setRaw of public, private and secret keys,
# and RSAPrivKey::setKey. The bodies keep their values in buffers of the
# host's buffer service and name algorithms through the conversion service:
# the targets run under the in-process manager the unit tests use (built
# here when the tests are not).
if(TARGET pkix_testing)
  set(_key_fuzz_libs pkix_testing)
else()
  add_library(pkix_key_inproc STATIC ${CMAKE_SOURCE_DIR}/tests/testing/inproc.cc)
  target_include_directories(pkix_key_inproc PUBLIC ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(pkix_key_inproc PUBLIC pkix_internal pkixhost_services)
  set(_key_fuzz_libs pkix_key_inproc)
endif()
pkix_add_fuzzer(key_raw SOURCE ${CMAKE_CURRENT_LIST_DIR}/key_raw.cc LIBS ${_key_fuzz_libs})
pkix_add_fuzzer(key_rsapriv SOURCE ${CMAKE_CURRENT_LIST_DIR}/key_rsapriv.cc LIBS ${_key_fuzz_libs})

# The replay programs list the corpus folder with readdir, which on i386
# needs the large-file interfaces (EOVERFLOW otherwise, and no input runs).
foreach(_t replay_key_raw replay_key_rsapriv)
  if(TARGET ${_t})
    target_compile_definitions(${_t} PRIVATE _FILE_OFFSET_BITS=64)
  endif()
endforeach()
