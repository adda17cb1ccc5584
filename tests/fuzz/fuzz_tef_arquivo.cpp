// Any bytes as a TEF file: loading keeps what can be read, every reader of a value copes with any
// text, the response rebuilds from it, and what is saved loads back as the same lines.

#include "platform/Clock.h"
#include "tef/OvraTEFComum.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

// The failing condition and its line go to the report before the crash.
#define Exigir(condicao) ((condicao) ? (void)0 : Falhar(#condicao, __LINE__))

namespace {

// "Now" stands still on a leap day, so years taken from today are the same on every run.
class RelogioFixo : public platform::Clock {
public:
    platform::TDateTime Agora() override { return platform::EncodeDateTime(2024, 2, 29, 12, 0, 0).value(); }
    std::uint64_t Ticks() override { return 0; }
    void Dormir(std::uint32_t) override {}
};

[[noreturn]] void Falhar(const char* condicao, int linha) {
    std::fprintf(stderr, "fuzz_tef_arquivo.cpp:%d: falhou: %s\n", linha, condicao);
    std::abort();
}

bool MesmoValor(double a, double b) {
    return a == b || (std::isnan(a) && std::isnan(b));
}

// The first line that starts with the key and " = ", as a plain scan from the top finds it.
std::string PrimeiraPorVarredura(const TOvraTEFArquivo& arquivo, const std::string& chave) {
    const std::string prefixo = chave + " = ";
    for (const auto& linha : arquivo.Conteudo())
        if (linha.compare(0, prefixo.size(), prefixo) == 0)
            return linha;
    return chave + " =  ";
}

void LerDeTodasAsFormas(TOvraInformacao& info) {
    // Each reader, then its writer with what it read; a value that read back must read the same again.
    TOvraInformacao copia = info;
    const std::int32_t i32 = info.AsInteger();
    copia.SetAsInteger(i32);
    Exigir(copia.AsInteger() == i32);
    const std::int64_t i64 = info.AsInt64();
    copia.SetAsInt64(i64);
    Exigir(copia.AsInt64() == i64);
    const double valor = info.AsFloat();
    Exigir(std::isfinite(valor));
    copia.SetAsFloat(valor);
    (void)copia.AsFloat();
    const auto data = info.AsDate();
    copia.SetAsDate(data);
    Exigir(copia.AsDate() == data);
    const auto hora = info.AsTime();
    copia.SetAsTime(hora);
    Exigir(copia.AsTime() == hora);
    const auto carimbo = info.AsTimeStamp();
    copia.SetAsTimeStamp(carimbo);
    Exigir(copia.AsTimeStamp() == carimbo);
    const auto carimboSQL = info.AsTimeStampSQL();
    copia.SetAsTimeStampSQL(carimboSQL);
    Exigir(copia.AsTimeStampSQL() == carimboSQL);
    const bool flag = info.AsBoolean();
    copia.SetAsBoolean(flag);
    Exigir(copia.AsBoolean() == flag);
    const std::string bytes = info.AsBinary();
    copia.SetAsBinary(bytes);
    Exigir(copia.AsBinary() == bytes);
    (void)info.AsString();

    // The same text read with other counts of decimals.
    for (int digitos : {0, 3, -4, 400}) {
        copia.SetAsString(info.AsString());
        copia.SetFloatDecimalDigits(digitos);
        Exigir(std::isfinite(copia.AsFloat()));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* dados, std::size_t tamanho) {
    static RelogioFixo relogio;
    platform::SetCurrentClock(&relogio);

    const std::string_view bytes(reinterpret_cast<const char*>(dados), tamanho);
    TOvraTEFArquivo arquivo;
    arquivo.LeBytes(bytes);

    // The list is sorted, without repeats, and no line holds a line break or is empty.
    const auto& linhas = arquivo.Conteudo();
    for (std::size_t i = 0; i < linhas.size(); ++i) {
        Exigir(!linhas[i].empty());
        Exigir(linhas[i].find_first_of("\r\n") == std::string::npos);
        if (i > 0)
            Exigir(linhas[i - 1] != linhas[i]);
    }

    for (int i = 0; i < arquivo.Count(); ++i) {
        TOvraTEFLinha& linha = arquivo.Linha(i);
        const std::int32_t id = linha.Identificacao();
        const std::int16_t seq = linha.Sequencia();
        (void)linha.Chave();
        LerDeTodasAsFormas(linha.Informacao());
        // Looking a key up gives what a scan from the top gives (bounded, the scan is quadratic).
        if (i < 256) {
            const std::string esperado = PrimeiraPorVarredura(arquivo, OvraTEFFormatarChave(id, seq));
            Exigir(arquivo.LeLinha(id, seq).Linha() == esperado);
        }
    }

    TOvraTEFResp resp;
    resp.Conteudo().LeBytes(bytes);
    resp.ConteudoToProperty();
    (void)resp.TransacaoAprovada();
    TOvraTEFResp copia;
    copia.Assign(resp);
    Exigir(copia.Conteudo().Conteudo() == resp.Conteudo().Conteudo());
    Exigir(MesmoValor(copia.ValorTotal, resp.ValorTotal));
    Exigir(copia.Header() == resp.Header() && copia.ID() == resp.ID() &&
           copia.CNFEnviado() == resp.CNFEnviado());

    // What is saved loads back as the same lines, and saves as the same bytes.
    const std::string salvo = arquivo.GeraBytes();
    TOvraTEFArquivo relido;
    relido.LeBytes(salvo);
    Exigir(relido.Conteudo() == arquivo.Conteudo());
    Exigir(relido.GeraBytes() == salvo);

    platform::SetCurrentClock(nullptr);
    return 0;
}
