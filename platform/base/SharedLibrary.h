// System libraries opened when a run first needs them, so that runs which never touch a
// database server or a workbook do not load (and pay the memory of) those libraries and
// everything they pull in.
#pragma once

namespace zv {

// Opens the library with this file name (its soname) and keeps it for the life of the process;
// throws Exception("Cannot load <what> (<file>): <reason>") when it is not there.
void* OpenSharedLibrary(const char* file, const char* what);

// The address of symbol in a library from OpenSharedLibrary; throws when the library lacks it.
void* SharedLibrarySymbol(void* library, const char* symbol, const char* what);

template <class Function>
Function SharedLibraryFunction(void* library, const char* symbol, const char* what)
{
    return reinterpret_cast<Function>(SharedLibrarySymbol(library, symbol, what));
}

}  // namespace zv

// Declares the struct Api holding the functions named by LIST (LIST(X) expands to X(f1) X(f2) ...,
// each member typed by the library's own declaration) and defines accessor(), which opens the
// library on its first call and takes every function from it; a missing library or function
// throws from that call and is tried again on the next.
#define ZV_SHARED_LIBRARY_API(Api, accessor, LIST, file, what)     \
    struct Api {                                                   \
        LIST(ZV_SHARED_LIBRARY_DECLARE_)                           \
    };                                                             \
    const Api& accessor()                                          \
    {                                                              \
        static const Api api = [] {                                \
            const char* what_ = what;                              \
            void* library_ = ::zv::OpenSharedLibrary(file, what_); \
            Api loaded_;                                           \
            LIST(ZV_SHARED_LIBRARY_RESOLVE_)                       \
            return loaded_;                                        \
        }();                                                       \
        return api;                                                \
    }
#define ZV_SHARED_LIBRARY_DECLARE_(name) decltype(&::name) name = nullptr;
#define ZV_SHARED_LIBRARY_RESOLVE_(name) \
    loaded_.name = ::zv::SharedLibraryFunction<decltype(&::name)>(library_, #name, what_);
