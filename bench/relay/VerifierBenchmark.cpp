// One signature check of a 1 KiB body per scheme that signs the body alone, as a hook request to a
// verifying listener pays it on the relay's I/O thread.
#include "verification/SignatureVerifier.h"

#include <benchmark/benchmark.h>

#include <string>

using namespace corvane::relay;

namespace {

void githubCheckOfOneKibibyte(benchmark::State& state)
{
    VerificationSettings settings;
    settings.secret = "bench-signing-secret";
    const std::string body(1024, 'x');
    const SignatureVerifier::Headers headers{{"x-hub-signature-256", "sha256=" + std::string(64, '0')}};
    for (auto _ : state) {
        benchmark::DoNotOptimize(SignatureVerifier(settings).verify(headers, body, 0));
    }
}
BENCHMARK(githubCheckOfOneKibibyte);

} // namespace
