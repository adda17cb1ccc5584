#pragma once

// What the TEF API shares with its drivers and the application: the settings records handed to the
// active driver, the description of a datum to capture, and the enumerations of the API. Each
// enumeration's values are numbered by their position, from 0; drivers translate them into their
// libraries' codes by that number.

#include "OvraTEFComum.h"
#include "platform/Currency.h"
#include "platform/DateTime.h"
#include "platform/Text.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

enum TOvraTEFAPITipo : int { tefApiNenhum, tefApiPayGoWeb, tefApiCliSiTEF };

enum TOvraTEFAPIExibicaoQRCode : int {
    qrapiNaoSuportado,
    qrapiAuto,
    qrapiExibirPinPad,
    qrapiExibirAplicacao
};

// What the library waits for while it calls QuandoEsperarOperacao.
enum TOvraTEFAPIOperacaoAPI : int {
    opapiFluxoAPI,
    opapiAguardaUsuario,
    opapiPinPad,
    opapiPinPadLerCartao,
    opapiPinPadDigitacao,
    opapiRemoveCartao,
    opapiLeituraQRCode
};

// The screen a message is meant for.
enum TOvraTEFAPITela : int { telaTodas, telaOperador, telaCliente };

enum TOvraTEFAPITiposEntrada : int { tedApenasLeitura, tedTodos, tedNumerico, tedAlfabetico, tedAlfaNum };

enum TOvraTEFAPIValidacaoDado : int {
    valdNenhuma,
    valdNaoVazio,
    valdDigMod10,
    valdCPF,
    valdCNPJ,
    valdCPFouCNPJ,
    valdMesAno,
    valdDiaMesAno,
    valdDuplaDigitacao,
    valdSenhaGerente,
    valdSenhaLojista,
    valdSenhaTecnica
};

enum TOvraTEFAPITipoBarras : int { tbQualquer, tbDigitado, tbLeitor };

// A datum the customer types on the PIN pad. Each "Red" value is a second prompt for the datum before
// it.
enum TOvraTEFAPIDadoPinPad : int {
    dpDDD,
    dpRedDDD,
    dpFone,
    dpRedFone,
    dpDDDeFone,
    dpRedDDDeFone,
    dpCPF,
    dpRedCPF,
    dpRG,
    dpRedRG,
    dp4UltDigitos,
    dpCodSeguranca,
    dpCNPJ,
    dpRedCNPJ
};

// The kind of operation in progress.
enum TOvraTEFAPIMetodo : int { tefmtdNenhuma, tefmtdPagamento, tefmtdCancelamento, tefmtdAdministrativa };

enum TOvraTEFOperacao : int {
    tefopNenhuma,
    tefopPagamento,
    tefopAdministrativo,
    tefopTesteComunicacao,
    tefopVersao,
    tefopFechamento,
    tefopCancelamento,
    tefopReimpressao,
    tefopPrePago,
    tefopPreAutorizacao,
    tefopConsultaSaldo,
    tefopConsultaCheque,
    tefopPagamentoConta,
    tefopRelatResumido,
    tefopRelatSintetico,
    tefopRelatDetalhado
};

enum TOvraTEFModalidadePagamento : int {
    tefmpNaoDefinido,
    tefmpCartao,
    tefmpDinheiro,
    tefmpCheque,
    tefmpCarteiraVirtual
};

enum TOvraTEFTipoCartao : int {
    teftcNaoDefinido,
    teftcCredito,
    teftcDebito,
    teftcVoucher,
    teftcFrota,
    teftcPrivateLabel,
    teftcOutros
};

enum TOvraTEFModalidadeFinanciamento : int {
    tefmfNaoDefinido,
    tefmfAVista,
    tefmfParceladoEmissor,
    tefmfParceladoEstabelecimento,
    tefmfPredatado,
    tefmfCreditoEmissor
};

// The outcome handed to a finalisation: the values before tefstsErroImpressao confirm the
// transaction, the others undo it.
enum TOvraTEFStatusTransacao : int {
    tefstsSucessoAutomatico,
    tefstsSucessoManual,
    tefstsErroImpressao,
    tefstsErroDispesador,
    tefstsErroEnergia,
    tefstsErroDiverso
};

enum TOvraTEFTratamentoTransacaoPendente : int { tefpenConfirmar, tefpenEstornar, tefpenPerguntar };

enum TOvraTEFTratamentoTransacaoInicializacao : int {
    tefopiNenhum,
    tefopiProcessarPendentes,
    tefopiCancelarOuEstornar
};

// A set of values of a small enumeration (at most 32 values), one bit per value.
template <class E>
requires std::is_enum_v<E>
class TOvraConjunto {
public:
    constexpr TOvraConjunto() = default;
    constexpr TOvraConjunto(std::initializer_list<E> valores) {
        for (E v : valores)
            Incluir(v);
    }

    constexpr bool Contem(E valor) const { return (fpBits & Bit(valor)) != 0; }
    constexpr bool Vazio() const { return fpBits == 0; }
    constexpr TOvraConjunto& Incluir(E valor) {
        fpBits |= Bit(valor);
        return *this;
    }
    constexpr TOvraConjunto& Excluir(E valor) {
        fpBits &= ~Bit(valor);
        return *this;
    }
    constexpr std::uint32_t Bits() const { return fpBits; }

    friend constexpr TOvraConjunto operator+(TOvraConjunto a, TOvraConjunto b) {
        return Com(a.fpBits | b.fpBits);
    }
    friend constexpr TOvraConjunto operator*(TOvraConjunto a, TOvraConjunto b) {
        return Com(a.fpBits & b.fpBits);
    }
    friend constexpr TOvraConjunto operator-(TOvraConjunto a, TOvraConjunto b) {
        return Com(a.fpBits & ~b.fpBits);
    }
    friend constexpr bool operator==(TOvraConjunto, TOvraConjunto) = default;

private:
    static constexpr std::uint32_t Bit(E valor) {
        const auto n = static_cast<std::underlying_type_t<E>>(valor);
        return (n >= 0 && n < 32) ? std::uint32_t{1} << n : 0;
    }
    static constexpr TOvraConjunto Com(std::uint32_t bits) {
        TOvraConjunto c;
        c.fpBits = bits;
        return c;
    }

    std::uint32_t fpBits = 0;
};

// The card kinds a payment accepts.
using TOvraTEFTiposCartao = TOvraConjunto<TOvraTEFTipoCartao>;

// About the point-of-sale application, for the driver to hand to its library.
class TOvraTEFAPIDadosAutomacao {
public:
    // The three names go into fixed-size fields of the libraries: trimmed, at most 128 characters.
    const std::string& NomeSoftwareHouse() const { return fpNomeSoftwareHouse; }
    void SetNomeSoftwareHouse(std::string_view nome);
    const std::string& NomeAplicacao() const { return fpNomeAplicacao; }
    void SetNomeAplicacao(std::string_view nome);
    const std::string& VersaoAplicacao() const { return fpVersaoAplicacao; }
    void SetVersaoAplicacao(std::string_view versao);

    std::string CNPJSoftwareHouse;
    bool SuportaSaque = false;
    bool SuportaDesconto = false;
    bool ImprimeViaClienteReduzida = false;
    bool SuportaViasDiferenciadas = true;
    bool UtilizaSaldoTotalVoucher = false;
    std::int32_t MoedaISO4217 = 986; // the Brazilian real
    bool AutoAtendimento = false;

    void Assign(const TOvraTEFAPIDadosAutomacao& origem) { *this = origem; }

private:
    std::string fpNomeSoftwareHouse;
    std::string fpNomeAplicacao;
    std::string fpVersaoAplicacao;
};

// The merchant.
class TOvraTEFAPIDadosEstabelecimento {
public:
    const std::string& RazaoSocial() const { return fpRazaoSocial; }
    void SetRazaoSocial(std::string_view razaoSocial);

    std::string CNPJ;

    void Assign(const TOvraTEFAPIDadosEstabelecimento& origem) { *this = origem; }

private:
    std::string fpRazaoSocial;
};

// This terminal's place in the TEF network.
struct TOvraTEFAPIDadosTerminal {
    std::string EnderecoServidor;
    std::string CodEmpresa;
    std::string CodFilial;
    std::string CodTerminal;
    std::string Operador;
    std::string PortaPinPad;

    void Assign(const TOvraTEFAPIDadosTerminal& origem) { *this = origem; }
};

// One datum the library asks the application to capture, as QuandoPerguntarCampo receives it.
struct TOvraTEFAPIDefinicaoCampo {
    std::string TituloPergunta;
    std::string MascaraDeCaptura;
    TOvraTEFAPITiposEntrada TipoDeEntrada = tedApenasLeitura;
    std::int32_t TamanhoMinimo = 0;
    std::int32_t TamanhoMaximo = 0;
    std::uint32_t ValorMinimo = 0;
    std::uint32_t ValorMaximo = 0;
    bool OcultarDadosDigitados = false;
    TOvraTEFAPIValidacaoDado ValidacaoDado = valdNenhuma;
    std::string ValorInicial;
    std::string MsgErroDeValidacao;
    std::string MsgErroDadoMaior;
    std::string MsgErroDadoMenor;
    std::string MsgConfirmacaoDuplaDigitacao;
    TOvraTEFAPITipoBarras TipoEntradaCodigoBarras = tbQualquer;
    std::int32_t TipoCampo = 0;
};

// ---------------------------------------------------------------------------------------------
// Names of the enumeration values, as the log writes them.

const char* OvraNome(TOvraTEFAPITipo v);
const char* OvraNome(TOvraTEFAPIDadoPinPad v);
const char* OvraNome(TOvraTEFOperacao v);
const char* OvraNome(TOvraTEFModalidadePagamento v);
const char* OvraNome(TOvraTEFTipoCartao v);
const char* OvraNome(TOvraTEFModalidadeFinanciamento v);
const char* OvraNome(TOvraTEFStatusTransacao v);

// "[ teftcCredito, teftcDebito ]", or "[]" for an empty set.
std::string OvraNomes(TOvraTEFTiposCartao cartoes);

// Amounts in log lines: two decimals, "," before them and "." between thousands ("1.234,56").
std::string OvraFormatarValorLog(double valor);

// The statuses before tefstsErroImpressao confirm a transaction; the others undo it.
constexpr bool OvraStatusConfirma(TOvraTEFStatusTransacao s) {
    return s <= tefstsSucessoManual;
}

// ---------------------------------------------------------------------------------------------

// Every error of the TEF API and its drivers, raised through TOvraTEFAPIComum::DoException.
class EOvraTEFAPIErro : public EOvraTEFErro {
public:
    using EOvraTEFErro::EOvraTEFErro;
};

// The responses that still matter for the current sale, each kept as a TEF file in the working
// directory until it is finalised or the sale changes, so that a crash between the host's approval
// and the confirmation loses nothing.
class TOvraTEFAPIRespostas {
public:
    TOvraTEFAPIRespostas(TOvraTEFRespClass respClass, std::string diretorioTrabalho, bool gravarRespostas,
                         bool limparRespostasPorTransacao);

    int Count() const { return fpRespostas.Count(); }
    TOvraTEFResp& Items(int indice) { return fpRespostas[indice]; }
    const TOvraTEFResp& Items(int indice) const { return fpRespostas[indice]; }

    // Always ends with the path separator; empty means the application's folder + "tef".
    const std::string& DiretorioTrabalho() const { return fpDiretorioTrabalho; }
    TOvraTEFRespClass TEFRespClass() const { return fpTEFRespClass; }
    bool GravarRespostas() const { return fpGravarRespostas; }
    bool LimparRespostasPorTransacao() const { return fpLimparRespostasPorTransacao; }

    const std::string& IdentificadorTransacao() const { return fpIdentificadorTransacao; }
    // A new identifier starts the store afresh (files included) when clearing is on.
    void SetIdentificadorTransacao(const std::string& identificador);

    int AdicionarRespostaTEF(const TOvraTEFResp& resp);
    int AcharTransacao(const std::string& rede, const std::string& nsu,
                       const std::string& codigoFinalizacao) const;
    // Marks the transaction as finalised (third leg sent; `estorno` when it was undone) and saves it.
    void AtualizarTransacaoComTerceiraPerna(const std::string& rede, const std::string& nsu,
                                            const std::string& codigoFinalizacao, bool estorno = false);
    void AtualizarTransacaoComTerceiraPerna(TOvraTEFResp& resp, bool estorno = false);
    void GravarRespostaTEF(int indice);
    void GravarRespostaTEF(TOvraTEFResp& resp);
    void SalvarRespostasTEF();
    void ApagarRespostaTEF(int indice);
    void ApagarRespostaTEF(const TOvraTEFResp& resp);
    void LimparRespostasTEF();
    void CarregarRespostasDoDiretorioTrabalho();

    // Creates the working directory when missing; raises "Diretorio %s não existe" when it cannot.
    void VerificarDiretorioTrabalho();

    // Told about files that are left alone while loading (unreadable or holding no entry).
    std::function<void(const std::string& linha)> OnGravarLog;

private:
    void SalvarNaPosicao(int indice);
    std::string NomeLivre(int indice) const;
    // Whether the file belongs to a stored response other than the one at `indice`.
    bool DeOutra(const std::string& arquivo, int indice) const;

    TOvraTEFRespostas fpRespostas;
    std::string fpDiretorioTrabalho;
    TOvraTEFRespClass fpTEFRespClass;
    std::string fpIdentificadorTransacao;
    bool fpGravarRespostas;
    bool fpLimparRespostasPorTransacao;
};

class TOvraTEFAPIComum;

// The base of every TEF driver. What it does itself is the behaviour of "no library": operations
// return false and everything else is "not implemented".
class TOvraTEFAPIComumClass {
public:
    explicit TOvraTEFAPIComumClass(TOvraTEFAPIComum* AOwner);
    virtual ~TOvraTEFAPIComumClass() = default;
    TOvraTEFAPIComumClass(const TOvraTEFAPIComumClass&) = delete;
    TOvraTEFAPIComumClass& operator=(const TOvraTEFAPIComumClass&) = delete;

    virtual std::string ClassName() const { return "TOvraTEFAPIComumClass"; }

    virtual void IniciarMetodoOperacao(TOvraTEFAPIMetodo Metodo);
    virtual void FinalizarMetodoOperacao();
    virtual void InterpretarDadosDaTransacao();
    virtual void ConcluirOperacao() {}
    virtual void Inicializar();
    virtual void DesInicializar();
    virtual void Autenticar() {}
    virtual bool EfetuarPagamento(platform::Currency ValorPagto, TOvraTEFModalidadePagamento Modalidade,
                                  TOvraTEFTiposCartao CartoesAceitos,
                                  TOvraTEFModalidadeFinanciamento Financiamento, std::uint8_t Parcelas,
                                  platform::TDateTime DataPreDatado);
    virtual bool EfetuarAdministrativa(TOvraTEFOperacao OperacaoAdm);
    virtual bool EfetuarAdministrativa(const std::string& CodOperacaoAdm);
    virtual bool CancelarTransacao(const std::string& NSU, const std::string& CodigoAutorizacaoTransacao,
                                   platform::TDateTime DataHoraTransacao, double Valor,
                                   const std::string& CodigoFinalizacao, const std::string& Rede);
    virtual void FinalizarTransacao(const std::string& Rede, const std::string& NSU,
                                    const std::string& CodigoFinalizacao, TOvraTEFStatusTransacao AStatus);
    virtual void ResolverTransacaoPendente(TOvraTEFStatusTransacao AStatus);
    virtual void AbortarTransacaoEmAndamento();

    // Raises, through the component, "Método: %s \r\nnão implementado para o TEF: %s".
    [[noreturn]] void ErroMetodoNaoImplementado(const std::string& NomeMetodo);
    // Raises "IdentificadorVenda não pode ser vazio" when the sale identifier is blank.
    void VerificarIdentificadorVendaInformado();

    TOvraTEFAPIComum* fpOvraTEFAPI;
    bool Inicializado = false;
    TOvraTEFAPIMetodo OperacaoEmAndamento = tefmtdNenhuma;
    TOvraTEFRespClass TEFRespClass = &OvraCriarTEFResp<TOvraTEFResp>;
};

// The TEF API: settings, the stored and the last response, the log, the operation envelopes and the
// handling of pending transactions. TOvraTEFAPI adds the choice of driver and the interaction
// events.
class TOvraTEFAPIComum {
public:
    using TGravarLog = std::function<void(const std::string& ALogLine, bool& Tratado)>;
    using TFinalizarOperacao = std::function<void(TOvraTEFResp& RespostaTEF)>;
    using TFinalizarTransacao =
        std::function<void(TOvraTEFResp& RespostaTEF, TOvraTEFStatusTransacao AStatus)>;
    using TDetectarTransacaoPendente =
        std::function<void(TOvraTEFResp& RespostaTEF, const std::string& MsgErro)>;

    TOvraTEFAPIComum();
    virtual ~TOvraTEFAPIComum();
    TOvraTEFAPIComum(const TOvraTEFAPIComum&) = delete;
    TOvraTEFAPIComum& operator=(const TOvraTEFAPIComum&) = delete;

    virtual std::string ClassName() const { return "TOvraTEFAPIComum"; }

    // -- settings
    const std::string& ArqLOG() const { return fpArqLOG; }
    void SetArqLOG(const std::string& arquivo) { fpArqLOG = platform::Trim(arquivo); }
    // Empty means the application's folder + "tef"; always ends with the path separator.
    const std::string& DiretorioTrabalho();
    void SetDiretorioTrabalho(const std::string& diretorio);
    bool GravarRespostas() const { return fpGravarRespostas; }
    void SetGravarRespostas(bool valor);
    bool LimparRespostasQuandoNovoIdentificador() const { return fpLimparRespostasQuandoNovoIdentificador; }
    void SetLimparRespostasQuandoNovoIdentificador(bool valor);
    bool ConfirmarTransacaoAutomaticamente = true;
    TOvraTEFTratamentoTransacaoPendente TratamentoTransacaoPendente() const {
        return fpTratamentoTransacaoPendente;
    }
    void SetTratamentoTransacaoPendente(TOvraTEFTratamentoTransacaoPendente valor);
    TOvraTEFTratamentoTransacaoInicializacao TratamentoTransacaoInicializacao() const {
        return fpTratamentoTransacaoInicializacao;
    }
    void SetTratamentoTransacaoInicializacao(TOvraTEFTratamentoTransacaoInicializacao valor);

    TOvraTEFAPIDadosAutomacao& DadosAutomacao() { return fpDadosAutomacao; }
    void SetDadosAutomacao(const TOvraTEFAPIDadosAutomacao& dados) { fpDadosAutomacao.Assign(dados); }
    TOvraTEFAPIDadosEstabelecimento& DadosEstabelecimento() { return fpDadosEstabelecimento; }
    void SetDadosEstabelecimento(const TOvraTEFAPIDadosEstabelecimento& dados) {
        fpDadosEstabelecimento.Assign(dados);
    }
    TOvraTEFAPIDadosTerminal& DadosTerminal() { return fpDadosTerminal; }
    void SetDadosTerminal(const TOvraTEFAPIDadosTerminal& dados) { fpDadosTerminal.Assign(dados); }

    TGravarLog QuandoGravarLog;
    TFinalizarOperacao QuandoFinalizarOperacao;
    TFinalizarTransacao QuandoFinalizarTransacao;
    TDetectarTransacaoPendente QuandoDetectarTransacaoPendente;

    // -- state
    bool Inicializado() const { return fpTEF->Inicializado; }
    void SetInicializado(bool valor);
    bool Inicializando() const { return fpInicializando; }
    bool EmTransacao() const { return fpTEF->OperacaoEmAndamento != tefmtdNenhuma; }
    TOvraTEFAPIRespostas& RespostasTEF() { return *fpRespostasTEF; }
    TOvraTEFResp& UltimaRespostaTEF() { return *fpUltimaRespostaTEF; }
    TOvraTEFAPIComumClass& TEF() { return *fpTEF; }

    // -- operations
    virtual void Inicializar();
    virtual void DesInicializar();
    // Logs "EOvraTEFAPIErro: " + the message and raises it; a blank message does nothing.
    virtual void DoException(const std::string& AErrorMsg);
    virtual bool EfetuarAdministrativa(TOvraTEFOperacao Operacao, const std::string& IdentificadorTransacao);
    virtual bool EfetuarAdministrativa(const std::string& Operacao,
                                       const std::string& IdentificadorTransacao);
    virtual bool EfetuarPagamento(const std::string& IdentificadorTransacao, platform::Currency ValorPagto,
                                  TOvraTEFModalidadePagamento Modalidade = tefmpNaoDefinido,
                                  TOvraTEFTiposCartao CartoesAceitos = {},
                                  TOvraTEFModalidadeFinanciamento Financiamento = tefmfNaoDefinido,
                                  std::uint8_t Parcelas = 0, platform::TDateTime DataPreDatado = {});
    virtual bool CancelarTransacao(const std::string& NSU, const std::string& CodigoAutorizacaoTransacao,
                                   platform::TDateTime DataHoraTransacao, double Valor,
                                   const std::string& CodigoFinalizacao = "", const std::string& Rede = "");
    virtual void FinalizarTransacao(const std::string& Rede, const std::string& NSU,
                                    const std::string& CodigoFinalizacao,
                                    TOvraTEFStatusTransacao AStatus = tefstsSucessoAutomatico);
    virtual void FinalizarTransacao(TOvraTEFStatusTransacao AStatus = tefstsSucessoAutomatico);
    virtual void ProcessarTransacaoPendente(const std::string& MsgErro);
    virtual void ResolverTransacaoPendente(TOvraTEFStatusTransacao Status = tefstsSucessoManual);
    virtual void GravarLog(const std::string& AString);
    void AbortarTransacaoEmAndamento();

    void LimparRespostasTEF();
    void CarregarRespostasDoDiretorioTrabalho();
    void VerificarTransacoesPendentes();
    void ConfirmarTransacoesPendentes();
    void EstornarTransacoesPendentes();
    void FinalizarTransacoesPendentes(TOvraTEFStatusTransacao Status);
    void CancelarOuEstornarTransacoesDiretorioTrabalho();

protected:
    // Replaces the driver (and with it the response class) and starts afresh with the responses.
    void TrocarTEF(std::unique_ptr<TOvraTEFAPIComumClass> tef);
    // Runs before the driver starts; TOvraTEFAPI settles what the driver must see from the start.
    virtual void AntesDeIniciarTEF() {}
    // Runs after the driver and the pending transactions; TOvraTEFAPI checks its events there.
    virtual void DepoisDeIniciarTEF() {}
    void VerificarNaoInicializado(const char* propriedade);
    void RecriarRespostas();
    [[noreturn]] void ErroEventoNaoImplementado(const char* evento);

private:
    template <typename Operacao> bool Envelope(TOvraTEFAPIMetodo metodo, Operacao&& operacao);
    void MarcarFinalizada(TOvraTEFResp& resp, TOvraTEFStatusTransacao status);

    std::unique_ptr<TOvraTEFAPIComumClass> fpTEF;
    std::unique_ptr<TOvraTEFAPIRespostas> fpRespostasTEF;
    std::unique_ptr<TOvraTEFResp> fpUltimaRespostaTEF;
    std::string fpArqLOG;
    std::string fpDiretorioTrabalho;
    bool fpGravarRespostas = true;
    bool fpLimparRespostasQuandoNovoIdentificador = true;
    TOvraTEFTratamentoTransacaoPendente fpTratamentoTransacaoPendente = tefpenConfirmar;
    TOvraTEFTratamentoTransacaoInicializacao fpTratamentoTransacaoInicializacao = tefopiProcessarPendentes;
    TOvraTEFAPIDadosAutomacao fpDadosAutomacao;
    TOvraTEFAPIDadosEstabelecimento fpDadosEstabelecimento;
    TOvraTEFAPIDadosTerminal fpDadosTerminal;
    bool fpInicializando = false;
};
