# Fails unless LIBRARY's code holds a prefetch instruction. The step builder brings the next
# lines' ingredients into the cache ahead of their lookups, and GCC drops a prefetch whose
# function it takes for having no effect, silently.
execute_process(COMMAND ${OBJDUMP} -d --no-show-raw-insn ${LIBRARY}
                OUTPUT_VARIABLE code RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "${OBJDUMP} could not read ${LIBRARY}")
endif()
string(FIND "${code}" "prefetch" at)
if(at EQUAL -1)
    message(FATAL_ERROR "${LIBRARY} holds no prefetch instruction")
endif()
