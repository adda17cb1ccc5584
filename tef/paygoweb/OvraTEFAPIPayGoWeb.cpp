#include "OvraTEFAPIPayGoWeb.h"

#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"

#include <cmath>

namespace {

std::uint32_t StatusPayGo(TOvraTEFStatusTransacao status) {
    switch (status) {
    case tefstsSucessoAutomatico:
        return PWCNF_CNF_AUTO;
    case tefstsSucessoManual:
        return PWCNF_CNF_MANU_AUT;
    case tefstsErroImpressao:
        return PWCNF_REV_PRN_AUT;
    case tefstsErroDispesador:
        return PWCNF_REV_DISP_AUT;
    case tefstsErroEnergia:
        return PWCNF_REV_PWR_AUT;
    case tefstsErroDiverso:
        break;
    }
    return PWCNF_REV_MANU_AUT;
}

// Whole cents of an amount: times 100, rounded to two decimals, truncated.
std::string Centavos(double valor) {
    const double centavos = std::round(valor * 100.0 * 100.0) / 100.0;
    return std::to_string(static_cast<std::int64_t>(std::trunc(centavos)));
}

// A line of a stored response as the library gave it: the lines keep the library's bytes escaped,
// and the library wants them back as they were.
std::string TextoDaLinha(TOvraTEFResp& resp, std::uint16_t info) {
    return platform::Trim(platform::AnsiToUtf8(resp.LeInformacao(info, 0).AsBinary()));
}

// The request number exactly as the library wrote it (leading zeros and all): the library looks the
// transaction up by that text. Only a response without the line falls back to the number.
std::string NumeroRequisicao(TOvraTEFResp& resp) {
    const std::string texto = TextoDaLinha(resp, PWINFO_REQNUM);
    return texto.empty() ? std::to_string(resp.NumeroLoteTransacao) : texto;
}

TOvraTEFAPIOperacaoAPI OperacaoAPI(TOvraTEFPGWebAPIOperacaoPinPad operacao) {
    switch (operacao) {
    case ppGetCard:
    case ppGetPIN:
    case ppGoOnChip:
    case ppFinishChip:
        return opapiPinPadLerCartao;
    case ppGetData:
    case ppConfirmData:
    case ppGenericCMD:
    case ppDataConfirmation:
    case ppGetUserData:
        return opapiPinPadDigitacao;
    case ppRemoveCard:
        return opapiRemoveCartao;
    case ppLerQRCode:
        return opapiLeituraQRCode;
    default:
        return opapiPinPad;
    }
}

TOvraTEFAPITiposEntrada TipoDeEntrada(std::uint8_t tipos) {
    switch (tipos) {
    case PWTYP_ReadOnly:
        return tedApenasLeitura;
    case PWTYP_Numerico:
        return tedNumerico;
    case PWTYP_Alfabetico:
        return tedAlfabetico;
    case PWTYP_AlfaNume:
        return tedAlfaNum;
    default:
        return tedTodos;
    }
}

TOvraTEFAPIValidacaoDado Validacao(std::uint8_t validacao) {
    switch (validacao) {
    case PWVAL_NaoVazio:
        return valdNaoVazio;
    case PWVAL_Modulo10:
        return valdDigMod10;
    case PWVAL_CPF_CNPJ:
        return valdCPFouCNPJ;
    case PWVAL_MMAA:
        return valdMesAno;
    case PWVAL_DDMMAA:
        return valdDiaMesAno;
    case PWVAL_DuplaDigitacao:
        return valdDuplaDigitacao;
    case 100:
        return valdSenhaLojista;
    case 101:
        return valdSenhaTecnica;
    default:
        return valdNenhuma;
    }
}

} // namespace

TOvraTEFAPIClassPayGoWeb::TOvraTEFAPIClassPayGoWeb(TOvraTEFAPI* AOwner)
    : TOvraTEFAPIClass(AOwner), fpTEFPayGoAPI(std::make_unique<TOvraTEFPGWebAPI>()) {
    TEFRespClass = &OvraCriarTEFResp<TOvraTEFRespPayGoWeb>;
    TOvraTEFPGWebAPI& api = *fpTEFPayGoAPI;
    api.OnGravarLog = [this](const std::string& linha, bool& tratado) {
        fpOvraTEFAPI->GravarLog(linha);
        tratado = true;
    };
    api.OnExibeQRCode = [this](const std::string& dados) { OvraTEFAPI().ExibirQRCode(dados); };
    api.OnExibeMensagem = [this](const std::string& m, TOvraTEFPGWebAPITerminalMensagem t, int ms) {
        QuandoExibeMensagem(m, t, ms);
    };
    api.OnAguardaPinPad = [this](TOvraTEFPGWebAPIOperacaoPinPad op, bool& cancelar) {
        QuandoAguardaPinPad(op, cancelar);
    };
    api.OnExibeMenu = [this](const std::string& titulo, const std::vector<std::string>& opcoes, int& item,
                             bool& cancelado) { QuandoExibeMenu(titulo, opcoes, item, cancelado); };
    api.OnObtemCampo = [this](const TOvraTEFPGWebAPIDefinicaoCampo& d, std::string& resposta, bool& validado,
                              bool& cancelado) { QuandoObtemCampo(d, resposta, validado, cancelado); };
}

TOvraTEFAPIClassPayGoWeb::~TOvraTEFAPIClassPayGoWeb() {
    // The engine stops after this, while the component that owns the driver is itself being torn
    // down: whatever it would say on the way out has no one left to hear it.
    TOvraTEFPGWebAPI& api = *fpTEFPayGoAPI;
    api.OnGravarLog = nullptr;
    api.OnExibeMensagem = nullptr;
    api.OnExibeMenu = nullptr;
    api.OnObtemCampo = nullptr;
    api.OnAguardaPinPad = nullptr;
    api.OnExibeQRCode = nullptr;
    api.OnAvaliarTransacaoPendente = nullptr;
}

void TOvraTEFAPIClassPayGoWeb::SetDiretorioTrabalho(const std::string& valor) {
    if (valor == fpDiretorioTrabalho)
        return;
    if (Inicializado)
        fpOvraTEFAPI->DoException(
            "TOvraTEFAPIClassPayGoWeb.DiretorioTrabalho não pode ser modificado após TEF "
            "Inicializado");
    fpDiretorioTrabalho = valor;
}

void TOvraTEFAPIClassPayGoWeb::LimparPendente() {
    fpndReqNum.clear();
    fPndLocRef.clear();
    fPndExtRef.clear();
    fPndVirtMerch.clear();
    fPndAuthSyst.clear();
}

void TOvraTEFAPIClassPayGoWeb::Inicializar() {
    if (Inicializado)
        return;
    TOvraTEFAPI& tef = OvraTEFAPI();
    TOvraTEFPGWebAPI& api = *fpTEFPayGoAPI;

    const std::string diretorio =
        !fpDiretorioTrabalho.empty()
            ? fpDiretorioTrabalho
            : platform::IncludeTrailingPathDelimiter(tef.DiretorioTrabalho()) + "PGWeb";
    const std::string& servidor = tef.DadosTerminal().EnderecoServidor;
    const std::size_t doisPontos = servidor.find(':');
    api.SetDiretorioTrabalho(diretorio);
    api.SetEnderecoIP(servidor.substr(0, doisPontos));
    api.SetPortaTCP(doisPontos == std::string::npos ? std::string() : servidor.substr(doisPontos + 1));
    const TOvraTEFAPIDadosAutomacao& automacao = tef.DadosAutomacao();
    api.SetNomeAplicacao(automacao.NomeAplicacao());
    api.SetVersaoAplicacao(automacao.VersaoAplicacao());
    api.SetSoftwareHouse(automacao.NomeSoftwareHouse());
    api.SetNomeEstabelecimento(tef.DadosEstabelecimento().RazaoSocial());
    api.SuportaSaque = automacao.SuportaSaque;
    api.SuportaDesconto = automacao.SuportaDesconto;
    api.SuportaViasDiferenciadas = automacao.SuportaViasDiferenciadas;
    api.ImprimeViaClienteReduzida = automacao.ImprimeViaClienteReduzida;
    api.UtilizaSaldoTotalVoucher = automacao.UtilizaSaldoTotalVoucher;
    api.ExibicaoQRCode = static_cast<TOvraTEFPGWebAPIExibicaoQRCode>(tef.ExibicaoQRCode);
    api.ConfirmarTransacoesPendentesNoHost = tef.TratamentoTransacaoPendente() == tefpenConfirmar;
    if (tef.TratamentoTransacaoPendente() == tefpenPerguntar)
        api.OnAvaliarTransacaoPendente = [this](std::uint32_t& status, const std::string& reqNum,
                                                const std::string& locRef, const std::string& extRef,
                                                const std::string& virtMerch, const std::string& authSyst) {
            QuandoAvaliarTransacaoPendente(status, reqNum, locRef, extRef, virtMerch, authSyst);
        };
    else
        api.OnAvaliarTransacaoPendente = nullptr;

    api.Inicializar();
    LimparPendente();
    TOvraTEFAPIClass::Inicializar();
}

void TOvraTEFAPIClassPayGoWeb::DesInicializar() {
    fpTEFPayGoAPI->DesInicializar();
    TOvraTEFAPIClass::DesInicializar();
}

template <typename F> bool TOvraTEFAPIClassPayGoWeb::Operacao(F&& corpo) {
    try {
        return corpo();
    } catch (const std::exception& e) {
        fpErroOperacao = e.what();
        throw;
    }
}

void TOvraTEFAPIClassPayGoWeb::IniciarMetodoOperacao(TOvraTEFAPIMetodo Metodo) {
    TOvraTEFAPIClass::IniciarMetodoOperacao(Metodo);
    LimparPendente();
    // Every operation starts from nothing: one that fails before the library runs must not hand
    // the previous transaction's approval to the application.
    fpErroOperacao.clear();
    fpTEFPayGoAPI->DadosDaTransacao().Clear();
    Operacao([this] {
        fpOvraTEFAPI->ConfirmarTransacoesPendentes();
        return true;
    });
}

void TOvraTEFAPIClassPayGoWeb::InterpretarDadosDaTransacao() {
    TOvraTEFAPIClass::InterpretarDadosDaTransacao();
    TOvraTEFResp& resp = fpOvraTEFAPI->UltimaRespostaTEF();
    resp.ViaClienteReduzida = fpOvraTEFAPI->DadosAutomacao().ImprimeViaClienteReduzida;
    for (const std::string& linha : fpTEFPayGoAPI->DadosDaTransacao().Linhas()) {
        const std::size_t igual = linha.find('=');
        if (igual == std::string::npos)
            continue;
        const auto codigo = platform::ParseInt32(std::string_view(linha).substr(0, igual));
        if (!codigo || *codigo < 0)
            continue;
        resp.Conteudo().GravaInformacao(*codigo, 0, linha.substr(igual + 1));
    }
    resp.ConteudoToProperty();
    if (!resp.Sucesso && !fpErroOperacao.empty())
        resp.TextoEspecialOperador = fpErroOperacao;
}

bool TOvraTEFAPIClassPayGoWeb::ExecutarTransacao(std::uint8_t operacao,
                                                 const TOvraTEFParametros& parametros) {
    TOvraTEFPGWebAPI& api = *fpTEFPayGoAPI;
    try {
        api.IniciarTransacao(operacao, &parametros);
    } catch (const EOvraTEFPayGoWeb& e) {
        // The engine has already closed the transaction it could not open; the operation failed, and
        // the response says why.
        fpErroOperacao = e.what();
        return false;
    }
    return api.ExecutarTransacao();
}

bool TOvraTEFAPIClassPayGoWeb::EfetuarPagamento(platform::Currency ValorPagto,
                                                TOvraTEFModalidadePagamento Modalidade,
                                                TOvraTEFTiposCartao CartoesAceitos,
                                                TOvraTEFModalidadeFinanciamento Financiamento,
                                                std::uint8_t Parcelas, platform::TDateTime DataPreDatado) {
    return Operacao([&] {
        VerificarIdentificadorVendaInformado();
        if (ValorPagto <= platform::Currency())
            fpOvraTEFAPI->DoException("Valor do Pagamento inválido");

        TOvraTEFParametros p;
        p.SetValueInfo(PWINFO_FISCALREF, fpOvraTEFAPI->RespostasTEF().IdentificadorTransacao());
        p.Add(std::to_string(PWINFO_CURREXP) + "=2");
        p.Add(std::to_string(PWINFO_TOTAMNT) + "=" + std::to_string(ValorPagto.Raw() / 100));
        p.Add(std::to_string(PWINFO_CURRENCY) + "=" +
              std::to_string(fpOvraTEFAPI->DadosAutomacao().MoedaISO4217));

        int tipoPagamento = 0;
        switch (Modalidade) {
        case tefmpCartao:
            tipoPagamento = 1;
            break;
        case tefmpDinheiro:
            tipoPagamento = 2;
            break;
        case tefmpCheque:
            tipoPagamento = 4;
            break;
        case tefmpCarteiraVirtual:
            tipoPagamento = 8;
            break;
        default:
            break;
        }
        if (tipoPagamento > 0)
            p.Add(std::to_string(PWINFO_PAYMNTTYPE) + "=" + std::to_string(tipoPagamento));

        int cartoes = 0;
        const std::pair<TOvraTEFTipoCartao, int> bits[] = {{teftcCredito, 1}, {teftcDebito, 2},
                                                           {teftcVoucher, 4}, {teftcPrivateLabel, 8},
                                                           {teftcFrota, 16},  {teftcOutros, 128}};
        for (const auto& [tipo, bit] : bits)
            if (CartoesAceitos.Contem(tipo))
                cartoes += bit;
        if (cartoes > 0)
            p.Add(std::to_string(PWINFO_CARDTYPE) + "=" + std::to_string(cartoes));

        int financiamento = 0;
        switch (Financiamento) {
        case tefmfAVista:
            financiamento = 1;
            break;
        case tefmfParceladoEmissor:
            financiamento = 2;
            break;
        case tefmfParceladoEstabelecimento:
            financiamento = 4;
            break;
        case tefmfPredatado:
            financiamento = 8;
            break;
        case tefmfCreditoEmissor:
            financiamento = 16;
            break;
        default:
            break;
        }
        if (financiamento > 0)
            p.Add(std::to_string(PWINFO_FINTYPE) + "=" + std::to_string(financiamento));
        if (Parcelas > 0)
            p.Add(std::to_string(PWINFO_INSTALLMENTS) + "=" + std::to_string(Parcelas));
        if (!DataPreDatado.Vazio())
            p.Add(std::to_string(PWINFO_INSTALLMDATE) + "=" +
                  platform::FormatDateTime("ddmmyy", DataPreDatado));
        if (!Autorizador.empty())
            p.Add(std::to_string(PWINFO_AUTHSYST) + "=" + Autorizador);
        return ExecutarTransacao(OperacaoVenda, p);
    });
}

bool TOvraTEFAPIClassPayGoWeb::EfetuarAdministrativa(TOvraTEFOperacao OperacaoAdm) {
    std::uint8_t operacao = PWOPER_ADMIN;
    switch (OperacaoAdm) {
    case tefopPagamento:
        operacao = PWOPER_SALE;
        break;
    case tefopTesteComunicacao:
        operacao = PWOPER_NULL;
        break;
    case tefopVersao:
        operacao = PWOPER_VERSION;
        break;
    case tefopFechamento:
        operacao = PWOPER_SETTLEMNT;
        break;
    case tefopCancelamento:
        operacao = PWOPER_SALEVOID;
        break;
    case tefopReimpressao:
        operacao = PWOPER_REPRINT;
        break;
    case tefopPrePago:
        operacao = PWOPER_PREPAID;
        break;
    case tefopPreAutorizacao:
        operacao = PWOPER_PREAUTH;
        break;
    case tefopConsultaSaldo:
        operacao = PWOPER_CRDBALINQ;
        break;
    case tefopConsultaCheque:
        operacao = PWOPER_CHECKINQ;
        break;
    case tefopPagamentoConta:
        operacao = PWOPER_BILLPAYMENT;
        break;
    case tefopRelatResumido:
        operacao = PWOPER_RPTSUMMARY;
        break;
    case tefopRelatSintetico:
        operacao = PWOPER_RPTTRUNC;
        break;
    case tefopRelatDetalhado:
        operacao = PWOPER_RPTDETAIL;
        break;
    case tefopNenhuma:
    case tefopAdministrativo:
        break;
    }
    return EfetuarAdministrativa(std::to_string(operacao));
}

bool TOvraTEFAPIClassPayGoWeb::EfetuarAdministrativa(const std::string& CodOperacaoAdm) {
    return Operacao([&] {
        std::uint8_t operacao = OperacaoAdministrativa;
        const auto codigo = platform::ParseInt32(platform::Trim(CodOperacaoAdm));
        if (codigo && *codigo >= 0 && *codigo <= 255)
            operacao = static_cast<std::uint8_t>(*codigo);
        TOvraTEFParametros p;
        if (!Autorizador.empty())
            p.SetValueInfo(PWINFO_AUTHSYST, Autorizador);
        const std::string& identificador = fpOvraTEFAPI->RespostasTEF().IdentificadorTransacao();
        if (!identificador.empty())
            p.Add(std::to_string(PWINFO_FISCALREF) + "=" + identificador);
        return ExecutarTransacao(operacao, p);
    });
}

bool TOvraTEFAPIClassPayGoWeb::CancelarTransacao(const std::string& NSU,
                                                 const std::string& CodigoAutorizacaoTransacao,
                                                 platform::TDateTime DataHoraTransacao, double Valor,
                                                 const std::string& CodigoFinalizacao,
                                                 const std::string& Rede) {
    return Operacao([&] {
        TOvraTEFParametros p;
        auto adicionar = [&](std::uint16_t info, const std::string& valor) {
            p.Add(std::to_string(info) + "=" + valor);
        };
        adicionar(PWINFO_TRNORIGNSU, NSU);
        adicionar(PWINFO_TRNORIGDATE, platform::FormatDateTime("ddmmyy", DataHoraTransacao));
        adicionar(PWINFO_TRNORIGTIME, platform::FormatDateTime("hhnnss", DataHoraTransacao));
        adicionar(PWINFO_TRNORIGAMNT, Centavos(Valor));
        adicionar(PWINFO_TRNORIGAUTH, CodigoAutorizacaoTransacao);
        adicionar(PWINFO_TRNORIGAUTHCODE, CodigoAutorizacaoTransacao);
        if (!Rede.empty() && !CodigoFinalizacao.empty()) {
            TOvraTEFAPIRespostas& respostas = fpOvraTEFAPI->RespostasTEF();
            const int i = respostas.AcharTransacao(Rede, NSU, CodigoFinalizacao);
            if (i >= 0) {
                TOvraTEFResp& r = respostas.Items(i);
                adicionar(PWINFO_TRNORIGLOCREF, r.Finalizacao);
                adicionar(PWINFO_TRNORIGREQNUM, NumeroRequisicao(r));
                for (const std::uint16_t info :
                     {PWINFO_CARDTYPE, PWINFO_VIRTMERCH, PWINFO_AUTMERCHID, PWINFO_FINTYPE}) {
                    const std::string valor = TextoDaLinha(r, info);
                    if (!valor.empty())
                        adicionar(info, valor);
                }
            }
        }
        if (!Rede.empty())
            adicionar(PWINFO_AUTHSYST, Rede);
        else if (!Autorizador.empty())
            adicionar(PWINFO_AUTHSYST, Autorizador);
        return ExecutarTransacao(OperacaoCancelamento, p);
    });
}

void TOvraTEFAPIClassPayGoWeb::FinalizarTransacao(const std::string& Rede, const std::string& NSU,
                                                  const std::string& CodigoFinalizacao,
                                                  TOvraTEFStatusTransacao AStatus) {
    TOvraTEFAPIRespostas& respostas = fpOvraTEFAPI->RespostasTEF();
    const int i = respostas.AcharTransacao(Rede, NSU, CodigoFinalizacao);
    if (i < 0)
        fpOvraTEFAPI->DoException("Transação não encontrada [" + Rede + " " + NSU + " " + CodigoFinalizacao +
                                  "]");
    TOvraTEFResp& r = respostas.Items(i);
    fpTEFPayGoAPI->FinalizarTransacao(StatusPayGo(AStatus), NumeroRequisicao(r), r.Finalizacao, r.NSU,
                                      r.Estabelecimento, r.Rede);
}

void TOvraTEFAPIClassPayGoWeb::ResolverTransacaoPendente(TOvraTEFStatusTransacao AStatus) {
    if (fpndReqNum.empty()) {
        TOvraTEFResp& u = fpOvraTEFAPI->UltimaRespostaTEF();
        fpndReqNum = TextoDaLinha(u, PWINFO_REQNUM);
        fPndLocRef = TextoDaLinha(u, PWINFO_AUTLOCREF);
        fPndExtRef = TextoDaLinha(u, PWINFO_AUTEXTREF);
        fPndVirtMerch = TextoDaLinha(u, PWINFO_VIRTMERCH);
        fPndAuthSyst = TextoDaLinha(u, PWINFO_AUTHSYST);
    }
    if (fpndReqNum.empty())
        fpOvraTEFAPI->DoException("Não há transação Pendente");
    fpTEFPayGoAPI->FinalizarTransacao(StatusPayGo(AStatus), fpndReqNum, fPndLocRef, fPndExtRef, fPndVirtMerch,
                                      fPndAuthSyst);
    LimparPendente();
}

void TOvraTEFAPIClassPayGoWeb::AbortarTransacaoEmAndamento() {
    fpTEFPayGoAPI->AbortarTransacao();
}

void TOvraTEFAPIClassPayGoWeb::ExibirMensagemPinPad(const std::string& MsgPinPad) {
    fpTEFPayGoAPI->ExibirMensagemPinPad(MsgPinPad);
}

std::string TOvraTEFAPIClassPayGoWeb::ObterDadoPinPad(TOvraTEFAPIDadoPinPad TipoDado, std::int16_t TimeOut) {
    struct Pedido {
        std::uint16_t mensagem;
        std::uint8_t minimo, maximo;
    };
    static constexpr Pedido Pedidos[] = {
        {PWDPIN_DIGITE_O_DDD, 2, 2},
        {PWDPIN_REDIGITE_O_DDD, 2, 2},
        {PWDPIN_DIGITE_O_TELEFONE, 8, 9},
        {PWDPIN_REDIGITE_O_TELEFONE, 8, 9},
        {PWDPIN_DIGITE_DDD_TELEFONE, 10, 11},
        {PWDPIN_REDIGITE_DDD_TELEFONE, 10, 11},
        {PWDPIN_DIGITE_O_CPF, 11, 11},
        {PWDPIN_REDIGITE_O_CPF, 11, 11},
        {PWDPIN_DIGITE_O_RG, 5, 11},
        {PWDPIN_REDIGITE_O_RG, 5, 11},
        {PWDPIN_DIGITE_OS_4_ULTIMOS_DIGITOS, 4, 4},
        {PWDPIN_DIGITE_CODIGO_DE_SEGURANCA, 3, 3},
        {PWDPIN_DIGITE_O_CNPJ, 14, 14},
        {PWDPIN_REDIGITE_O_CNPJ, 14, 14},
    };
    const int i = static_cast<int>(TipoDado);
    if (i < 0 || i >= static_cast<int>(std::size(Pedidos)))
        fpOvraTEFAPI->DoException(std::string("Captura Tipo: ") + OvraNome(TipoDado) +
                                  " não suportada por: " + ClassName());
    const Pedido& p = Pedidos[i];
    // A negative time-out is no time-out the library could honour: it waits as little as it may.
    const auto segundos = static_cast<std::uint16_t>(std::max<int>(TimeOut, 0) / 1000);
    return fpTEFPayGoAPI->ObterDadoPinPad(p.mensagem, p.minimo, p.maximo, segundos);
}

std::uint8_t TOvraTEFAPIClassPayGoWeb::VerificarPresencaPinPad() {
    return fpTEFPayGoAPI->VerificarPresencaPinPad();
}

// ---------------------------------------------------------------------------------------------
// Bridges from the engine's callbacks to the TEF API events

void TOvraTEFAPIClassPayGoWeb::QuandoExibeMensagem(const std::string& Mensagem,
                                                   TOvraTEFPGWebAPITerminalMensagem Terminal,
                                                   int MilissegundosExibicao) {
    const TOvraTEFAPITela tela = Terminal == tmOperador  ? telaOperador
                                 : Terminal == tmCliente ? telaCliente
                                                         : telaTodas;
    OvraTEFAPI().ExibirMensagem(Mensagem, tela, MilissegundosExibicao);
}

void TOvraTEFAPIClassPayGoWeb::QuandoExibeMenu(const std::string& Titulo,
                                               const std::vector<std::string>& Opcoes, int& ItemSelecionado,
                                               bool& Cancelado) {
    std::int32_t item = ItemSelecionado;
    OvraTEFAPI().PerguntarMenu(Titulo, Opcoes, item);
    ItemSelecionado = item;
    Cancelado = item < 0;
}

void TOvraTEFAPIClassPayGoWeb::QuandoObtemCampo(const TOvraTEFPGWebAPIDefinicaoCampo& DefinicaoCampo,
                                                std::string& Resposta, bool& Validado, bool& Cancelado) {
    TOvraTEFAPIDefinicaoCampo d;
    d.TituloPergunta = DefinicaoCampo.Titulo;
    d.MascaraDeCaptura = DefinicaoCampo.MascaraDeCaptura;
    d.TipoDeEntrada = TipoDeEntrada(DefinicaoCampo.TiposEntradaPermitidos);
    d.TamanhoMinimo = DefinicaoCampo.TamanhoMinimo;
    d.TamanhoMaximo = DefinicaoCampo.TamanhoMaximo;
    d.ValorMinimo = DefinicaoCampo.ValorMinimo;
    d.ValorMaximo = DefinicaoCampo.ValorMaximo;
    d.OcultarDadosDigitados = DefinicaoCampo.OcultarDadosDigitados;
    d.ValidacaoDado = Validacao(DefinicaoCampo.ValidacaoDado);
    OvraTEFAPI().PerguntarCampo(d, Resposta, Validado, Cancelado);
    // An amount typed with its two decimals goes to the library in cents.
    const std::size_t ponto = Resposta.find('.');
    if (ponto != std::string::npos && ponto + 3 == Resposta.size())
        Resposta.erase(ponto, 1);
}

void TOvraTEFAPIClassPayGoWeb::QuandoAguardaPinPad(TOvraTEFPGWebAPIOperacaoPinPad OperacaoPinPad,
                                                   bool& Cancelar) {
    TOvraTEFAPI& tef = OvraTEFAPI();
    if (!tef.QuandoEsperarOperacao)
        return;
    Cancelar = false;
    tef.EsperarOperacao(OperacaoAPI(OperacaoPinPad), Cancelar);
}

void TOvraTEFAPIClassPayGoWeb::QuandoAvaliarTransacaoPendente(
    std::uint32_t& Status, const std::string& pszReqNum, const std::string& pszLocRef,
    const std::string& pszExtRef, const std::string& pszVirtMerch, const std::string& pszAuthSyst) {
    fpndReqNum = pszReqNum;
    fPndLocRef = pszLocRef;
    fPndExtRef = pszExtRef;
    fPndVirtMerch = pszVirtMerch;
    fPndAuthSyst = pszAuthSyst;
    // The application decides, through ResolverTransacaoPendente; the engine sends nothing itself.
    Status = 0;
    fpOvraTEFAPI->ProcessarTransacaoPendente("Transação Pendente.\r\nRede: " + pszAuthSyst +
                                             "\r\nNSU: " + pszExtRef);
}
