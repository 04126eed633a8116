# cmake -DBUILD=<build folder> -DPROFILE=<profile folder> -P ProfileReachesObjects.cmake
#
# Fails unless nearly every object of the libraries and of kvc has its counts in PROFILE, under
# the name GCC looks for: the object's path below the build folder with '/' written '#' and
# ".gcda" for ".o". A few objects hold no function with counts of their own and have none.
set(components analyzer arbor checkers data host tools/kvc utilo vm)
set(objects "")
foreach(component IN LISTS components)
    file(GLOB_RECURSE found RELATIVE "${BUILD}" "${BUILD}/${component}/*.o")
    list(APPEND objects ${found})
endforeach()
list(LENGTH objects total)
if(total EQUAL 0)
    message(FATAL_ERROR "no objects of the product under ${BUILD}")
endif()

set(missing "")
foreach(object IN LISTS objects)
    string(REPLACE "/" "#" counts "${object}")
    string(REGEX REPLACE "\\.o$" ".gcda" counts "${counts}")
    if(NOT EXISTS "${PROFILE}/${counts}")
        list(APPEND missing "${object}")
    endif()
endforeach()
list(LENGTH missing missingCount)
math(EXPR counted "${total} - ${missingCount}")
# Nine in ten: a handful of objects without counts is normal, a layout that misses is all.
math(EXPR least "(${total} * 9 + 9) / 10")
if(counted LESS least)
    list(JOIN missing "\n  " missingText)
    message(FATAL_ERROR "${counted} of ${total} objects have counts in ${PROFILE}; without:\n"
                        "  ${missingText}")
endif()
message(STATUS "${counted} of ${total} objects have counts in ${PROFILE}")
