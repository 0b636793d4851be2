# Writes the completion script: cmake -DTOKENS=FILE -DTEMPLATE=FILE -DOUTPUT=FILE -P this.
# Each token of TOKENS (one per line) becomes one single-quoted word of a bash array.
cmake_minimum_required(VERSION 3.25)
file(STRINGS "${TOKENS}" tokens ENCODING UTF-8)
set(words "")
foreach(token IN LISTS tokens)
    string(REPLACE "'" "'\\''" quoted "${token}")
    string(APPEND words "\n    '${quoted}'")
endforeach()
set(KORVELCE_KEY_TOKENS "${words}\n")
configure_file("${TEMPLATE}" "${OUTPUT}" @ONLY)
