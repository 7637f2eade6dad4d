# cmake -DDIR=<source folder> -P check_includes.cmake
# Fails when a header of DIR/contract includes anything but another contract
# header ("contract/name.h") or a header of the C/C++ and POSIX libraries
# (<name>, <name.h>, <sys/name.h>).
#
# Forwarding headers, kept only until their includers name what they use,
# are passed over; each goes from this list when it goes from the tree.
cmake_minimum_required(VERSION 3.25)
set(forwarding ccd.h)

file(GLOB headers ${DIR}/contract/*.h)
if(NOT headers)
  message(FATAL_ERROR "no contract headers under ${DIR}/contract")
endif()
set(bad "")
foreach(header ${headers})
  get_filename_component(name ${header} NAME)
  if(name IN_LIST forwarding)
    continue()
  endif()
  file(STRINGS ${header} lines REGEX "^[ \t]*#[ \t]*include")
  foreach(line ${lines})
    if(line MATCHES "#[ \t]*include[ \t]*\"([^\"]*)\"")
      if(NOT CMAKE_MATCH_1 MATCHES "^contract/[A-Za-z0-9_]+\\.h$")
        list(APPEND bad "${name}: ${line}")
      endif()
    elseif(line MATCHES "#[ \t]*include[ \t]*<([^>]*)>")
      if(NOT CMAKE_MATCH_1 MATCHES "^(sys/)?[a-z0-9_]+(\\.h)?$")
        list(APPEND bad "${name}: ${line}")
      endif()
    else()
      list(APPEND bad "${name}: ${line}")
    endif()
  endforeach()
endforeach()
if(bad)
  list(JOIN bad "\n  " text)
  message(FATAL_ERROR "contract headers reach outside the contract:\n  ${text}")
endif()
