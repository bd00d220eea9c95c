# Writes OUTPUT: a C++ source that holds the text of INPUT (a shipped value
# model) as the string VARIABLE, so the player needs no file beside it.
file(READ "${INPUT}" content)
string(FIND "${content}" ")value_model\"" clash)
if(NOT clash EQUAL -1)
  message(FATAL_ERROR "${INPUT} contains the raw-string delimiter")
endif()
set(text "// Generated from ${NAME} at build time; edit that file instead.\nnamespace planner {\nextern const char* const ${VARIABLE};\nconst char* const ${VARIABLE} = R\"value_model(${content})value_model\";\n}  // namespace planner\n")
file(WRITE "${OUTPUT}.tmp" "${text}")
execute_process(COMMAND ${CMAKE_COMMAND} -E copy_if_different "${OUTPUT}.tmp" "${OUTPUT}")
