# Draws the hand cursor afresh and fails when it differs from the committed file.
execute_process(COMMAND ${TOOL} ${SCRATCH} RESULT_VARIABLE drawn)
if(NOT drawn EQUAL 0)
  message(FATAL_ERROR "draw_hand_cursor failed (${drawn})")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${SCRATCH} ${COMMITTED} RESULT_VARIABLE same)
if(NOT same EQUAL 0)
  message(FATAL_ERROR "${COMMITTED} is not what draw_hand_cursor draws: regenerate and commit it")
endif()
