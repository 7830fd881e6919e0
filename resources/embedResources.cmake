# Writes a C++ file holding the library's resources as byte arrays and the
# exported table through which the host's FindResourceA finds them.
# Called at build time: cmake -DOUTPUT=file -DENTRY_COUNT=n -DENTRY_0=TYPE,ID,FILE ...
# -P embedResources.cmake. TYPE is text; ID a number.
set(body "")
set(rows "")
math(EXPR last "${ENTRY_COUNT} - 1")
foreach(i RANGE ${last})
  string(REPLACE "," ";" entry "${ENTRY_${i}}")
  list(GET entry 0 type)
  list(GET entry 1 id)
  list(GET entry 2 file)
  file(READ "${file}" hex HEX)
  string(LENGTH "${hex}" digits)
  math(EXPR size "${digits} / 2")
  # Two hex digits per byte become "0xNN," with a line break every 16 bytes.
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)"
       "\\1\n  " bytes "${bytes}")
  # An empty file still needs one element; its size stays 0.
  if(size EQUAL 0)
    set(bytes "0")
  endif()
  string(APPEND body "// ${file}\nconst BYTE resource${i}[] = {\n  ${bytes}\n};\n\n")
  string(APPEND rows "    {\"${type}\", 0, nullptr, ${id}, resource${i}, ${size}},\n")
endforeach()

file(WRITE "${OUTPUT}.tmp"
"// Generated at build time from the files in resources/: the library's
// resources and the table the host's FindResourceA reads. Do not edit.
#include \"platform/host/libloaderapi.h\"

namespace {

${body}}  // namespace

extern \"C\" __attribute__((visibility(\"default\"))) const ZolmResourceEntry ZOLM_RESOURCE_TABLE[] = {
${rows}    {nullptr, 0, nullptr, 0, nullptr, 0},
};
")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
