// Libraries opened at run time: functions are callable, and a missing library or symbol is an
// error naming what could not be loaded rather than a crash at the first call.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/base/Error.h"
#include "platform/base/SharedLibrary.h"

namespace zv {
namespace {

TEST(SharedLibrary, FunctionsAreCallableAndMissingPartsAreErrors)
{
    void* libc = OpenSharedLibrary("libc.so.6", "the C library");
    const auto length = SharedLibraryFunction<decltype(&::strlen)>(libc, "strlen", "the C library");
    EXPECT_EQ(length("codice"), 6u);

    const struct {
        const char* file;
        const char* symbol;
        const char* messageStart;
    } failures[] = {
        {"libzv-not-installed.so.1", nullptr, "Cannot load the test library (libzv-not-installed.so.1): "},
        {"libc.so.6", "zv_no_such_function", "Cannot load the test library: "},
    };
    for (const auto& f : failures) {
        try {
            void* library = OpenSharedLibrary(f.file, "the test library");
            SharedLibrarySymbol(library, f.symbol, "the test library");
            ADD_FAILURE() << "no error for " << f.file;
        } catch (const Exception& e) {
            EXPECT_EQ(e.message().rfind(f.messageStart, 0), 0u) << e.message();
            EXPECT_GT(e.message().size(), std::strlen(f.messageStart)) << "the loader's reason is missing";
        }
    }
}

}  // namespace
}  // namespace zv
