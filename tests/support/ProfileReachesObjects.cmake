# cmake -DBUILD=<build folder> -DPROFILE=<profile folder> -P ProfileReachesObjects.cmake
#
# Fails unless the objects of the libraries and of kvc find counts in PROFILE under the name GCC
# looks for: the object's path below the build folder, '/' written '#', ".gcda" for ".o". Both
# builds come from one layout, so the names match for all objects or, once the layouts or the
# prefix GCC strips differ, for none; a few objects have no counted function and no file.
file(GLOB_RECURSE objects RELATIVE "${BUILD}" "${BUILD}/analyzer/*.o" "${BUILD}/arbor/*.o"
     "${BUILD}/checkers/*.o" "${BUILD}/data/*.o" "${BUILD}/tools/kvc/*.o")
set(counted 0)
foreach(object IN LISTS objects)
    string(REPLACE "/" "#" counts "${object}")
    string(REGEX REPLACE "\\.o$" ".gcda" counts "${counts}")
    if(EXISTS "${PROFILE}/${counts}")
        math(EXPR counted "${counted} + 1")
    endif()
endforeach()
list(LENGTH objects total)
if(counted EQUAL 0)
    message(FATAL_ERROR "none of the ${total} objects under ${BUILD} has counts in ${PROFILE}")
endif()
message(STATUS "${counted} of ${total} objects have counts in ${PROFILE}")
