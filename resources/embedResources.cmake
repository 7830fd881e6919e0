# Writes a C++ file holding the library's resources as one block of bytes in
# a section of its own, ".zolm_resources", exported under the name
# zolmResourceTable so that the linker keeps it. The host's FindResourceA
# reads the block from that section of the file mapped as data
# (platform/host/libloaderapi.h describes its layout).
# Called at build time: cmake -DOUTPUT=file -DENTRY_COUNT=n -DENTRY_0=TYPE,ID,FILE ...
# -P embedResources.cmake. TYPE is text; ID a number.

# The four bytes of a 32-bit number, lowest first, as "0xNN," items.
function(le32 value out)
  set(bytes "")
  foreach(shift 0 8 16 24)
    math(EXPR byte "(${value} >> ${shift}) & 255" OUTPUT_FORMAT HEXADECIMAL)
    string(APPEND bytes "${byte},")
  endforeach()
  set(${out} "${bytes}" PARENT_SCOPE)
endfunction()

# Hex digits as "0xNN," items.
function(hex_items hex out)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," items "${hex}")
  set(${out} "${items}" PARENT_SCOPE)
endfunction()

set(header_bytes 16)
set(entry_bytes 16)
math(EXPR last "${ENTRY_COUNT} - 1")
math(EXPR offset "${header_bytes} + ${ENTRY_COUNT} * ${entry_bytes}")
set(entries "")
set(tail "")
foreach(i RANGE ${last})
  string(REPLACE "," ";" entry "${ENTRY_${i}}")
  list(GET entry 0 type)
  list(GET entry 1 id)
  list(GET entry 2 file)
  # The type's text and its terminator...
  string(HEX "${type}" type_hex)
  hex_items("${type_hex}00" type_items)
  string(LENGTH "${type}" type_length)
  set(type_offset ${offset})
  math(EXPR offset "${offset} + ${type_length} + 1")
  # ...then the file's bytes, counted from the entry that describes them.
  file(READ "${file}" hex HEX)
  string(LENGTH "${hex}" digits)
  math(EXPR size "${digits} / 2")
  hex_items("${hex}" data_items)
  math(EXPR entry_offset "${header_bytes} + ${i} * ${entry_bytes}")
  math(EXPR data_from_entry "${offset} - ${entry_offset}")
  math(EXPR offset "${offset} + ${size}")
  le32(${type_offset} a)
  le32(${id} b)
  le32(${data_from_entry} c)
  le32(${size} d)
  string(APPEND entries "  // ${type} ${id}\n  ${a}${b}${c}${d}\n")
  string(APPEND tail "  // ${type}\n  ${type_items}\n  // ${file}\n  ${data_items}\n")
endforeach()
le32(${offset} total)
le32(${ENTRY_COUNT} count)
# "ZOLMRSRC", the block's size in bytes and the number of entries.
set(header "0x5a,0x4f,0x4c,0x4d,0x52,0x53,0x52,0x43,${total}${count}")
# A line break every 16 items keeps the file readable by an editor.
string(REGEX REPLACE "((0x[0-9a-f]+,){16})" "\\1\n  " tail "${tail}")

file(WRITE "${OUTPUT}.tmp"
"// Generated at build time from the files in resources/: the library's
// resources in the block the host's FindResourceA reads. Do not edit.
extern \"C\" __attribute__((visibility(\"default\"), section(\".zolm_resources\")))
const unsigned char zolmResourceTable[${offset}] = {
  ${header}
${entries}${tail}};
")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
