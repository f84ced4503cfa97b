# Compiles the rule files of res/AnalyzeRules into the analyzer as byte arrays.
#
# Included from a CMakeLists.txt: sets ML_EMBEDDED_RULE_SOURCES to a .cpp file that is generated
# at build time and regenerated whenever one of the rule files (or this file) changes, so editing
# a rule and rebuilding changes the program. Run with `cmake -P` (by that build step): writes the
# .cpp. The texts are written as hexadecimal byte lists, so any byte sequence survives unchanged.
#
# The generated file defines, in namespace Qva::rule_data, for the resources numbered 1 to 8:
#   const char* const kNames[8];            "res/AnalyzeRules/<file>"
#   const unsigned char* const kTexts[8];   the bytes (each array gets one trailing zero byte)
#   const std::size_t kLengths[8];          the byte count without that zero

# Resource order: the position in this list plus one is the resource number.
set(ML_RULE_FILES groups.xml common.xml cmd.xml oracle.xml postgresql.xml mssql.xml mysql.xml
                  singlestoredb.xml)

if(CMAKE_SCRIPT_MODE_FILE)
  # Script mode. Inputs: RULE_DIR (folder of the rule files) and OUTPUT (the .cpp to write).
  if(NOT RULE_DIR OR NOT OUTPUT)
    message(FATAL_ERROR "EmbedRules.cmake needs -DRULE_DIR=... and -DOUTPUT=...")
  endif()
  set(body "// Generated from res/AnalyzeRules by cmake/EmbedRules.cmake. Do not edit.\n")
  string(APPEND body "#include <cstddef>\n\nnamespace Qva::rule_data {\nnamespace {\n")
  set(names "")
  set(texts "")
  set(lengths "")
  set(index 0)
  foreach(name IN LISTS ML_RULE_FILES)
    math(EXPR index "${index} + 1")
    file(READ ${RULE_DIR}/${name} hex HEX)
    string(LENGTH "${hex}" hex_length)
    math(EXPR length "${hex_length} / 2")
    # 16 bytes per source line keep the generated lines short (CMake regexes lack {n}).
    string(REPEAT "[0-9a-f]" 32 row_pattern)
    string(REGEX REPLACE "(${row_pattern})" "\\1\n    " bytes "${hex}")
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${bytes}")
    string(APPEND body "const unsigned char kText${index}[] = {\n    ${bytes}0x00};\n")
    string(APPEND names "    \"res/AnalyzeRules/${name}\",\n")
    string(APPEND texts "    kText${index},\n")
    string(APPEND lengths "    ${length},\n")
  endforeach()
  string(APPEND body "}  // namespace\n\n"
                     "extern const char* const kNames[8] = {\n${names}};\n"
                     "extern const unsigned char* const kTexts[8] = {\n${texts}};\n"
                     "extern const std::size_t kLengths[8] = {\n${lengths}};\n"
                     "\n}  // namespace Qva::rule_data\n")
  # Write through a temporary file so that an interrupted run never leaves a half file behind.
  file(WRITE ${OUTPUT}.tmp "${body}")
  file(RENAME ${OUTPUT}.tmp ${OUTPUT})
  return()
endif()

set(ml_rule_dir ${CMAKE_CURRENT_LIST_DIR}/../res/AnalyzeRules)
set(ml_rule_inputs "")
foreach(name IN LISTS ML_RULE_FILES)
  list(APPEND ml_rule_inputs ${ml_rule_dir}/${name})
endforeach()
set(ml_rule_output ${CMAKE_CURRENT_BINARY_DIR}/generated/EmbeddedRuleData.cpp)

add_custom_command(
  OUTPUT ${ml_rule_output}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/generated
  COMMAND ${CMAKE_COMMAND} -DRULE_DIR=${ml_rule_dir} -DOUTPUT=${ml_rule_output}
          -P ${CMAKE_CURRENT_LIST_FILE}
  DEPENDS ${ml_rule_inputs} ${CMAKE_CURRENT_LIST_FILE}
  COMMENT "Embedding the analyzer rule files"
  VERBATIM)

set(ML_EMBEDDED_RULE_SOURCES ${ml_rule_output})
