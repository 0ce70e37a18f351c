# cmake -DINPUT=file -DOUTPUT=file.c -DSYMBOL=name -P embed_bytes.cmake
# Writes a C source defining the constant byte array SYMBOL with the bytes
# of INPUT and SYMBOL_size with their count.
file(READ ${INPUT} hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
# Sixteen bytes a line keeps the generated file readable.
string(REPEAT "[0-9a-f]" 32 line)
string(REGEX REPLACE "(${line})" "\\1\n" hex "${hex}")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
get_filename_component(name ${INPUT} NAME)
file(WRITE ${OUTPUT}.tmp
  "/* Generated from ${name} at build time; do not edit. */\n"
  "extern const unsigned char ${SYMBOL}[${size}];\n"
  "extern const int ${SYMBOL}_size;\n"
  "const unsigned char ${SYMBOL}[${size}] = {\n${bytes}\n};\n"
  "const int ${SYMBOL}_size = ${size};\n")
file(RENAME ${OUTPUT}.tmp ${OUTPUT})
