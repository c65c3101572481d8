// Fuzz target: number and date-time format strings and the text parsers, fed with any bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/base/Error.h"
#include "platform/base/Format.h"
#include "platform/base/FormatSettings.h"

namespace {

constexpr double kValues[] = {0.0, -0.5, 1234.5678, -1e300, 1e-300, 36104.1136009259, -693593.5, 2958465.99};

}  // namespace

// The input is a format string, a newline, and a text to parse.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view in(reinterpret_cast<const char*>(data), size);
    const size_t nl = in.find('\n');
    const std::string_view format = in.substr(0, nl);
    const std::string_view text = nl == std::string_view::npos ? in : in.substr(nl + 1);
    const zv::FormatSettings fs = zv::ItalianFormatSettings();
    for (double v : kValues) {
        (void)zv::FormatFloat(format, v, fs);
        try {
            (void)zv::FormatDateTime(format, v, fs);
        } catch (const zv::ConvertError&) {}
    }
    (void)zv::TryStrToFloat(text, fs);
    (void)zv::TryStrToInt(text);
    auto parse = [](auto&& f) {
        try {
            f();
        } catch (const zv::ConvertError&) {}
    };
    parse([&] { (void)zv::StrToInt64(text); });
    parse([&] { (void)zv::StrToCurr(text, fs); });
    parse([&] { (void)zv::StrToDate(text, fs); });
    parse([&] { (void)zv::StrToTime(text, fs); });
    parse([&] { (void)zv::StrToDateTime(text, fs); });
    return 0;
}
