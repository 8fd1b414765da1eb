// What the processor has beyond the x86-64 baseline, asked once, when first
// needed.  (__builtin_cpu_supports would ask for everything at every start
// of the program; in a virtual machine each question is slow.)
#pragma once

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define LZH_X86_64 1
#include <cpuid.h>
#endif

namespace lzh::cpu {

#ifdef LZH_X86_64
// Carry-less multiplication (PCLMULQDQ).
inline bool has_pclmul() {
    static const bool yes = [] {
        unsigned a, b, c, d;
        return __get_cpuid(1, &a, &b, &c, &d) && (c & bit_PCLMUL);
    }();
    return yes;
}

// Shifts by a variable count without the count register (SHLX, SHRX).
inline bool has_bmi2() {
    static const bool yes = [] {
        unsigned a, b, c, d;
        return __get_cpuid_count(7, 0, &a, &b, &c, &d) && (b & bit_BMI2);
    }();
    return yes;
}
#endif

} // namespace lzh::cpu
