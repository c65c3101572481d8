// TzvExpr: the one-pass expression evaluator shared by the whole library, and its resolver hook.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/Variant.h"

namespace zv {

// Error modes for failures while two operands are combined (incompatible types, division by
// zero, overflow, a non-positive base for "^"). Any other value swallows the error and leaves the
// failed operation's result unchanged (the left operand).
enum TzvErrorMode : uint8_t {
    emRaise = 0,   // throw "Tipo di dati incompatibili nell'espressione: " + text
    emRecord = 1,  // the failed operation yields the integer 0; evaluation continues
};

// The raw, unevaluated argument texts of a call, in order (blanks kept, empty texts left out).
using TzvArgList = std::vector<std::string>;

// The resolver callback, bound to its owner (normally the report). It receives the name exactly
// as written (a bracketed name's inner text, or an identifier with its dots and double quotes),
// the argument list of a call or nullptr for a name without parentheses, and a value slot that is
// empty on entry. It leaves the slot empty for a name it does not know. The name view is valid
// only during the call. The resolver may re-enter EvaluateExpression.
struct TzvResolveEvent {
    using Function = void (*)(void* owner, std::string_view name, const TzvArgList* args, Variant& value);

    Function function = nullptr;
    void* owner = nullptr;

    explicit operator bool() const noexcept { return function != nullptr; }
    void operator()(std::string_view name, const TzvArgList* args, Variant& value) const
    {
        function(owner, name, args, value);
    }

    // Binds a member function: TzvResolveEvent::Of<&TzvReport::ResolveValue>(this), where the
    // member has the signature void (std::string_view, const TzvArgList*, Variant&).
    template <auto Method, class T>
    static TzvResolveEvent Of(T* object) noexcept
    {
        return {[](void* o, std::string_view name, const TzvArgList* args, Variant& value) {
                    (static_cast<T*>(o)->*Method)(name, args, value);
                },
                object};
    }
};

// Brackets, NOT prefixes and nested evaluations (a resolver evaluating a call's arguments)
// together may nest at most this deep; deeper texts raise kExprTooDeepMsg + the text from the
// current level start, instead of exhausting the stack.
inline constexpr int kExprMaxNesting = 256;

// The engine. There is one shared instance, created on first use by any of the free functions
// below and destroyed at program exit. It keeps only the resolver, the error mode and the current
// nesting depth; each evaluation keeps its own state on the stack, so evaluations may re-enter.
class TzvExpr {
public:
    static TzvExpr& Instance();

    void Evaluate(std::string_view text, Variant& value);
    void SetResolver(const TzvResolveEvent& resolver) noexcept { resolver_ = resolver; }
    void ClearResolver(const void* owner) noexcept;
    void SetErrorMode(uint8_t mode) noexcept { errorMode_ = mode; }
    uint8_t ErrorMode() const noexcept { return errorMode_; }
    const TzvResolveEvent& Resolver() const noexcept { return resolver_; }

    // Used by the evaluator; not part of the public surface.
    struct Detail;

private:
    TzvExpr() = default;

    TzvResolveEvent resolver_;
    uint8_t errorMode_ = emRaise;
    int depth_ = 0;  // current nesting across re-entrant evaluations
};

// Checks the round brackets of text, evaluates it and stores the result in value. An empty text
// yields Null. Throws Exception with the engine's messages, lets the number conversion's and
// the resolver's errors through unchanged.
void EvaluateExpression(std::string_view text, Variant& value);
Variant EvaluateExpression(std::string_view text);

// Registers the resolver (with its owner) that answers every name; the latest registration wins.
void SetExprResolver(const TzvResolveEvent& resolver);
// Withdraws the registration if it belongs to owner; a registration of another owner stays.
// The report calls this from its destructor, so the engine never calls a destroyed report.
void ClearExprResolver(const void* owner);
// Sets the error mode (emRaise, emRecord or any other value, see TzvErrorMode).
void SetExprErrorMode(uint8_t mode);
uint8_t ExprErrorMode();

}  // namespace zv
