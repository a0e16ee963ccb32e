// The I/O port instructions for 64-bit code (the arguments in ecx and edx,
// the result in eax).
#include <windows.h>

#include <cstdint>

asm(R"(
    .text
    .globl portInByte, portInInstruction, portInDone
    .globl portOutByte, portOutInstruction, portOutDone
portInByte:
    movzwl %cx, %edx
    xorl %eax, %eax
portInInstruction:
    inb %dx, %al
portInDone:
    ret
portOutByte:
    movzbl %dl, %eax
    movzwl %cx, %edx
portOutInstruction:
    outb %al, %dx
    xorl %eax, %eax
portOutDone:
    ret
)");

namespace port {

void resumeRefused(CONTEXT& context, const unsigned char* at) {
    context.Rip = reinterpret_cast<DWORD64>(at);
    context.Rax = 0xFFFFFFFF;
}

}  // namespace port
