# Turns the network-unit template into a C++ byte array: cmake -DINPUT=... -DOUTPUT=... -P this.
# The bytes are taken exactly as they are in the file (no terminating zero is counted).
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
if(size EQUAL 0)
  set(bytes "0")
else()
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "((0x[0-9a-f][0-9a-f],){16})" "\\1\n" bytes "${bytes}")
endif()
file(WRITE "${OUTPUT}.tmp"
  "// Generated from network_unit_template.xml; do not edit.\n"
  "#include \"unitxml/network_unit_template.h\"\n\n"
  "extern const unsigned char kNetworkUnitTemplateBytes[] = {\n${bytes}\n};\n"
  "extern const std::size_t kNetworkUnitTemplateSize = ${size};\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
