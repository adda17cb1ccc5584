// A TEF file is read for every stored response at each start and rewritten at each confirmation;
// drivers look keys up one by one while mapping a response.

#include "tef/OvraTEFComum.h"

#include <benchmark/benchmark.h>

namespace {

std::string ArquivoTipico(int linhas) {
    TOvraTEFArquivo a;
    for (int i = 0; i < linhas; ++i)
        a.GravaInformacao(i % 700 + 1, i / 700, "valor da linha " + std::to_string(i) + "\\x0D\\x0A");
    return a.GeraBytes();
}

void BM_LerBytes(benchmark::State& state) {
    const std::string bytes = ArquivoTipico(static_cast<int>(state.range(0)));
    TOvraTEFArquivo a;
    for (auto _ : state) {
        a.LeBytes(bytes);
        benchmark::DoNotOptimize(a.Count());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_LerBytes)->Arg(60)->Arg(2000);

void BM_LerTodasAsChaves(benchmark::State& state) {
    TOvraTEFArquivo a;
    a.LeBytes(ArquivoTipico(static_cast<int>(state.range(0))));
    for (auto _ : state)
        for (int i = 0; i < state.range(0); ++i)
            benchmark::DoNotOptimize(a.LeInformacao(i % 700 + 1, i / 700).AsString());
}
BENCHMARK(BM_LerTodasAsChaves)->Arg(60)->Arg(2000);

void BM_GerarBytes(benchmark::State& state) {
    TOvraTEFArquivo a;
    a.LeBytes(ArquivoTipico(static_cast<int>(state.range(0))));
    for (auto _ : state)
        benchmark::DoNotOptimize(a.GeraBytes());
}
BENCHMARK(BM_GerarBytes)->Arg(60)->Arg(2000);

} // namespace
