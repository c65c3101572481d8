#include "platform/base/SharedLibrary.h"

#include <dlfcn.h>

#include "platform/base/Error.h"

namespace zv {

namespace {

std::string LastDlError()
{
    const char* e = dlerror();
    return e ? e : "unknown error";
}

}  // namespace

void* OpenSharedLibrary(const char* file, const char* what)
{
    // Never closed: the functions taken from it may be called until the process ends.
    void* library = dlopen(file, RTLD_NOW | RTLD_LOCAL);
    if (!library) throw Exception(std::string("Cannot load ") + what + " (" + file + "): " + LastDlError());
    return library;
}

void* SharedLibrarySymbol(void* library, const char* symbol, const char* what)
{
    dlerror();
    void* address = dlsym(library, symbol);
    if (!address) throw Exception(std::string("Cannot load ") + what + ": " + LastDlError());
    return address;
}

}  // namespace zv
