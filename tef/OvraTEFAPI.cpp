#include "OvraTEFAPI.h"

#include "paygoweb/OvraTEFAPIPayGoWeb.h"

// ---------------------------------------------------------------------------------------------
// TOvraTEFAPIClass

TOvraTEFAPIClass::TOvraTEFAPIClass(TOvraTEFAPI* AOwner) : TOvraTEFAPIComumClass(AOwner) {}

TOvraTEFAPI& TOvraTEFAPIClass::OvraTEFAPI() const {
    return static_cast<TOvraTEFAPI&>(*fpOvraTEFAPI);
}

void TOvraTEFAPIClass::FinalizarMetodoOperacao() {
    try {
        ConcluirOperacao();
    } catch (...) {
        TOvraTEFAPIComumClass::FinalizarMetodoOperacao();
        throw;
    }
    TOvraTEFAPIComumClass::FinalizarMetodoOperacao();
}

void TOvraTEFAPIClass::ConcluirOperacao() {
    TOvraTEFAPIComum& api = *fpOvraTEFAPI;
    std::exception_ptr erro;
    try {
        InterpretarDadosDaTransacao();
        TOvraTEFResp& resp = api.UltimaRespostaTEF();
        resp.SetHeader(OperacaoEmAndamento == tefmtdPagamento      ? "CRT"
                       : OperacaoEmAndamento == tefmtdCancelamento ? "CNC"
                                                                   : "ADM");
        if (!resp.ArqBackup().empty())
            resp.Conteudo().GravarArquivo(resp.ArqBackup());
        if (resp.Sucesso) {
            TOvraTEFAPIRespostas& respostas = api.RespostasTEF();
            const int antes = respostas.Count();
            respostas.AdicionarRespostaTEF(resp);
            if (respostas.Count() > antes && api.ConfirmarTransacaoAutomaticamente && resp.Confirmar)
                api.FinalizarTransacao(tefstsSucessoAutomatico);
        }
    } catch (...) {
        erro = std::current_exception();
    }
    // The application hears about every operation, also one whose response could not be stored.
    if (api.QuandoFinalizarOperacao) {
        api.GravarLog("  QuandoFinalizarOperacao");
        api.QuandoFinalizarOperacao(api.UltimaRespostaTEF());
    }
    if (erro)
        std::rethrow_exception(erro);
}

void TOvraTEFAPIClass::ExibirMensagemPinPad(const std::string&) {
    ErroMetodoNaoImplementado("ExibirMensagemPinPad");
}

std::string TOvraTEFAPIClass::ObterDadoPinPad(TOvraTEFAPIDadoPinPad, std::int16_t) {
    ErroMetodoNaoImplementado("ObterDadoPinPad");
}

std::uint8_t TOvraTEFAPIClass::VerificarPresencaPinPad() {
    ErroMetodoNaoImplementado("VerificarPresencaPinPad");
}

// ---------------------------------------------------------------------------------------------
// TOvraTEFAPI

TOvraTEFAPI::TOvraTEFAPI() = default;

std::unique_ptr<TOvraTEFAPIComumClass> TOvraTEFAPI::CriarTEF(TOvraTEFAPITipo AModelo) {
    switch (AModelo) {
    case tefApiNenhum:
        return std::make_unique<TOvraTEFAPIClass>(this);
    case tefApiPayGoWeb:
        return std::make_unique<TOvraTEFAPIClassPayGoWeb>(this);
    case tefApiCliSiTEF:
        break;
    }
    DoException(std::string("TEF ") + OvraNome(AModelo) + " não disponível nesta versão");
    return nullptr;
}

void TOvraTEFAPI::SetModelo(TOvraTEFAPITipo AValue) {
    if (AValue == fpModelo)
        return;
    GravarLog(std::string("SetModelo( ") + OvraNome(AValue) + " )");
    VerificarNaoInicializado("Modelo");
    auto tef = CriarTEF(AValue);
    if (!tef)
        return;
    TrocarTEF(std::move(tef));
    fpModelo = AValue;
}

void TOvraTEFAPI::AntesDeIniciarTEF() {
    // Settled before the driver starts, so that the library is told the final place of QR codes.
    if (!QuandoExibirQRCode)
        ExibicaoQRCode = qrapiExibirPinPad;
}

void TOvraTEFAPI::DepoisDeIniciarTEF() {
    if (!QuandoExibirMensagem)
        ErroEventoNaoImplementado("QuandoExibirMensagem");
    if (!QuandoPerguntarMenu)
        ErroEventoNaoImplementado("QuandoPerguntarMenu");
    if (!QuandoPerguntarCampo)
        ErroEventoNaoImplementado("QuandoPerguntarCampo");
}

TOvraTEFAPIClass* TOvraTEFAPI::TEFComPinPad() {
    return dynamic_cast<TOvraTEFAPIClass*>(&TEF());
}

void TOvraTEFAPI::ExibirMensagemPinPad(const std::string& MsgPinPad) {
    GravarLog("ExibirMensagemPinPad( " + MsgPinPad + " )");
    TOvraTEFAPIClass* tef = TEFComPinPad();
    if (!tef)
        TEF().ErroMetodoNaoImplementado("ExibirMensagemPinPad");
    tef->ExibirMensagemPinPad(MsgPinPad);
}

std::string TOvraTEFAPI::ObterDadoPinPad(TOvraTEFAPIDadoPinPad TipoDado, std::int16_t TimeOut) {
    GravarLog(std::string("ObterDadoPinPad( ") + OvraNome(TipoDado) + ", " + std::to_string(TimeOut) + " )");
    TOvraTEFAPIClass* tef = TEFComPinPad();
    if (!tef)
        TEF().ErroMetodoNaoImplementado("ObterDadoPinPad");
    std::string dado = tef->ObterDadoPinPad(TipoDado, TimeOut);
    GravarLog("   " + dado);
    return dado;
}

std::uint8_t TOvraTEFAPI::VerificarPresencaPinPad() {
    GravarLog("VerificarPresencaPinPad");
    TOvraTEFAPIClass* tef = TEFComPinPad();
    if (!tef)
        TEF().ErroMetodoNaoImplementado("VerificarPresencaPinPad");
    const std::uint8_t presente = tef->VerificarPresencaPinPad();
    GravarLog("   " + std::to_string(presente));
    return presente;
}

void TOvraTEFAPI::ExibirMensagem(const std::string& Mensagem, TOvraTEFAPITela Terminal,
                                 std::int32_t MilissegundosExibicao) {
    if (!QuandoExibirMensagem)
        ErroEventoNaoImplementado("QuandoExibirMensagem");
    QuandoExibirMensagem(Mensagem, Terminal, MilissegundosExibicao);
}

void TOvraTEFAPI::PerguntarMenu(const std::string& Titulo, const std::vector<std::string>& Opcoes,
                                std::int32_t& ItemSelecionado) {
    if (!QuandoPerguntarMenu)
        ErroEventoNaoImplementado("QuandoPerguntarMenu");
    QuandoPerguntarMenu(Titulo, Opcoes, ItemSelecionado);
}

void TOvraTEFAPI::PerguntarCampo(const TOvraTEFAPIDefinicaoCampo& DefinicaoCampo, std::string& Resposta,
                                 bool& Validado, bool& Cancelado) {
    if (!QuandoPerguntarCampo)
        ErroEventoNaoImplementado("QuandoPerguntarCampo");
    QuandoPerguntarCampo(DefinicaoCampo, Resposta, Validado, Cancelado);
}

void TOvraTEFAPI::EsperarOperacao(TOvraTEFAPIOperacaoAPI OperacaoAPI, bool& Cancelar) {
    // Waiting needs no answer: without a handler nobody asks to cancel.
    if (QuandoEsperarOperacao)
        QuandoEsperarOperacao(OperacaoAPI, Cancelar);
}

void TOvraTEFAPI::ExibirQRCode(const std::string& DadosQRCode) {
    if (!QuandoExibirQRCode)
        ErroEventoNaoImplementado("QuandoExibirQRCode");
    QuandoExibirQRCode(DadosQRCode);
}
