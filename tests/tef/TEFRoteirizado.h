#pragma once
// A driver for tests: each operation plays the next scripted answer, and every finalisation the
// "library" is asked for is written down (in memory and, when a ledger file is named, on disk, so
// that a test can count what a process did before it was killed).

#include "platform/FileSystem.h"
#include "tef/OvraTEFAPI.h"

#include <csignal>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// A response whose fields come from a handful of keys, as a real driver's mapping would.
class TRespTeste : public TOvraTEFResp {
public:
    void ConteudoToProperty() override {
        for (int i = 0; i < Conteudo().Count(); ++i) {
            TOvraTEFLinha& linha = Conteudo().Linha(i);
            const TOvraInformacao& info = linha.Informacao();
            switch (linha.Identificacao()) {
            case 1:
                Rede = info.AsString();
                break;
            case 2:
                NSU = info.AsString();
                break;
            case 3:
                Finalizacao = info.AsString();
                break;
            case 4:
                Confirmar = info.AsBoolean();
                break;
            case 5:
                Sucesso = info.AsBoolean();
                break;
            case 6:
                ValorTotal = info.AsFloat();
                break;
            case 7:
                CodigoAutorizacaoTransacao = info.AsString();
                break;
            case 8:
                ImagemComprovante1aVia().push_back(info.AsString());
                break;
            case 9:
                TextoEspecialOperador = info.AsString();
                break;
            case 10:
                DataHoraTransacaoLocal = info.AsTimeStampSQL();
                break;
            default:
                ProcessarTipoInterno(linha);
                break;
            }
        }
    }
};

struct RespostaRoteirizada {
    bool resultado = true;
    bool sucesso = true;
    std::string rede = "REDE";
    std::string nsu = "000123";
    std::string finalizacao = "F1";
    std::string autorizacao = "A1";
    bool confirmar = true;
    double valor = 19.99;
    std::vector<std::string> via1;
    std::string textoOperador;
    bool lancar = false;
};

class TEFRoteirizado : public TOvraTEFAPIClass {
public:
    explicit TEFRoteirizado(TOvraTEFAPI* owner) : TOvraTEFAPIClass(owner) {
        TEFRespClass = &OvraCriarTEFResp<TRespTeste>;
    }

    std::string ClassName() const override { return "TEFRoteirizado"; }

    std::deque<RespostaRoteirizada> roteiro;
    std::vector<std::string> chamadas; // "Finalizar REDE 000123 F1 tefstsSucessoAutomatico", ...
    std::string arquivoLivro;          // ledger kept on disk too, when named
    bool morrerAoFinalizar = false;    // SIGKILL before the library would confirm
    bool falharAoIniciarOperacao = false;
    bool mensagemAoIniciar = false; // the library talks while it starts
    TOvraTEFAPIExibicaoQRCode qrVistoAoIniciar = qrapiNaoSuportado;
    bool emTransacaoDuranteOperacao = false;

    void Inicializar() override {
        qrVistoAoIniciar = OvraTEFAPI().ExibicaoQRCode;
        if (mensagemAoIniciar)
            OvraTEFAPI().ExibirMensagem("Iniciando", telaOperador, -1);
        TOvraTEFAPIClass::Inicializar();
    }

    void IniciarMetodoOperacao(TOvraTEFAPIMetodo metodo) override {
        if (falharAoIniciarOperacao)
            fpOvraTEFAPI->DoException("falha ao iniciar");
        TOvraTEFAPIClass::IniciarMetodoOperacao(metodo);
    }

    bool EfetuarPagamento(platform::Currency, TOvraTEFModalidadePagamento, TOvraTEFTiposCartao,
                          TOvraTEFModalidadeFinanciamento, std::uint8_t, platform::TDateTime) override {
        VerificarIdentificadorVendaInformado();
        return Executar();
    }
    bool EfetuarAdministrativa(TOvraTEFOperacao) override { return Executar(); }
    bool EfetuarAdministrativa(const std::string&) override { return Executar(); }
    bool CancelarTransacao(const std::string& nsu, const std::string& autorizacao, platform::TDateTime,
                           double valor, const std::string& finalizacao, const std::string& rede) override {
        Anotar("Cancelar " + rede + " " + nsu + " " + finalizacao + " " + autorizacao + " " +
               OvraFormatarValorLog(valor));
        return Executar();
    }

    void InterpretarDadosDaTransacao() override {
        TOvraTEFResp& u = fpOvraTEFAPI->UltimaRespostaTEF();
        u.Clear();
        if (!fpAtual) {
            u.Sucesso = false;
            return;
        }
        const RespostaRoteirizada& r = *fpAtual;
        TOvraTEFArquivo& c = u.Conteudo();
        c.GravaInformacao(1, 0, r.rede);
        c.GravaInformacao(2, 0, r.nsu);
        c.GravaInformacao(3, 0, r.finalizacao);
        c.GravaInformacao(4, 0, r.confirmar ? "1" : "0");
        c.GravaInformacao(5, 0, r.sucesso ? "1" : "0");
        TOvraInformacao valor;
        valor.SetAsFloat(r.valor);
        c.GravaInformacao(6, 0, valor);
        c.GravaInformacao(7, 0, r.autorizacao);
        for (std::size_t i = 0; i < r.via1.size(); ++i)
            c.GravaInformacao(8, static_cast<int>(i + 1), r.via1[i]);
        c.GravaInformacao(9, 0, r.textoOperador);
        c.GravaInformacao(10, 0, "20261210180415");
        u.ConteudoToProperty();
        fpAtual.reset();
    }

    void FinalizarTransacao(const std::string& rede, const std::string& nsu, const std::string& finalizacao,
                            TOvraTEFStatusTransacao status) override {
        if (morrerAoFinalizar)
            std::raise(SIGKILL);
        Anotar("Finalizar " + rede + " " + nsu + " " + finalizacao + " " + OvraNome(status));
    }

    void ResolverTransacaoPendente(TOvraTEFStatusTransacao status) override {
        const TOvraTEFResp& u = fpOvraTEFAPI->UltimaRespostaTEF();
        Anotar("Resolver " + u.Rede + " " + u.NSU + " " + u.Finalizacao + " " + OvraNome(status));
    }

    void AbortarTransacaoEmAndamento() override { Anotar("Abortar"); }

    std::uint8_t VerificarPresencaPinPad() override { return 1; }
    std::string ObterDadoPinPad(TOvraTEFAPIDadoPinPad, std::int16_t) override { return "12345678909"; }
    void ExibirMensagemPinPad(const std::string& msg) override { Anotar("PinPad " + msg); }

private:
    bool Executar() {
        emTransacaoDuranteOperacao = fpOvraTEFAPI->EmTransacao();
        if (roteiro.empty())
            return false;
        fpAtual = roteiro.front();
        roteiro.pop_front();
        if (fpAtual->lancar)
            fpOvraTEFAPI->DoException("falha roteirizada");
        return fpAtual->resultado;
    }

    void Anotar(const std::string& linha) {
        chamadas.push_back(linha);
        if (!arquivoLivro.empty())
            platform::AppendFile(arquivoLivro, linha + "\n");
    }

    std::optional<RespostaRoteirizada> fpAtual;
};

// The component with the scripted driver behind the PayGo Web model, which the product would
// give its real driver.
class TOvraTEFAPITeste : public TOvraTEFAPI {
public:
    TEFRoteirizado* roteirizado = nullptr;
    std::function<void(TEFRoteirizado&)> aoCriar;

protected:
    std::unique_ptr<TOvraTEFAPIComumClass> CriarTEF(TOvraTEFAPITipo modelo) override {
        if (modelo != tefApiPayGoWeb)
            return TOvraTEFAPI::CriarTEF(modelo);
        auto tef = std::make_unique<TEFRoteirizado>(this);
        roteirizado = tef.get();
        if (aoCriar)
            aoCriar(*tef);
        return tef;
    }
};
