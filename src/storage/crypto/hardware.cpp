// Which instruction paths the processor allows, read once from CPUID at start-up.
#include "storage/crypto/hardware.h"

#include "storage/crypto/hardware_paths.h"

#if QUILLOX_HARDWARE_CRYPTO
#if defined(_MSC_VER) && !defined(__clang__)
#include <intrin.h>
#else
#include <cpuid.h>
#endif
#endif

namespace {

struct Support {
    bool aes = false;
    bool sha = false;
};

#if QUILLOX_HARDWARE_CRYPTO
// Registers EAX, EBX, ECX, EDX of CPUID for a leaf and sub-leaf; zeros for a leaf the
// processor does not have.
void cpuid(unsigned leaf, unsigned subleaf, unsigned r[4]) {
    r[0] = r[1] = r[2] = r[3] = 0;
#if defined(_MSC_VER) && !defined(__clang__)
    int max[4];
    __cpuid(max, 0);
    if (unsigned(max[0]) < leaf) return;
    int regs[4];
    __cpuidex(regs, int(leaf), int(subleaf));
    for (int i = 0; i < 4; ++i) r[i] = unsigned(regs[i]);
#else
    __get_cpuid_count(leaf, subleaf, &r[0], &r[1], &r[2], &r[3]);
#endif
}

Support detect() {
    unsigned leaf1[4], leaf7[4];
    cpuid(1, 0, leaf1);
    cpuid(7, 0, leaf7);
    const unsigned ecx1 = leaf1[2], ebx7 = leaf7[1];
    // The AES code byte-swaps round keys with PSHUFB (SSSE3); the SHA code also blends
    // with PBLENDW (SSE4.1). SSE2 comes with every 64-bit processor but not every 32-bit one.
    const bool sse2 = (leaf1[3] >> 26) & 1;
    const bool ssse3 = (ecx1 >> 9) & 1;
    const bool sse41 = (ecx1 >> 19) & 1;
    Support s;
    s.aes = sse2 && ssse3 && ((ecx1 >> 25) & 1);
    s.sha = sse2 && ssse3 && sse41 && ((ebx7 >> 29) & 1);
    return s;
}
#else
Support detect() {
    return Support{};
}
#endif

const Support support = detect();

}  // namespace

namespace hwcrypto {

bool aesInUse = support.aes;
bool shaInUse = support.sha;

}  // namespace hwcrypto

bool setHardwareCrypto(bool on) {
    hwcrypto::aesInUse = on && support.aes;
    hwcrypto::shaInUse = on && support.sha;
    return hwcrypto::aesInUse || hwcrypto::shaInUse;
}
