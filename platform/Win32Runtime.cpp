// The few pieces of the C++ runtime the program needs, without exceptions.
//
// The program is built without exceptions, but the static C++ library's own
// operator new and its std::__throw_* helpers still throw, and throwing
// drags in the unwinder and the demangling terminate handler: several times
// the size of the program itself. Here allocation failure and a broken
// string invariant end the process instead, which is all a throw could
// have done in a program that never catches.
#include <cstddef>
#include <cstdlib>
#include <new>

namespace {
void* Allocate(std::size_t size) noexcept { return std::malloc(size ? size : 1); }
}  // namespace

void* operator new(std::size_t size) {
    void* block = Allocate(size);
    if (!block) std::abort();
    return block;
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }

// Called by the standard library's inline code (std::u16string, new[]) in
// place of a throw.
namespace std {
void __throw_bad_alloc() { std::abort(); }
void __throw_bad_array_new_length() { std::abort(); }
void __throw_length_error(const char*) { std::abort(); }
void __throw_logic_error(const char*) { std::abort(); }
void __throw_out_of_range(const char*) { std::abort(); }
void __throw_out_of_range_fmt(const char*, ...) { std::abort(); }
}  // namespace std
