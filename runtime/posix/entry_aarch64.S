// EXE_ENTRY: the start routine. It prepares the process, then calls the main program
// with a null frame pointer, so that the main program's frame record holds a null
// frame and every back-trace ends with the return address into this routine. It
// never returns. Its own frame record, linked to the caller's and described to the
// unwinder, lets an exception that finds no handler walk on into main to reach
// std::terminate.
        .text
        .globl  EXE_ENTRY
        .type   EXE_ENTRY, %function
EXE_ENTRY:
        .cfi_startproc
        stp     x29, x30, [sp, #-32]!
        .cfi_def_cfa_offset 32
        .cfi_offset 29, -32
        .cfi_offset 30, -24
        str     x19, [sp, #16]
        .cfi_offset 19, -16
        mov     x29, sp
        mov     x19, x0                 // the main program
        add     x0, sp, #32             // the caller's stack pointer: this thread's stack top
        bl      exe_entry_prepare
        mov     x29, #0
        blr     x19
        bl      exe_entry_finish
        brk     #0
        .cfi_endproc
        .size   EXE_ENTRY, .-EXE_ENTRY
        .section .note.GNU-stack,"",%progbits
