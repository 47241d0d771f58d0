// Throughput of the cipher engines' buffer operations and of the Base64
// codec, at call sizes from a password-sized text to a large file.
//
// Every benchmark reports bytes/s of the caller's data (the plaintext size N),
// so Blowfish's 12..19 bytes of framing count as overhead, not as work.
//
// Blowfish changes the buffer's size, so each iteration starts from a fresh
// copy of its input. Pausing the timer around a 64-byte copy would cost far
// more than the copy, so the copy stays inside the timed region instead; it
// goes into a buffer whose capacity is reserved up front, so it is a plain
// memcpy without allocation. BM_CopyBaseline measures exactly that copy at
// the same sizes, to be subtracted when the difference matters (a few percent
// of Blowfish's time at most).
#include "clsBlowfish.h"
#include "clsRC4.h"
#include "mdlBase64.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <string>
#include <string_view>

namespace {

using veilcraft::ByteArray;

constexpr std::string_view kKey = "correct horse battery staple";

ByteArray randomBuffer(std::size_t size)
{
    std::mt19937_64 rng(size);
    ByteArray bytes(size);
    for (auto& b : bytes)
        b = static_cast<std::uint8_t>(rng());
    return bytes;
}

std::size_t sizeOf(const benchmark::State& state)
{
    return static_cast<std::size_t>(state.range(0));
}

void setThroughput(benchmark::State& state)
{
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

// RC4 keeps the buffer's size, so it works in place on one buffer: applying
// the key stream again and again is exactly the same work every time.
void BM_RC4_EncryptByte(benchmark::State& state)
{
    veilcraft::clsRC4 engine;
    engine.setKey(kKey);
    ByteArray buffer = randomBuffer(sizeOf(state));
    for (auto _ : state) {
        engine.EncryptByte(buffer);
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
    setThroughput(state);
}

void BM_RC4_DecryptByte(benchmark::State& state)
{
    veilcraft::clsRC4 engine;
    engine.setKey(kKey);
    ByteArray buffer = randomBuffer(sizeOf(state));
    engine.EncryptByte(buffer);
    for (auto _ : state) {
        engine.DecryptByte(buffer);
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
    setThroughput(state);
}

void BM_Blowfish_EncryptByte(benchmark::State& state)
{
    veilcraft::clsBlowfish engine;
    engine.setKey(kKey);
    const ByteArray plain = randomBuffer(sizeOf(state));
    ByteArray work;
    work.reserve(plain.size() + 24);
    for (auto _ : state) {
        work.assign(plain.begin(), plain.end());
        engine.EncryptByte(work);
        benchmark::DoNotOptimize(work.data());
        benchmark::ClobberMemory();
    }
    setThroughput(state);
}

// Decrypts a real ciphertext of the same key, so the size descriptor check
// passes and the work is the full decryption and shrink.
void BM_Blowfish_DecryptByte(benchmark::State& state)
{
    veilcraft::clsBlowfish engine;
    engine.setKey(kKey);
    ByteArray cipher = randomBuffer(sizeOf(state));
    engine.EncryptByte(cipher);
    ByteArray work;
    work.reserve(cipher.size());
    for (auto _ : state) {
        work.assign(cipher.begin(), cipher.end());
        engine.DecryptByte(work);
        benchmark::DoNotOptimize(work.data());
        benchmark::ClobberMemory();
    }
    if (work.size() != sizeOf(state))
        state.SkipWithError("Blowfish decryption did not restore the plaintext size");
    setThroughput(state);
}

// The per-iteration copy of the Blowfish benchmarks on its own.
void BM_CopyBaseline(benchmark::State& state)
{
    const ByteArray plain = randomBuffer(sizeOf(state));
    ByteArray work;
    work.reserve(plain.size() + 24);
    for (auto _ : state) {
        work.assign(plain.begin(), plain.end());
        benchmark::DoNotOptimize(work.data());
        benchmark::ClobberMemory();
    }
    setThroughput(state);
}

void BM_Base64_Encode(benchmark::State& state)
{
    const ByteArray data = randomBuffer(sizeOf(state));
    const std::string_view text(reinterpret_cast<const char*>(data.data()), data.size());
    for (auto _ : state)
        benchmark::DoNotOptimize(veilcraft::mdlBase64::Encode(text));
    setThroughput(state);
}

// Throughput of Decode counts the decoded bytes, as for Encode.
void BM_Base64_Decode(benchmark::State& state)
{
    const ByteArray data = randomBuffer(sizeOf(state));
    const std::string encoded =
        veilcraft::mdlBase64::Encode(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
    for (auto _ : state)
        benchmark::DoNotOptimize(veilcraft::mdlBase64::Decode(encoded));
    setThroughput(state);
}

void callSizes(benchmark::internal::Benchmark* b)
{
    b->Arg(64)->Arg(4 << 10)->Arg(16 << 10)->Arg(1 << 20)->Arg(64 << 20)->Unit(benchmark::kMicrosecond);
}

} // namespace

BENCHMARK(BM_RC4_EncryptByte)->Apply(callSizes);
BENCHMARK(BM_RC4_DecryptByte)->Apply(callSizes);
BENCHMARK(BM_Blowfish_EncryptByte)->Apply(callSizes);
BENCHMARK(BM_Blowfish_DecryptByte)->Apply(callSizes);
BENCHMARK(BM_CopyBaseline)->Apply(callSizes);
BENCHMARK(BM_Base64_Encode)->Apply(callSizes);
BENCHMARK(BM_Base64_Decode)->Apply(callSizes);

BENCHMARK_MAIN();
