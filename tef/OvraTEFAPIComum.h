#pragma once

// What the TEF API shares with its drivers and the application: the settings records handed to the
// active driver, the description of a datum to capture, and the enumerations of the API. Each
// enumeration's values are numbered by their position, from 0; drivers translate them into their
// libraries' codes by that number.

#include <cstdint>
#include <initializer_list>
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
