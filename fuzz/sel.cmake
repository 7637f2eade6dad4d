# Selectors from arbitrary octets: validation, then every operation and
# matcher on what validation accepts.
pkix_add_fuzzer(sel SOURCE ${CMAKE_CURRENT_LIST_DIR}/sel_fuzz.cc LIBS pkix_internal)
