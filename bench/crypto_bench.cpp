// Throughput of our SHA-256 and AES-256-CBC next to OpenSSL's EVP over the same 4 MiB, in one
// run, so that the ratio does not depend on the machine. Each iteration expands the key afresh,
// as the note record does for every encryption. Ours runs twice: with the AES and SHA
// instruction paths ("ours") and with the portable code alone ("software"). crypto_ratios.sh
// turns the output into ratios: ours against OpenSSL as it is, software against OpenSSL with
// its instruction paths masked.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "storage/crypto/aes.h"
#include "storage/crypto/hardware.h"
#include "storage/crypto/sha256.h"

namespace {

constexpr std::size_t kSize = 4 << 20;

// Identical pseudo-random contents for both implementations.
const std::vector<std::uint8_t>& input() {
    static const std::vector<std::uint8_t> data = [] {
        std::vector<std::uint8_t> v(kSize);
        std::uint32_t x = 12345;
        for (auto& b : v) {
            x = x * 1664525u + 1013904223u;
            b = std::uint8_t(x >> 24);
        }
        return v;
    }();
    return data;
}

const std::uint8_t kKey[32] = {0x60, 0x3d, 0xeb, 0x10, 0x15, 0xca, 0x71, 0xbe, 0x2b, 0x73, 0xae,
                               0xf0, 0x85, 0x7d, 0x77, 0x81, 0x1f, 0x35, 0x2c, 0x07, 0x3b, 0x61,
                               0x08, 0xd7, 0x2d, 0x98, 0x10, 0xa3, 0x09, 0x14, 0xdf, 0xf4};
const std::uint8_t kIv[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};

struct CipherCtxDeleter {
    void operator()(EVP_CIPHER_CTX* ctx) const { EVP_CIPHER_CTX_free(ctx); }
};
using CipherCtx = std::unique_ptr<EVP_CIPHER_CTX, CipherCtxDeleter>;

void fail(benchmark::State& state, const char* what) {
    state.SkipWithError(what);
}

// Selects our path for one benchmark; false when the instructions are wanted but missing.
bool usePath(benchmark::State& state, bool hardware) {
    if (setHardwareCrypto(hardware) == hardware) return true;
    fail(state, "no AES or SHA instructions on this processor");
    return false;
}

void Sha256Ours(benchmark::State& state, bool hardware) {
    if (!usePath(state, hardware)) return;
    const auto& in = input();
    std::uint8_t digest[32];
    for (auto _ : state) {
        sha256(in.data(), in.size(), digest);
        benchmark::DoNotOptimize(digest);
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(kSize));
}

void Sha256OpenSsl(benchmark::State& state) {
    const auto& in = input();
    std::uint8_t digest[32];
    for (auto _ : state) {
        if (EVP_Digest(in.data(), in.size(), digest, nullptr, EVP_sha256(), nullptr) != 1)
            return fail(state, "EVP_Digest");
        benchmark::DoNotOptimize(digest);
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(kSize));
}

void CbcEncryptOurs(benchmark::State& state, bool hardware) {
    if (!usePath(state, hardware)) return;
    buildAesTables();
    const auto& in = input();
    std::vector<std::uint8_t> out(kSize);
    for (auto _ : state) {
        AesEncKeySchedule schedule;
        expandEncKey(kKey, schedule);
        std::uint8_t iv[16];
        std::copy(kIv, kIv + 16, iv);
        if (!cbcEncrypt(in.data(), out.data(), kSize, iv, schedule))
            return fail(state, "cbcEncrypt");
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(kSize));
}

void CbcDecryptOurs(benchmark::State& state, bool hardware) {
    if (!usePath(state, hardware)) return;
    buildAesTables();
    const auto& in = input();
    std::vector<std::uint8_t> out(kSize);
    for (auto _ : state) {
        AesDecKeySchedule schedule;
        expandDecKey(kKey, schedule);
        std::uint8_t iv[16];
        std::copy(kIv, kIv + 16, iv);
        if (!cbcDecrypt(in.data(), out.data(), kSize, iv, schedule))
            return fail(state, "cbcDecrypt");
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(kSize));
}

// encrypt is 1 for encryption, 0 for decryption, as EVP_CipherInit_ex takes it.
void cbcOpenSsl(benchmark::State& state, int encrypt) {
    const auto& in = input();
    std::vector<std::uint8_t> out(kSize);
    CipherCtx ctx(EVP_CIPHER_CTX_new());
    if (!ctx) return fail(state, "EVP_CIPHER_CTX_new");
    for (auto _ : state) {
        int written = 0;
        if (EVP_CipherInit_ex(ctx.get(), EVP_aes_256_cbc(), nullptr, kKey, kIv, encrypt) != 1 ||
            EVP_CIPHER_CTX_set_padding(ctx.get(), 0) != 1 ||
            EVP_CipherUpdate(ctx.get(), out.data(), &written, in.data(), int(kSize)) != 1 ||
            written != int(kSize))
            return fail(state, "EVP_CipherUpdate");
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(kSize));
}

void CbcEncryptOpenSsl(benchmark::State& state) {
    cbcOpenSsl(state, 1);
}
void CbcDecryptOpenSsl(benchmark::State& state) {
    cbcOpenSsl(state, 0);
}

}  // namespace

// Names are "<operation>/<implementation>"; crypto_ratios.sh pairs them by operation.
BENCHMARK_CAPTURE(Sha256Ours, hw, true)->Name("sha256/ours")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Sha256Ours, sw, false)->Name("sha256/software")->Unit(benchmark::kMillisecond);
BENCHMARK(Sha256OpenSsl)->Name("sha256/openssl")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(CbcEncryptOurs, hw, true)
    ->Name("aes256cbc_encrypt/ours")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(CbcEncryptOurs, sw, false)
    ->Name("aes256cbc_encrypt/software")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(CbcEncryptOpenSsl)->Name("aes256cbc_encrypt/openssl")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(CbcDecryptOurs, hw, true)
    ->Name("aes256cbc_decrypt/ours")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(CbcDecryptOurs, sw, false)
    ->Name("aes256cbc_decrypt/software")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(CbcDecryptOpenSsl)->Name("aes256cbc_decrypt/openssl")->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
