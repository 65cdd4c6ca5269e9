// MERGOLA_VECTOR_CLONES marks a function whose loops the compiler
// vectorises: it is compiled once for each instruction set named here and
// the widest one the processor has is chosen once, when the program loads.
// The program itself stays built for the plain x86-64 baseline, so it runs
// everywhere, while filters over many-megapixel pictures get 256- and
// 512-bit vectors where the processor has them (measured 2 to 4 times
// faster than the baseline's 128-bit vectors). Every clone computes the
// same integers, so the pixels do not depend on the processor.
//
// Put it on plain (non-template, non-inline) functions that do a whole row
// or more per call: the choice costs an indirect call.
#pragma once

#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && defined(__linux__)
#define MERGOLA_VECTOR_CLONES __attribute__((target_clones("arch=x86-64-v4", "avx2", "default")))
#else
#define MERGOLA_VECTOR_CLONES
#endif
