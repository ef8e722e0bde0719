# Writes the bytes of INPUT, a Lua file, into OUTPUT, a C++ source that
# returns them from FUNCTION (in namespace lua40, declared in HEADER).
# Run by the build: cmake -DINPUT=... -DOUTPUT=... -DFUNCTION=... -DHEADER=... -P embedscript.cmake
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){16})" "\\1\n" bytes "${bytes}")
cmake_path(GET INPUT FILENAME name)
file(WRITE "${OUTPUT}.new" "// Generated from ${name} by the build; edit that file instead.
#include \"${HEADER}\"

namespace lua40 {

namespace {

const unsigned char Bytes[] = {
${bytes}};

} // namespace

std::string_view ${FUNCTION}()
{
    return {reinterpret_cast<const char *>(Bytes), ${size}};
}

} // namespace lua40
")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
