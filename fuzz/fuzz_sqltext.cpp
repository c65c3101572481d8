// Fuzz target: declared column types and database values as text, read into the fields they make.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/base/Error.h"
#include "platform/data/SqlConnection.h"

// The input is a declared column type, a newline, and the value's text.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view in(reinterpret_cast<const char*>(data), size);
    const size_t nl = in.find('\n');
    const std::string_view declared = in.substr(0, nl);
    const std::string_view text = nl == std::string_view::npos ? in : in.substr(nl + 1);
    const zv::FieldDef def = zv::detail::FieldFromDeclaredType("f", declared);
    zv::FieldData out;
    try {
        zv::detail::ParseSqlText(def, text, out);
    } catch (const zv::Exception&) {}
    return 0;
}
