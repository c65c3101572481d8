// System libraries opened when a run first needs them, so that runs which never touch a
// database server or a workbook do not load (and pay the memory of) those libraries and
// everything they pull in.
#pragma once

#include <string>

namespace zv {

// Opens the library with this file name (its soname) once and keeps it for the life of the
// process; throws Exception("Cannot load <what> (<file>): <reason>") when it is not there.
void* OpenSharedLibrary(const char* file, const char* what);

// The address of symbol in a library from OpenSharedLibrary; throws when the library lacks it.
void* SharedLibrarySymbol(void* library, const char* symbol, const char* what);

template <class Function>
Function SharedLibraryFunction(void* library, const char* symbol, const char* what)
{
    return reinterpret_cast<Function>(SharedLibrarySymbol(library, symbol, what));
}

}  // namespace zv

// One member of a table of a library's functions, declared with the type of the library's own
// declaration: struct Api { LIST(ZV_DECLARE_FUNCTION) }; where LIST(X) is X(f1) X(f2) ...
#define ZV_DECLARE_FUNCTION(name) decltype(&::name) name = nullptr;
