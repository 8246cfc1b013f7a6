#!/usr/bin/env bash
# Exits 0 when this kernel runs 32-bit x86 programs, 1 when it does not
# (another architecture, or a kernel built or booted without them, as on
# some virtual machines). It runs the smallest such program there is, one
# that only exits, made with the binutils the C++ compiler brings: nothing
# needs to be installed or registered for the question to be asked.
set -uo pipefail
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
printf '.globl _start\n_start:\n movl $1, %%eax\n movl $32, %%ebx\n int $0x80\n' >"$scratch/exit.s"
as --32 -o "$scratch/exit.o" "$scratch/exit.s" 2>/dev/null &&
  ld -m elf_i386 -o "$scratch/exit" "$scratch/exit.o" 2>/dev/null || exit 1
# Exit status 32 comes only from the program itself having run.
"$scratch/exit" 2>/dev/null
[ $? -eq 32 ]
