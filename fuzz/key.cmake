# Keys from arbitrary octets: setRaw of public, private and secret keys,
# and RSAPrivKey::setKey. The bodies keep their values in buffers of the
# host's buffer service and name algorithms through the conversion service,
# so the targets run under the in-process manager.
pkix_add_fuzzer(key_raw SOURCE ${CMAKE_CURRENT_LIST_DIR}/key_raw.cc LIBS ${PKIX_FUZZ_INPROC})
pkix_add_fuzzer(key_rsapriv SOURCE ${CMAKE_CURRENT_LIST_DIR}/key_rsapriv.cc LIBS ${PKIX_FUZZ_INPROC})
