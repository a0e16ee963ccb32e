// I/O port group on Windows: the processor's byte-wide in and out
// instructions. Where the system forbids them to programs, the instruction
// faults; a handler that knows exactly these two instructions turns that
// fault into a refused access instead of letting it end the caller.
#include <windows.h>

#include "ioport_system.h"
#include "no_destructor.h"

// The two instructions, with a label on each and on the return after it
// (ioport_x86.cpp for 32-bit code, ioport_x64.cpp for 64-bit code).
extern "C" {
// Both return -1 when the instruction was refused; portInByte else the byte.
int32_t portInByte(uint32_t address);
int32_t portOutByte(uint32_t address, uint32_t value);
extern const unsigned char portInInstruction[], portInDone[];
extern const unsigned char portOutInstruction[], portOutDone[];
}

namespace port {
// Continues the faulted thread at `at` with -1 as the function's result.
void resumeRefused(CONTEXT& context, const unsigned char* at);
}  // namespace port

namespace port {

namespace {

LONG CALLBACK skipRefusedPortInstruction(EXCEPTION_POINTERS* e) {
    const DWORD code = e->ExceptionRecord->ExceptionCode;
    if (code != EXCEPTION_PRIV_INSTRUCTION && code != EXCEPTION_ACCESS_VIOLATION)
        return EXCEPTION_CONTINUE_SEARCH;
    const void* at = e->ExceptionRecord->ExceptionAddress;
    if (at == portInInstruction)
        resumeRefused(*e->ContextRecord, portInDone);
    else if (at == portOutInstruction)
        resumeRefused(*e->ContextRecord, portOutDone);
    else
        return EXCEPTION_CONTINUE_SEARCH;
    return EXCEPTION_CONTINUE_EXECUTION;
}

// The handler is in place only around one instruction, so nothing of it
// outlives the call (or the library).
class RefusalGuard {
public:
    RefusalGuard() : handler_(AddVectoredExceptionHandler(1, skipRefusedPortInstruction)) {}
    ~RefusalGuard() {
        if (handler_) RemoveVectoredExceptionHandler(handler_);
    }
    RefusalGuard(const RefusalGuard&) = delete;
    RefusalGuard& operator=(const RefusalGuard&) = delete;

private:
    void* handler_;
};

class X86IoPortSystem : public IoPortSystem {
public:
    bool in(uint16_t address, uint8_t& value) override {
        RefusalGuard guard;
        const int32_t result = portInByte(address);
        if (result < 0) return false;
        value = static_cast<uint8_t>(result);
        return true;
    }
    bool out(uint16_t address, uint8_t value) override {
        RefusalGuard guard;
        return portOutByte(address, value) == 0;
    }
};

}  // namespace

IoPortSystem& platformIoPortSystem() {
    static NoDestructor<X86IoPortSystem> system;
    return *system;
}

}  // namespace port
