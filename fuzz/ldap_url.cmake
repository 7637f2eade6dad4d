# The directory client's readers of hostile input: URLs, DER names rendered
# as LDAP text, and answer values made into the module's lists. Runs the
# module's internals in process, with the host's services.
pkix_add_fuzzer(ldap_url SOURCE ${CMAKE_CURRENT_LIST_DIR}/ldap_url.cc LIBS ${PKIX_FUZZ_INPROC})
