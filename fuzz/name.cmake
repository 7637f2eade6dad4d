# Names: the text scanner over arbitrary text, normalisation and name trees
# over arbitrary DER.
pkix_add_fuzzer(name_enc SOURCE ${CMAKE_CURRENT_LIST_DIR}/name_enc.cc LIBS pkix_internal)
pkix_add_fuzzer(name_norm SOURCE ${CMAKE_CURRENT_LIST_DIR}/name_norm.cc LIBS pkix_internal)
# Trees hold their DER in buffers of the host's buffer service, so this
# target runs under the in-process manager.
pkix_add_fuzzer(name_tree SOURCE ${CMAKE_CURRENT_LIST_DIR}/name_tree.cc LIBS ${PKIX_FUZZ_INPROC})
