# Writes a C++ source holding the page's script and style sheet as they are,
# with their SHA-256 digests for the page's content security policy.
#   cmake -DSCRIPT=page_script.js -DSTYLE=page_style.css -DOUTPUT=page_assets.cpp -P embed_assets.cmake
set(delimiter "asset")
set(body "// Generated from page_script.js and page_style.css by embed_assets.cmake.\n")
string(APPEND body "#include \"report/page_assets.h\"\n\nnamespace report {\n")
foreach(pair "PageScript;${SCRIPT}" "PageStyle;${STYLE}")
    list(GET pair 0 function)
    list(GET pair 1 file)
    file(READ "${file}" text)
    file(SHA256 "${file}" digest)
    string(FIND "${text}" ")${delimiter}\"" clash)
    if(NOT clash EQUAL -1)
        message(FATAL_ERROR "${file} contains the raw string delimiter )${delimiter}\"")
    endif()
    string(APPEND body "\nPageAsset ${function}() {\n"
        "    return {R\"${delimiter}(${text})${delimiter}\",\n"
        "            \"${digest}\"};\n}\n")
endforeach()
string(APPEND body "\n}  // namespace report\n")
file(WRITE "${OUTPUT}.new" "${body}")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
