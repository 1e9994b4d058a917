# Turns the network-unit template into a C++ byte array: cmake -DINPUT=... -DOUTPUT=... -P this.
# The bytes are taken exactly as they are in the file (no terminating zero is counted).
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
if(size EQUAL 0)
  set(bytes "0")
else()
  set(bytes "")
  set(offset 0)
  while(offset LESS digits)  # sixteen bytes a line
    string(SUBSTRING "${hex}" ${offset} 32 chunk)
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," chunk "${chunk}")
    string(APPEND bytes "  ${chunk}\n")
    math(EXPR offset "${offset} + 32")
  endwhile()
endif()
file(WRITE "${OUTPUT}"
  "// Generated from network_unit_template.xml; do not edit.\n"
  "#include \"unitxml/network_unit_template.h\"\n\n"
  "extern const unsigned char kNetworkUnitTemplateBytes[] = {\n${bytes}};\n"
  "extern const std::size_t kNetworkUnitTemplateSize = ${size};\n")
