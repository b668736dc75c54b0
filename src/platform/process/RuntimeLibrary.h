#pragma once

#include <dlfcn.h>

// A library the program loads with dlopen when it first needs it instead of linking it, so the
// package does not depend on it and the program runs where it is missing. Its functions are an
// X-macro list FUNCTIONS(X); for each library:
//
//   struct FooApi { FUNCTIONS(KELBRIN_RUNTIME_POINTER) };
//   auto api = std::make_unique<FooApi>();
//   void* library = OpenRuntimeLibrary("libfoo.so.1");
//   bool complete = library && true FUNCTIONS(KELBRIN_RUNTIME_LOOKUP);
//
// The library stays loaded, also when a function is missing: a second attempt would find the
// same library, and unloading one that has started is not safe.

// A member pointing at the function `name`, of its declared type.
#define KELBRIN_RUNTIME_POINTER(name) decltype(&::name) name = nullptr;
// "&& found": looks `name` up in `library` and stores it in `api->name`.
#define KELBRIN_RUNTIME_LOOKUP(name) \
  &&(api->name = reinterpret_cast<decltype(api->name)>(::dlsym(library, #name))) != nullptr

namespace kelbrin::platform {

// dlopen(soname) with every symbol resolved now and kept local; nullptr when it is missing.
inline void* OpenRuntimeLibrary(const char* soname) {
  return ::dlopen(soname, RTLD_NOW | RTLD_LOCAL);
}

}  // namespace kelbrin::platform
