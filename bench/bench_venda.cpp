// The sale file is written at every status change and read at the start of each operation, so its
// cost with many payments is what a long demonstration sale feels.

#include "app/uVendaClass.h"

#include <benchmark/benchmark.h>

#include <filesystem>

namespace {

std::string ArquivoTemporario() {
    return (std::filesystem::temp_directory_path() / "quendo-bench-Venda.ini").string();
}

void PreencherVenda(TVenda& venda, int pagamentos) {
    venda.ValorInicial = Currency::FromDouble(1000);
    for (int i = 0; i < pagamentos; ++i) {
        TPagamento& p = venda.Pagamentos.New();
        p.TipoPagamento = "03";
        p.ValorPago = Currency::FromDouble(19.99);
        p.NSU = std::to_string(100000 + i);
        p.Rede = "REDE";
    }
}

void BM_GravarVenda(benchmark::State& state) {
    TVenda venda(ArquivoTemporario());
    PreencherVenda(venda, static_cast<int>(state.range(0)));
    for (auto _ : state)
        venda.Gravar();
    std::filesystem::remove(venda.ArqVenda());
}
BENCHMARK(BM_GravarVenda)->Arg(3)->Arg(1001)->Unit(benchmark::kMillisecond);

void BM_LerVenda(benchmark::State& state) {
    TVenda venda(ArquivoTemporario());
    PreencherVenda(venda, static_cast<int>(state.range(0)));
    venda.Gravar();
    for (auto _ : state)
        venda.Ler();
    std::filesystem::remove(venda.ArqVenda());
}
BENCHMARK(BM_LerVenda)->Arg(3)->Arg(1001)->Unit(benchmark::kMillisecond);

} // namespace
