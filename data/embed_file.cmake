# Writes the bytes of INPUT as a C++ initializer list (0x.., 0x.., ...) to
# OUTPUT, so that a build can link an installed file into the program.
file(READ "${INPUT}" hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
file(WRITE "${OUTPUT}.tmp" "// Generated from ${INPUT} by embed_file.cmake; not committed.\n${bytes}\n")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
