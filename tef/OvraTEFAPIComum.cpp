#include "OvraTEFAPIComum.h"

#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"

#include <cmath>

namespace {

constexpr std::size_t TamanhoMaximoNome = 128;

// Trimmed and cut to the first 128 characters. The text is UTF-8, so characters are counted, not
// bytes, and a cut never splits one.
std::string NomeAjustado(std::string_view texto) {
    std::string r = platform::Trim(texto);
    std::size_t caracteres = 0;
    for (std::size_t i = 0; i < r.size(); ++i) {
        // Continuation bytes (10xxxxxx) belong to the character before them.
        if ((static_cast<unsigned char>(r[i]) & 0xC0) == 0x80)
            continue;
        if (caracteres == TamanhoMaximoNome) {
            r.resize(i);
            break;
        }
        ++caracteres;
    }
    return r;
}

} // namespace

void TOvraTEFAPIDadosAutomacao::SetNomeSoftwareHouse(std::string_view nome) {
    fpNomeSoftwareHouse = NomeAjustado(nome);
}

void TOvraTEFAPIDadosAutomacao::SetNomeAplicacao(std::string_view nome) {
    fpNomeAplicacao = NomeAjustado(nome);
}

void TOvraTEFAPIDadosAutomacao::SetVersaoAplicacao(std::string_view versao) {
    fpVersaoAplicacao = NomeAjustado(versao);
}

void TOvraTEFAPIDadosEstabelecimento::SetRazaoSocial(std::string_view razaoSocial) {
    fpRazaoSocial = platform::Trim(razaoSocial);
}

// ---------------------------------------------------------------------------------------------
// Names

namespace {

template <typename E, std::size_t N> const char* NomeDe(E valor, const char* const (&nomes)[N]) {
    const auto i = static_cast<std::size_t>(valor);
    return i < N ? nomes[i] : "?";
}

} // namespace

const char* OvraNome(TOvraTEFAPITipo v) {
    static constexpr const char* nomes[] = {"tefApiNenhum", "tefApiPayGoWeb", "tefApiCliSiTEF"};
    return NomeDe(v, nomes);
}

const char* OvraNome(TOvraTEFAPIDadoPinPad v) {
    static constexpr const char* nomes[] = {
        "dpDDD",    "dpRedDDD", "dpFone",  "dpRedFone",     "dpDDDeFone",     "dpRedDDDeFone", "dpCPF",
        "dpRedCPF", "dpRG",     "dpRedRG", "dp4UltDigitos", "dpCodSeguranca", "dpCNPJ",        "dpRedCNPJ"};
    return NomeDe(v, nomes);
}

const char* OvraNome(TOvraTEFOperacao v) {
    static constexpr const char* nomes[] = {
        "tefopNenhuma",        "tefopPagamento",      "tefopAdministrativo", "tefopTesteComunicacao",
        "tefopVersao",         "tefopFechamento",     "tefopCancelamento",   "tefopReimpressao",
        "tefopPrePago",        "tefopPreAutorizacao", "tefopConsultaSaldo",  "tefopConsultaCheque",
        "tefopPagamentoConta", "tefopRelatResumido",  "tefopRelatSintetico", "tefopRelatDetalhado"};
    return NomeDe(v, nomes);
}

const char* OvraNome(TOvraTEFModalidadePagamento v) {
    static constexpr const char* nomes[] = {"tefmpNaoDefinido", "tefmpCartao", "tefmpDinheiro", "tefmpCheque",
                                            "tefmpCarteiraVirtual"};
    return NomeDe(v, nomes);
}

const char* OvraNome(TOvraTEFTipoCartao v) {
    static constexpr const char* nomes[] = {"teftcNaoDefinido", "teftcCredito", "teftcDebito",
                                            "teftcVoucher",     "teftcFrota",   "teftcPrivateLabel",
                                            "teftcOutros"};
    return NomeDe(v, nomes);
}

const char* OvraNome(TOvraTEFModalidadeFinanciamento v) {
    static constexpr const char* nomes[] = {"tefmfNaoDefinido",      "tefmfAVista",
                                            "tefmfParceladoEmissor", "tefmfParceladoEstabelecimento",
                                            "tefmfPredatado",        "tefmfCreditoEmissor"};
    return NomeDe(v, nomes);
}

const char* OvraNome(TOvraTEFStatusTransacao v) {
    static constexpr const char* nomes[] = {"tefstsSucessoAutomatico", "tefstsSucessoManual",
                                            "tefstsErroImpressao",     "tefstsErroDispesador",
                                            "tefstsErroEnergia",       "tefstsErroDiverso"};
    return NomeDe(v, nomes);
}

std::string OvraNomes(TOvraTEFTiposCartao cartoes) {
    if (cartoes.Vazio())
        return "[]";
    std::string r = "[ ";
    bool primeiro = true;
    for (int i = teftcNaoDefinido; i <= teftcOutros; ++i) {
        const auto tc = static_cast<TOvraTEFTipoCartao>(i);
        if (!cartoes.Contem(tc))
            continue;
        if (!primeiro)
            r += ", ";
        r += OvraNome(tc);
        primeiro = false;
    }
    return r + " ]";
}

std::string OvraFormatarValorLog(double valor) {
    const long long centavos = std::llround(valor * 100);
    const unsigned long long absoluto = centavos < 0 ? 0ULL - static_cast<unsigned long long>(centavos)
                                                     : static_cast<unsigned long long>(centavos);
    std::string inteiro = std::to_string(absoluto / 100);
    for (int p = static_cast<int>(inteiro.size()) - 3; p > 0; p -= 3)
        inteiro.insert(static_cast<std::size_t>(p), ".");
    const unsigned long long frac = absoluto % 100;
    return (centavos < 0 ? "-" : "") + inteiro + "," + (frac < 10 ? "0" : "") + std::to_string(frac);
}

// ---------------------------------------------------------------------------------------------
// TOvraTEFAPIRespostas

namespace {

bool Pendente(const TOvraTEFResp& r) {
    return r.Confirmar && !r.CNFEnviado();
}

std::string TresDigitos(int n) {
    std::string s = std::to_string(n);
    return std::string(s.size() < 3 ? 3 - s.size() : 0, '0') + s;
}

// A file holding nothing with a key is not a response this program wrote: it is left for a person.
bool TemChave(TOvraTEFArquivo& arquivo) {
    for (int i = 0; i < arquivo.Count(); ++i)
        if (arquivo.Linha(i).Identificacao() != 0)
            return true;
    return false;
}

} // namespace

TOvraTEFAPIRespostas::TOvraTEFAPIRespostas(TOvraTEFRespClass respClass, std::string diretorioTrabalho,
                                           bool gravarRespostas, bool limparRespostasPorTransacao)
    : fpDiretorioTrabalho(std::move(diretorioTrabalho)), fpTEFRespClass(respClass),
      fpGravarRespostas(gravarRespostas), fpLimparRespostasPorTransacao(limparRespostasPorTransacao) {}

void TOvraTEFAPIRespostas::SetIdentificadorTransacao(const std::string& identificador) {
    if (identificador != fpIdentificadorTransacao && fpLimparRespostasPorTransacao)
        LimparRespostasTEF();
    fpIdentificadorTransacao = identificador;
}

void TOvraTEFAPIRespostas::VerificarDiretorioTrabalho() {
    if (platform::DirectoryExists(fpDiretorioTrabalho))
        return;
    try {
        platform::CreateDirectories(fpDiretorioTrabalho);
    } catch (const std::exception&) {
        // reported below, in the program's own words
    }
    if (!platform::DirectoryExists(fpDiretorioTrabalho))
        throw EOvraTEFAPIErro("Diretorio " + fpDiretorioTrabalho + " não existe");
}

int TOvraTEFAPIRespostas::AdicionarRespostaTEF(const TOvraTEFResp& resp) {
    if (!platform::Trim(resp.Rede).empty() && !platform::Trim(resp.NSU).empty()) {
        const int i = AcharTransacao(resp.Rede, resp.NSU, resp.Finalizacao);
        if (i >= 0)
            return i;
    }
    auto nova = fpTEFRespClass();
    nova->Assign(resp);
    fpRespostas.Add(std::move(nova));
    const int indice = Count() - 1;
    if (fpGravarRespostas)
        SalvarNaPosicao(indice);
    return indice;
}

int TOvraTEFAPIRespostas::AcharTransacao(const std::string& rede, const std::string& nsu,
                                         const std::string& codigoFinalizacao) const {
    for (int i = 0; i < Count(); ++i) {
        const TOvraTEFResp& r = fpRespostas[i];
        if (r.Rede == rede && r.NSU == nsu &&
            (codigoFinalizacao.empty() || r.Finalizacao == codigoFinalizacao))
            return i;
    }
    return -1;
}

void TOvraTEFAPIRespostas::AtualizarTransacaoComTerceiraPerna(const std::string& rede, const std::string& nsu,
                                                              const std::string& codigoFinalizacao,
                                                              bool estorno) {
    const int i = AcharTransacao(rede, nsu, codigoFinalizacao);
    if (i >= 0)
        AtualizarTransacaoComTerceiraPerna(fpRespostas[i], estorno);
}

void TOvraTEFAPIRespostas::AtualizarTransacaoComTerceiraPerna(TOvraTEFResp& resp, bool estorno) {
    resp.SetCNFEnviado(true);
    if (estorno)
        resp.SetEstornada(true);
    GravarRespostaTEF(resp);
}

void TOvraTEFAPIRespostas::GravarRespostaTEF(int indice) {
    if (indice >= 0 && indice < Count())
        GravarRespostaTEF(fpRespostas[indice]);
}

void TOvraTEFAPIRespostas::GravarRespostaTEF(TOvraTEFResp& resp) {
    if (!resp.ArqBackup().empty())
        resp.Conteudo().GravarArquivo(resp.ArqBackup());
}

void TOvraTEFAPIRespostas::SalvarRespostasTEF() {
    for (int i = 0; i < Count(); ++i)
        SalvarNaPosicao(i);
}

bool TOvraTEFAPIRespostas::DeOutra(const std::string& arquivo, int indice) const {
    for (int i = 0; i < Count(); ++i)
        if (i != indice && fpRespostas[i].ArqBackup() == arquivo)
            return true;
    return false;
}

// The file of a new response is named after its position, unless that name belongs to another
// stored response or to any file already in the folder (a response of another run, or one left
// for a person): then the first free number serves. Loading sorts by name, so the number does not
// need to match the position; it only must never be someone else's file.
std::string TOvraTEFAPIRespostas::NomeLivre(int indice) const {
    auto livre = [&](const std::string& nome) {
        return !DeOutra(nome, indice) && !platform::FileExists(nome);
    };
    if (indice <= 999) {
        std::string nome = fpDiretorioTrabalho + "Ovra_" + TresDigitos(indice) + ".tef";
        if (livre(nome))
            return nome;
    }
    for (int n = 0; n <= 999; ++n) {
        std::string nome = fpDiretorioTrabalho + "Ovra_" + TresDigitos(n) + ".tef";
        if (livre(nome))
            return nome;
    }
    throw EOvraTEFAPIErro("Não há nome livre para a resposta TEF em " + fpDiretorioTrabalho);
}

void TOvraTEFAPIRespostas::SalvarNaPosicao(int indice) {
    TOvraTEFResp& r = fpRespostas[indice];
    if (!r.Confirmar && r.ImagemComprovante1aVia().empty() && r.ImagemComprovante2aVia().empty())
        return;
    VerificarDiretorioTrabalho();
    std::string nome = r.ArqBackup();
    if (nome.empty() || DeOutra(nome, indice))
        nome = NomeLivre(indice);
    r.SetArqBackup(nome);
    r.Conteudo().GravarArquivo(nome);
}

void TOvraTEFAPIRespostas::ApagarRespostaTEF(int indice) {
    if (indice < 0 || indice >= Count())
        return;
    const std::string& arquivo = fpRespostas[indice].ArqBackup();
    if (!arquivo.empty() && platform::FileExists(arquivo))
        platform::DeleteFile(arquivo);
    fpRespostas.Delete(indice);
}

void TOvraTEFAPIRespostas::ApagarRespostaTEF(const TOvraTEFResp& resp) {
    for (int i = 0; i < Count(); ++i)
        if (&fpRespostas[i] == &resp) {
            ApagarRespostaTEF(i);
            return;
        }
}

void TOvraTEFAPIRespostas::LimparRespostasTEF() {
    while (Count() > 0)
        ApagarRespostaTEF(0);
}

void TOvraTEFAPIRespostas::CarregarRespostasDoDiretorioTrabalho() {
    VerificarDiretorioTrabalho();
    fpRespostas.Clear();
    for (const std::string& nome : platform::ListFiles(fpDiretorioTrabalho, "Ovra_*.tef")) {
        const std::string arquivo = fpDiretorioTrabalho + nome;
        auto resp = fpTEFRespClass();
        std::string problema;
        try {
            resp->LeArquivo(arquivo);
            if (!TemChave(resp->Conteudo()))
                problema = "nenhuma informação TEF no arquivo";
        } catch (const std::exception& e) {
            problema = e.what();
        }
        // One bad file must not hide the others, nor be deleted or overwritten: it may be the only
        // trace of a transaction, so it stays where it is for a person to look at.
        if (!problema.empty()) {
            if (OnGravarLog)
                OnGravarLog("Arquivo " + arquivo + " ignorado: " + problema);
            continue;
        }
        resp->SetArqBackup(arquivo);
        fpIdentificadorTransacao = resp->DocumentoVinculado;
        fpRespostas.Add(std::move(resp));
    }
}

// ---------------------------------------------------------------------------------------------
// TOvraTEFAPIComumClass

TOvraTEFAPIComumClass::TOvraTEFAPIComumClass(TOvraTEFAPIComum* AOwner) : fpOvraTEFAPI(AOwner) {
    if (!AOwner)
        throw EOvraTEFAPIErro("O componente TOvraTEFAPIComumClass, deve ser filho de TOvraTEFAPIComum");
}

void TOvraTEFAPIComumClass::IniciarMetodoOperacao(TOvraTEFAPIMetodo Metodo) {
    OperacaoEmAndamento = Metodo;
}

void TOvraTEFAPIComumClass::FinalizarMetodoOperacao() {
    OperacaoEmAndamento = tefmtdNenhuma;
}

void TOvraTEFAPIComumClass::InterpretarDadosDaTransacao() {
    TOvraTEFResp& resp = fpOvraTEFAPI->UltimaRespostaTEF();
    resp.Clear();
    resp.TextoEspecialOperador = ClassName() + ".InterpretarDadosDaTransacao não implementado.";
    resp.Sucesso = false;
}

void TOvraTEFAPIComumClass::Inicializar() {
    Autenticar();
    Inicializado = true;
}

void TOvraTEFAPIComumClass::DesInicializar() {
    Inicializado = false;
}

bool TOvraTEFAPIComumClass::EfetuarPagamento(platform::Currency, TOvraTEFModalidadePagamento,
                                             TOvraTEFTiposCartao, TOvraTEFModalidadeFinanciamento,
                                             std::uint8_t, platform::TDateTime) {
    return false;
}

bool TOvraTEFAPIComumClass::EfetuarAdministrativa(TOvraTEFOperacao) {
    return false;
}

bool TOvraTEFAPIComumClass::EfetuarAdministrativa(const std::string&) {
    return false;
}

bool TOvraTEFAPIComumClass::CancelarTransacao(const std::string&, const std::string&, platform::TDateTime,
                                              double, const std::string&, const std::string&) {
    return false;
}

void TOvraTEFAPIComumClass::FinalizarTransacao(const std::string&, const std::string&, const std::string&,
                                               TOvraTEFStatusTransacao) {
    ErroMetodoNaoImplementado("FecharOperacao");
}

void TOvraTEFAPIComumClass::ResolverTransacaoPendente(TOvraTEFStatusTransacao) {
    ErroMetodoNaoImplementado("ResolverOperacaoPendente");
}

void TOvraTEFAPIComumClass::AbortarTransacaoEmAndamento() {
    ErroMetodoNaoImplementado("AbortarTransacaoEmAndamento");
}

void TOvraTEFAPIComumClass::ErroMetodoNaoImplementado(const std::string& NomeMetodo) {
    const std::string msg = "Método: " + NomeMetodo + " \r\nnão implementado para o TEF: " + ClassName();
    fpOvraTEFAPI->DoException(msg);
    throw EOvraTEFAPIErro(msg); // DoException returns only for a blank text
}

void TOvraTEFAPIComumClass::VerificarIdentificadorVendaInformado() {
    if (platform::Trim(fpOvraTEFAPI->RespostasTEF().IdentificadorTransacao()).empty())
        fpOvraTEFAPI->DoException("IdentificadorVenda não pode ser vazio");
}

// ---------------------------------------------------------------------------------------------
// TOvraTEFAPIComum

namespace {
std::string Data(platform::TDateTime dt) {
    return platform::FormatDateTime("dd/mm/yyyy", dt);
}
std::string DataHora(platform::TDateTime dt) {
    return platform::FormatDateTime("dd/mm/yyyy hh:nn:ss", dt);
}
} // namespace

TOvraTEFAPIComum::TOvraTEFAPIComum() : fpTEF(std::make_unique<TOvraTEFAPIComumClass>(this)) {
    RecriarRespostas();
}

TOvraTEFAPIComum::~TOvraTEFAPIComum() {
    // The library is released with the component; nobody is left to hear about a failure.
    QuandoGravarLog = nullptr;
    try {
        if (fpTEF->Inicializado)
            fpTEF->DesInicializar();
    } catch (...) {
    }
}

const std::string& TOvraTEFAPIComum::DiretorioTrabalho() {
    if (fpDiretorioTrabalho.empty())
        fpDiretorioTrabalho = platform::IncludeTrailingPathDelimiter(
            platform::IncludeTrailingPathDelimiter(platform::ExecutableDirectory()) + "tef");
    return fpDiretorioTrabalho;
}

void TOvraTEFAPIComum::VerificarNaoInicializado(const char* propriedade) {
    if (Inicializado())
        DoException(std::string(propriedade) + " não pode ser modificado após TEF Inicializado");
}

void TOvraTEFAPIComum::SetDiretorioTrabalho(const std::string& diretorio) {
    std::string novo = platform::Trim(diretorio);
    if (!novo.empty())
        novo = platform::IncludeTrailingPathDelimiter(novo);
    if (novo == fpDiretorioTrabalho)
        return;
    VerificarNaoInicializado("DiretorioTrabalho");
    fpDiretorioTrabalho = novo;
    RecriarRespostas();
}

void TOvraTEFAPIComum::SetGravarRespostas(bool valor) {
    if (valor == fpGravarRespostas)
        return;
    VerificarNaoInicializado("GravarRespostas");
    fpGravarRespostas = valor;
    RecriarRespostas();
}

void TOvraTEFAPIComum::SetLimparRespostasQuandoNovoIdentificador(bool valor) {
    if (valor == fpLimparRespostasQuandoNovoIdentificador)
        return;
    VerificarNaoInicializado("LimparRespostasQuandoNovoIdentificador");
    fpLimparRespostasQuandoNovoIdentificador = valor;
    RecriarRespostas();
}

void TOvraTEFAPIComum::SetTratamentoTransacaoPendente(TOvraTEFTratamentoTransacaoPendente valor) {
    if (valor == fpTratamentoTransacaoPendente)
        return;
    VerificarNaoInicializado("TratamentoTransacaoPendente");
    fpTratamentoTransacaoPendente = valor;
}

void TOvraTEFAPIComum::SetTratamentoTransacaoInicializacao(TOvraTEFTratamentoTransacaoInicializacao valor) {
    if (valor == fpTratamentoTransacaoInicializacao)
        return;
    VerificarNaoInicializado("TratamentoTransacaoInicalizacao");
    fpTratamentoTransacaoInicializacao = valor;
}

void TOvraTEFAPIComum::SetInicializado(bool valor) {
    if (valor)
        Inicializar();
    else
        DesInicializar();
}

void TOvraTEFAPIComum::RecriarRespostas() {
    fpRespostasTEF =
        std::make_unique<TOvraTEFAPIRespostas>(fpTEF->TEFRespClass, DiretorioTrabalho(), fpGravarRespostas,
                                               fpLimparRespostasQuandoNovoIdentificador);
    fpRespostasTEF->OnGravarLog = [this](const std::string& linha) { GravarLog(linha); };
    fpUltimaRespostaTEF = fpTEF->TEFRespClass();
}

void TOvraTEFAPIComum::TrocarTEF(std::unique_ptr<TOvraTEFAPIComumClass> tef) {
    fpRespostasTEF->LimparRespostasTEF();
    fpTEF = std::move(tef);
    RecriarRespostas();
}

void TOvraTEFAPIComum::ErroEventoNaoImplementado(const char* evento) {
    const std::string msg = std::string("Evento ") + evento + " não foi implementado na sua aplicação";
    DoException(msg);
    throw EOvraTEFAPIErro(msg);
}

void TOvraTEFAPIComum::Inicializar() {
    GravarLog("Inicializar");
    if (!QuandoFinalizarOperacao)
        ErroEventoNaoImplementado("QuandoFinalizarOperacao");
    if (fpTratamentoTransacaoPendente == tefpenPerguntar && !QuandoDetectarTransacaoPendente)
        ErroEventoNaoImplementado("QuandoDetectarTransacaoPendente");
    if (!fpArqLOG.empty() && platform::ExtractFileDir(fpArqLOG).empty())
        fpArqLOG = platform::IncludeTrailingPathDelimiter(platform::ExecutableDirectory()) + fpArqLOG;

    fpInicializando = true;
    try {
        AntesDeIniciarTEF();
        fpTEF->Inicializar();
        RecriarRespostas();
        if (fpTratamentoTransacaoInicializacao == tefopiCancelarOuEstornar) {
            CancelarOuEstornarTransacoesDiretorioTrabalho();
        } else {
            CarregarRespostasDoDiretorioTrabalho();
            if (fpTratamentoTransacaoInicializacao == tefopiProcessarPendentes)
                VerificarTransacoesPendentes();
        }
    } catch (...) {
        fpInicializando = false;
        throw;
    }
    fpInicializando = false;
    DepoisDeIniciarTEF();
}

void TOvraTEFAPIComum::DesInicializar() {
    GravarLog("DesInicializar");
    RecriarRespostas();
    fpTEF->DesInicializar();
}

void TOvraTEFAPIComum::DoException(const std::string& AErrorMsg) {
    if (platform::Trim(AErrorMsg).empty())
        return;
    GravarLog("EOvraTEFAPIErro: " + AErrorMsg);
    throw EOvraTEFAPIErro(AErrorMsg);
}

void TOvraTEFAPIComum::GravarLog(const std::string& AString) {
    bool tratado = false;
    if (QuandoGravarLog)
        QuandoGravarLog(AString, tratado);
    if (tratado || fpArqLOG.empty())
        return;
    try {
        platform::AppendFile(fpArqLOG,
                             platform::Utf8ToAnsi(platform::FormatTefLogLine(platform::Now(), AString)));
    } catch (const std::exception&) {
        // a log that cannot be written must not stop a payment
    }
}

// Every operation ends the same way, whatever the driver did: the end-of-operation processing
// runs (so QuandoFinalizarOperacao fires and the response is stored) and EmTransacao is false
// again before an error reaches the caller.
template <typename Operacao> bool TOvraTEFAPIComum::Envelope(TOvraTEFAPIMetodo metodo, Operacao&& operacao) {
    bool resultado = false;
    std::exception_ptr erro;
    // Set before the driver's own start, so that the header is right even if that start fails.
    fpTEF->OperacaoEmAndamento = metodo;
    try {
        fpTEF->IniciarMetodoOperacao(metodo);
        resultado = operacao();
    } catch (...) {
        erro = std::current_exception();
    }
    try {
        fpTEF->FinalizarMetodoOperacao();
    } catch (...) {
        if (!erro)
            erro = std::current_exception();
    }
    if (erro)
        std::rethrow_exception(erro);
    return resultado;
}

bool TOvraTEFAPIComum::EfetuarPagamento(const std::string& IdentificadorTransacao,
                                        platform::Currency ValorPagto, TOvraTEFModalidadePagamento Modalidade,
                                        TOvraTEFTiposCartao CartoesAceitos,
                                        TOvraTEFModalidadeFinanciamento Financiamento, std::uint8_t Parcelas,
                                        platform::TDateTime DataPreDatado) {
    std::string linha = "EfetuarPagamento( " + IdentificadorTransacao + ", " +
                        OvraFormatarValorLog(ValorPagto.ToDouble()) + ", " + OvraNome(Modalidade) + ", " +
                        OvraNome(Financiamento) + ", " + OvraNomes(CartoesAceitos);
    if (Parcelas != 0)
        linha += ", " + std::to_string(Parcelas);
    if (!DataPreDatado.Vazio())
        linha += ", " + Data(DataPreDatado);
    GravarLog(linha + " )");
    fpRespostasTEF->SetIdentificadorTransacao(IdentificadorTransacao);
    return Envelope(tefmtdPagamento, [&] {
        return fpTEF->EfetuarPagamento(ValorPagto, Modalidade, CartoesAceitos, Financiamento, Parcelas,
                                       DataPreDatado);
    });
}

bool TOvraTEFAPIComum::EfetuarAdministrativa(TOvraTEFOperacao Operacao,
                                             const std::string& IdentificadorTransacao) {
    GravarLog(std::string("EfetuarAdministrativa( ") + OvraNome(Operacao) + ", " + IdentificadorTransacao +
              " )");
    fpRespostasTEF->SetIdentificadorTransacao(IdentificadorTransacao);
    return Envelope(tefmtdAdministrativa, [&] { return fpTEF->EfetuarAdministrativa(Operacao); });
}

bool TOvraTEFAPIComum::EfetuarAdministrativa(const std::string& Operacao,
                                             const std::string& IdentificadorTransacao) {
    GravarLog("EfetuarAdministrativa( " + Operacao + ", " + IdentificadorTransacao + " )");
    fpRespostasTEF->SetIdentificadorTransacao(IdentificadorTransacao);
    return Envelope(tefmtdAdministrativa, [&] { return fpTEF->EfetuarAdministrativa(Operacao); });
}

bool TOvraTEFAPIComum::CancelarTransacao(const std::string& NSU,
                                         const std::string& CodigoAutorizacaoTransacao,
                                         platform::TDateTime DataHoraTransacao, double Valor,
                                         const std::string& CodigoFinalizacao, const std::string& Rede) {
    GravarLog("CancelarTransacao( " + NSU + ", " + CodigoAutorizacaoTransacao + ", " +
              DataHora(DataHoraTransacao) + ", " + OvraFormatarValorLog(Valor) + ", " + CodigoFinalizacao +
              ", " + Rede + " )");
    return Envelope(tefmtdCancelamento, [&] {
        return fpTEF->CancelarTransacao(NSU, CodigoAutorizacaoTransacao, DataHoraTransacao, Valor,
                                        CodigoFinalizacao, Rede);
    });
}

void TOvraTEFAPIComum::FinalizarTransacao(const std::string& Rede, const std::string& NSU,
                                          const std::string& CodigoFinalizacao,
                                          TOvraTEFStatusTransacao AStatus) {
    GravarLog("    FinalizarTransacao( " + Rede + ", " + NSU + ", " + CodigoFinalizacao + ", " +
              OvraNome(AStatus) + " )");
    const int antes = fpRespostasTEF->AcharTransacao(Rede, NSU, CodigoFinalizacao);
    // The third leg goes once: an application that finalises after the automatic confirmation (or
    // twice) must not make the library confirm or undo the same transaction again.
    if (antes >= 0 && fpRespostasTEF->Items(antes).CNFEnviado()) {
        GravarLog("    Transação já finalizada: Rede " + Rede + ", NSU " + NSU);
        return;
    }
    fpTEF->FinalizarTransacao(Rede, NSU, CodigoFinalizacao, AStatus);
    const int i = fpRespostasTEF->AcharTransacao(Rede, NSU, CodigoFinalizacao);
    if (i < 0)
        return;
    TOvraTEFResp& resp = fpRespostasTEF->Items(i);
    fpRespostasTEF->AtualizarTransacaoComTerceiraPerna(resp, !OvraStatusConfirma(AStatus));
    if (QuandoFinalizarTransacao) {
        GravarLog("      QuandoFinalizarTransacao");
        QuandoFinalizarTransacao(resp, AStatus);
    }
}

void TOvraTEFAPIComum::FinalizarTransacao(TOvraTEFStatusTransacao AStatus) {
    GravarLog(std::string("  FinalizarTransacao( ") + OvraNome(AStatus) + " )");
    const TOvraTEFResp& u = *fpUltimaRespostaTEF;
    const std::string rede = u.Rede, nsu = u.NSU, finalizacao = u.Finalizacao;
    FinalizarTransacao(rede, nsu, finalizacao, AStatus);
}

void TOvraTEFAPIComum::ProcessarTransacaoPendente(const std::string& MsgErro) {
    GravarLog("ProcessarTransacaoPendente( " + MsgErro + " )");
    switch (fpTratamentoTransacaoPendente) {
    case tefpenPerguntar:
        if (!QuandoDetectarTransacaoPendente)
            ErroEventoNaoImplementado("QuandoDetectarTransacaoPendente");
        GravarLog("  QuandoDetectarTransacaoPendente");
        QuandoDetectarTransacaoPendente(*fpUltimaRespostaTEF, MsgErro);
        break;
    case tefpenEstornar:
        ResolverTransacaoPendente(fpInicializando ? tefstsErroEnergia : tefstsErroDiverso);
        break;
    case tefpenConfirmar:
        ResolverTransacaoPendente(fpInicializando ? tefstsSucessoManual : tefstsSucessoAutomatico);
        break;
    }
}

void TOvraTEFAPIComum::ResolverTransacaoPendente(TOvraTEFStatusTransacao Status) {
    GravarLog(std::string("ResolverOperacaoPendente( ") + OvraNome(Status) + " )");
    fpTEF->ResolverTransacaoPendente(Status);

    TOvraTEFResp& u = *fpUltimaRespostaTEF;
    const bool estorno = !OvraStatusConfirma(Status);
    u.SetCNFEnviado(true);
    if (estorno)
        u.SetEstornada(true);
    // The stored entry of the same transaction is the one whose file counts. It is found by the
    // transaction's own keys, never by the file name alone: a pending transaction reported by the
    // host during a run may sit in a record that still names the file of an unrelated response.
    const bool identificada = !platform::Trim(u.Rede).empty() && !platform::Trim(u.NSU).empty();
    for (int i = 0; i < fpRespostasTEF->Count(); ++i) {
        TOvraTEFResp& r = fpRespostasTEF->Items(i);
        const bool mesma = r.Rede == u.Rede && r.NSU == u.NSU &&
                           (u.Finalizacao.empty() || r.Finalizacao == u.Finalizacao) &&
                           (identificada || (!u.ArqBackup().empty() && r.ArqBackup() == u.ArqBackup()));
        if (mesma) {
            fpRespostasTEF->AtualizarTransacaoComTerceiraPerna(r, estorno);
            break;
        }
    }
}

void TOvraTEFAPIComum::AbortarTransacaoEmAndamento() {
    GravarLog("AbortarTransacaoEmAndamento");
    fpTEF->AbortarTransacaoEmAndamento();
}

void TOvraTEFAPIComum::LimparRespostasTEF() {
    GravarLog("LimparRespostasTEF");
    fpRespostasTEF->LimparRespostasTEF();
}

void TOvraTEFAPIComum::CarregarRespostasDoDiretorioTrabalho() {
    GravarLog("CarregarRespostasDoDiretorioTrabalho");
    fpRespostasTEF->CarregarRespostasDoDiretorioTrabalho();
}

void TOvraTEFAPIComum::VerificarTransacoesPendentes() {
    GravarLog("VerificarTransacoesPendentes");
    for (int i = 0; i < fpRespostasTEF->Count(); ++i) {
        const TOvraTEFResp& r = fpRespostasTEF->Items(i);
        fpUltimaRespostaTEF->Assign(r);
        if (Pendente(r))
            ProcessarTransacaoPendente("Transação Pendente.\r\nRede: " + r.Rede + "\r\nNSU: " + r.NSU);
    }
}

void TOvraTEFAPIComum::ConfirmarTransacoesPendentes() {
    GravarLog("ConfirmarTransacoesPendentes");
    FinalizarTransacoesPendentes(fpInicializando ? tefstsSucessoManual : tefstsSucessoAutomatico);
}

void TOvraTEFAPIComum::EstornarTransacoesPendentes() {
    GravarLog("EstornarTransacoesPendentes");
    FinalizarTransacoesPendentes(fpInicializando ? tefstsErroEnergia : tefstsErroDiverso);
}

void TOvraTEFAPIComum::FinalizarTransacoesPendentes(TOvraTEFStatusTransacao Status) {
    GravarLog(std::string("FinalizarTransacoes( ") + OvraNome(Status) + " )");
    const int n = fpRespostasTEF->Count();
    for (int i = 0; i < n && i < fpRespostasTEF->Count(); ++i) {
        const TOvraTEFResp& r = fpRespostasTEF->Items(i);
        if (!Pendente(r))
            continue;
        const std::string rede = r.Rede, nsu = r.NSU, finalizacao = r.Finalizacao;
        FinalizarTransacao(rede, nsu, finalizacao, Status);
    }
}

// Undoes everything the working directory holds. The first pass undoes what is still pending and
// settles the other operations; the second cancels the payments that are final (confirmed, or
// approved without needing a confirmation). A payment whose cancellation does not succeed keeps
// its entry and its file: it is still charged, and the file is the only local record of it.
void TOvraTEFAPIComum::CancelarOuEstornarTransacoesDiretorioTrabalho() {
    GravarLog("CancelarOuEstornarTransacoesDiretorioTrabalho( " + DiretorioTrabalho() + " )");
    CarregarRespostasDoDiretorioTrabalho();
    TOvraTEFAPIRespostas lidas(fpTEF->TEFRespClass, fpRespostasTEF->DiretorioTrabalho(), false, false);
    lidas.CarregarRespostasDoDiretorioTrabalho();

    auto apagar = [&](int j) {
        const std::string arquivo = lidas.Items(j).ArqBackup();
        lidas.ApagarRespostaTEF(j);
        for (int k = 0; k < fpRespostasTEF->Count(); ++k)
            if (fpRespostasTEF->Items(k).ArqBackup() == arquivo) {
                fpRespostasTEF->ApagarRespostaTEF(k);
                break;
            }
    };

    for (int passo = 1; passo <= 2; ++passo) {
        int j = 0;
        while (j < lidas.Count()) {
            const TOvraTEFResp& r = lidas.Items(j);
            const bool pagamento = r.Header() == "CRT";
            const bool estornada = r.CNFEnviado() && r.Estornada();
            const bool finalizada = !estornada && (r.CNFEnviado() || !r.Confirmar);
            if (pagamento && finalizada) {
                if (passo == 1) {
                    ++j;
                    continue;
                }
                const std::string nsu = r.NSU, rede = r.Rede, autorizacao = r.CodigoAutorizacaoTransacao,
                                  finalizacao = r.Finalizacao;
                const bool ok = CancelarTransacao(nsu, autorizacao, r.DataHoraTransacaoLocal, r.ValorTotal,
                                                  finalizacao, rede) &&
                                fpUltimaRespostaTEF->Sucesso;
                if (!ok) {
                    GravarLog("Cancelamento não efetuado, transação mantida: Rede " + rede + ", NSU " + nsu);
                    ++j;
                    continue;
                }
            } else if (Pendente(r)) {
                const std::string rede = r.Rede, nsu = r.NSU, finalizacao = r.Finalizacao;
                const TOvraTEFStatusTransacao status =
                    !pagamento ? tefstsSucessoManual
                               : (fpInicializando ? tefstsErroEnergia : tefstsErroDiverso);
                FinalizarTransacao(rede, nsu, finalizacao, status);
            }
            apagar(j);
        }
    }
}
