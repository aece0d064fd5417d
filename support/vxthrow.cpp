// The C++ runtime's throw helpers, which strings and containers call on a
// size or position out of range and the runtime's allocation on a failure.
// The runtime's own build each error's message in its copy-on-write string
// class and so bring that class, the narrow string class and the random
// device (some 80 KB) into the exe. Defined here, all of them, they replace
// the runtime's at link time, so its object holding them is never linked.
//
// Nothing in this program catches a range or length error, and no exception
// may cross the library's boundary, so each is a bug: the message goes to
// the debugger and std::terminate ends the process through the crash
// handler (dump and crash box). The failures without a message keep their
// own exception types, so that a caller catching them still can.
#include <windows.h>
#include <exception>
#include <new>
#include <stdexcept>
#include <typeinfo>

namespace {
[[noreturn]] void Fail(const char* what) {
    OutputDebugStringA(what);
    std::terminate();
}
} // namespace

namespace std {
void __throw_bad_exception() {
    throw bad_exception();
}
void __throw_bad_alloc() {
    throw bad_alloc();
}
void __throw_bad_array_new_length() {
    throw bad_array_new_length();
}
void __throw_bad_cast() {
    throw bad_cast();
}
void __throw_bad_typeid() {
    throw bad_typeid();
}
void __throw_logic_error(const char* what) {
    Fail(what);
}
void __throw_domain_error(const char* what) {
    Fail(what);
}
void __throw_invalid_argument(const char* what) {
    Fail(what);
}
void __throw_length_error(const char* what) {
    Fail(what);
}
void __throw_out_of_range(const char* what) {
    Fail(what);
}
void __throw_out_of_range_fmt(const char* format, ...) {
    Fail(format);
}
void __throw_runtime_error(const char* what) {
    Fail(what);
}
void __throw_range_error(const char* what) {
    Fail(what);
}
void __throw_overflow_error(const char* what) {
    Fail(what);
}
void __throw_underflow_error(const char* what) {
    Fail(what);
}
} // namespace std
