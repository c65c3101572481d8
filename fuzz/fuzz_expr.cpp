// Fuzz target: EvaluateExpression over arbitrary bytes, with a resolver that knows a few names and
// functions (which re-enter the engine), under every error mode.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

#include "platform/base/Error.h"
#include "platform/base/FormatSettings.h"
#include "platform/base/Variant.h"
#include "report/ZV_Expr.h"

namespace {

struct FuzzResolver {
    int calls = 0;  // re-entrant calls are bounded by the engine's nesting limit
    void Resolve(std::string_view name, const zv::TzvArgList* args, zv::Variant& v)
    {
        ++calls;
        if (!args) {
            if (name == "a")
                v = zv::Variant(int32_t{3});
            else if (name == "s")
                v = zv::Variant("testo");
            else if (name == "d")
                v = zv::Variant::fromDateTime(36104.5);
            else if (name == "n")
                v = zv::Variant::null();
            else if (name == "Tab.\"Campo uno\"")
                v = zv::Variant(2.5);
            return;
        }
        if (name == "IF" && args->size() == 3) {
            zv::Variant c = zv::EvaluateExpression((*args)[0]);
            v = zv::EvaluateExpression((*args)[c.isOrdinal() && c.toInt() == 1 ? 1 : 2]);
        } else if (name == "SUM") {
            zv::Variant sum(int32_t{0});
            for (const std::string& a : *args) sum = zv::VarAdd(sum, zv::EvaluateExpression(a));
            v = sum;
        } else if (name == "LEN" && args->size() == 1) {
            v = zv::Variant(static_cast<int32_t>(zv::EvaluateExpression((*args)[0]).toString().size()));
        }
        if (v.type() == zv::VarType::Boolean) v = zv::Variant::fromByte(v.rawBool() ? 1 : 0);
    }
};

FuzzResolver gResolver;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    static bool ready = [] {
        zv::DefaultFormatSettings() = zv::ItalianFormatSettings();
        zv::SetExprResolver(zv::TzvResolveEvent::Of<&FuzzResolver::Resolve>(&gResolver));
        return true;
    }();
    (void)ready;
    // The first byte picks the error mode; the rest is the expression.
    zv::SetExprErrorMode(data[0] % 3);
    std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    zv::Variant v;
    try {
        zv::EvaluateExpression(text, v);
        if (!v.isEmptyOrNull()) {
            std::string s = v.toString();  // touch every byte of the result
            volatile size_t sink = s.size();
            (void)sink;
        }
    } catch (const zv::Exception&) {
        // the engine's and the conversions' errors are ordinary outcomes
    }
    zv::SetExprErrorMode(zv::emRaise);
    return 0;
}
