# Directory distribution points from arbitrary octets: URLs, relative
# names, issuing distribution point and distribution points values, each
# point formed into a request of a scripted directory service. Runs the
# module's internals in process (certobj_env.h).
pkix_add_fuzzer(ldapdp SOURCE ${CMAKE_CURRENT_LIST_DIR}/ldapdp.cc LIBS ${PKIX_FUZZ_INPROC})
if(TARGET replay_ldapdp)
  target_compile_definitions(replay_ldapdp PRIVATE _FILE_OFFSET_BITS=64)
endif()
