// The I/O port instructions for 32-bit code (stdcall-free C functions: the
// argument on the stack, the result in eax).
#include <windows.h>

#include <cstdint>

asm(R"(
    .text
    .globl _portInByte, _portInInstruction, _portInDone
    .globl _portOutByte, _portOutInstruction, _portOutDone
_portInByte:
    movzwl 4(%esp), %edx
    xorl %eax, %eax
_portInInstruction:
    inb %dx, %al
_portInDone:
    ret
_portOutByte:
    movzwl 4(%esp), %edx
    movzbl 8(%esp), %eax
_portOutInstruction:
    outb %al, %dx
    xorl %eax, %eax
_portOutDone:
    ret
)");

namespace port {

void resumeRefused(CONTEXT& context, const unsigned char* at) {
    context.Eip = reinterpret_cast<DWORD>(at);
    context.Eax = 0xFFFFFFFF;
}

}  // namespace port
