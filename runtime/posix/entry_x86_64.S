# EXE_ENTRY: the start routine. It prepares the process, then calls the main program
# with a null frame pointer, so that the main program's saved frame is null and every
# back-trace ends with the return address into this routine. It never returns.
# The caller's frame pointer is saved and described to the unwinder: an exception
# that finds no handler must be able to walk on into main to reach std::terminate.
        .text
        .globl  EXE_ENTRY
        .type   EXE_ENTRY, @function
EXE_ENTRY:
        .cfi_startproc
        push    %rbp
        .cfi_adjust_cfa_offset 8
        .cfi_offset %rbp, -16
        push    %rbx
        .cfi_adjust_cfa_offset 8
        .cfi_offset %rbx, -24
        sub     $8, %rsp                # keeps the stack 16-byte aligned for the calls
        .cfi_adjust_cfa_offset 8
        mov     %rdi, %rbx              # the main program
        lea     32(%rsp), %rdi          # the caller's stack pointer: this thread's stack top
        call    exe_entry_prepare
        xor     %ebp, %ebp
        call    *%rbx
        call    exe_entry_finish
        ud2
        .cfi_endproc
        .size   EXE_ENTRY, .-EXE_ENTRY
        .section .note.GNU-stack,"",@progbits
