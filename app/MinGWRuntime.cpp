// MinGW only: keeps most of the statically linked C++ runtime out of the program, which is
// downloaded and should stay small. Each definition below replaces the runtime's own, so the
// archive member that holds the original is never linked. Should the runtime ever need that
// member for another reason, its definitions clash with these and the link fails; it never
// silently carries both.
#include "app/AbnormalEnd.h"

#include <windows.h>

#include <cxxabi.h>
#include <exception>
#include <new>
#include <unwind.h>

namespace {

// What the runtime's checks throw here: any failure is caught as such, and none of the
// runtime's string-carrying exception types (and the string code behind them) is needed.
class RuntimeCheckFailed final : public std::exception {
public:
    explicit RuntimeCheckFailed(const char* what) noexcept : what_(what) {}
    [[nodiscard]] const char* what() const noexcept override { return what_; }

private:
    const char* what_;
};

} // namespace

// The default terminate handler prints the exception's demangled name to a console that a GUI
// program does not have; it links the demangler and printf. Ending at once, as the program's
// own handler does, is all that is left: it serves before that handler is set.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
    ocx::EndAbnormally();
}
} // namespace __gnu_cxx

// The checks of std::wstring and std::vector report through these; the runtime's own throw
// std::length_error and its kin, whose copy-on-write strings pull in a second string library.
namespace std {
void __throw_bad_alloc() {
    throw bad_alloc();
}
void __throw_bad_array_new_length() {
    throw bad_alloc();
}
void __throw_length_error(const char* what) {
    throw RuntimeCheckFailed(what);
}
void __throw_logic_error(const char* what) {
    throw RuntimeCheckFailed(what);
}
void __throw_out_of_range_fmt(const char* format, ...) {
    throw RuntimeCheckFailed(format);
}
} // namespace std

// The start-up code's pass over pseudo-relocations, which patch data that the program imports
// from a DLL as if it were its own. The program is linked with --disable-auto-import and
// --disable-runtime-pseudo-reloc, so such an import fails to link: the pass never has anything
// to do, and neither its code nor the section walk behind it is needed.
extern "C" void _pei386_runtime_relocator() {}

// The exceptions being thrown and handled, which the runtime keeps per thread, in thread-local
// storage that MinGW emulates with TLS slots, locks and key destructors. The program throws on
// its main thread only (it starts no thread: the release check refuses the functions that would
// start one), so one record serves. A throw or catch on any other thread still reaches here, and
// ends the program at once rather than share the record.
namespace {

// The record's layout, as the C++ ABI gives it: the exceptions being handled, innermost first,
// and how many are thrown but not yet caught.
struct ExceptionsInFlight {
    void* Caught;
    unsigned int Uncaught;
};

ExceptionsInFlight exceptionsInFlight{};
// Set before wWinMain, on the thread that runs it.
const DWORD mainThread = ::GetCurrentThreadId();

} // namespace

namespace __cxxabiv1 {
extern "C" __cxa_eh_globals* __cxa_get_globals_fast() noexcept {
    if (::GetCurrentThreadId() != mainThread) {
        ocx::EndAbnormally();
    }
    return reinterpret_cast<__cxa_eh_globals*>(&exceptionsInFlight);
}
extern "C" __cxa_eh_globals* __cxa_get_globals() noexcept {
    return __cxa_get_globals_fast();
}
} // namespace __cxxabiv1

// The lock that the exception runtime takes around its emergency allocation pool, from libgcc's
// win32 threads, which bring thread-local slots and semaphores of their own. With one thread (see
// above), nothing contends for it: it locks nothing. (Each takes the lock's address, which C
// names do not tell apart from any other pointer.)
extern "C" {
void __gthr_win32_mutex_init_function(void* /*mutex*/) {}
void __gthr_win32_mutex_destroy(void* /*mutex*/) {}
int __gthr_win32_mutex_lock(void* /*mutex*/) {
    return 0;
}
int __gthr_win32_mutex_unlock(void* /*mutex*/) {
    return 0;
}
}

// The start-up code refers to the runtime's report of math errors, which prints to a console that
// the program does not have; it installs it only for programs that ask for it, which this one
// does not, and the program does no floating-point math.
extern "C" int _matherr(struct _exception* /*error*/) {
    return 0;
}

// The start-up code's thread-local storage callback runs the destructors registered for the
// runtime's thread keys as threads end, and resets the floating-point unit of each new thread.
// The program registers none (the exception record above was the one user of a key) and runs
// no code on another thread. A registration ends the program at once, so that a future one (a
// thread_local variable, say) cannot go unnoticed.
extern "C" int __mingwthr_key_dtor(DWORD /*key*/, void (* /*destructor*/)(void*)) {
    ocx::EndAbnormally();
}
extern "C" BOOL __mingw_TLScallback(HANDLE /*module*/, DWORD /*reason*/, void* /*reserved*/) {
    return TRUE;
}

// The start-up code's filter for crashes, which passes them to C signal handlers for SIGSEGV,
// SIGILL and SIGFPE. The program sets none, so it passes each on to the system, as this one does,
// until wWinMain sets the program's own filter first thing.
extern "C" {
LPTOP_LEVEL_EXCEPTION_FILTER __mingw_oldexcpt_handler = nullptr;
LONG WINAPI _gnu_exception_handler(EXCEPTION_POINTERS* /*exception*/) {
    return EXCEPTION_CONTINUE_SEARCH;
}
}

#if defined(__i386__)
// The C++ personality routine, which reads a function's exception tables as the unwinder passes.
extern "C" _Unwind_Reason_Code __gxx_personality_v0(int version, _Unwind_Action actions,
                                                    _Unwind_Exception_Class kind,
                                                    _Unwind_Exception* exception,
                                                    _Unwind_Context* context);

// The whole-program optimisation gives functions that only gain exception cleanups from code
// inlined into them the C language's personality routine, which brings its own copy of the
// table reading. Those tables are the C++ compiler's, and the C++ routine reads them as their
// source means them. (app/CMakeLists.txt keeps this definition, as the optimisation refers to
// it only after the link has chosen what to keep; 64-bit Windows unwinds by another scheme.)
extern "C" _Unwind_Reason_Code __gcc_personality_v0(int version, _Unwind_Action actions,
                                                    _Unwind_Exception_Class kind,
                                                    _Unwind_Exception* exception,
                                                    _Unwind_Context* context) {
    return __gxx_personality_v0(version, actions, kind, exception, context);
}
#endif
