// Stand-in for the PayGo Web client library, for tests and demonstrations. It behaves as the
// program expects the real library to, driven by a scenario file (see README.md); it holds none of
// the program's logic and links nothing of it.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#if defined(_WIN32) && !defined(_WIN64)
#define PW_CALL __stdcall
#else
#define PW_CALL
#endif

#ifdef _WIN32
#define PW_EXPORT extern "C" __declspec(dllexport)
#else
#define PW_EXPORT extern "C" __attribute__((visibility("default")))
#endif

// The capture record, 12500 bytes, is filled here byte by byte at its documented offsets; the type
// only names what the caller passes.
struct PW_GetData;

namespace {

// Return codes this library answers with.
constexpr std::int16_t OK = 0;
constexpr std::int16_t FROMHOSTPENDTRN = -2599;
constexpr std::int16_t INVPARAM = -2499;
constexpr std::int16_t MOREDATA = -2497;
constexpr std::int16_t NODATA = -2496;
constexpr std::int16_t DISPLAY = -2495;
constexpr std::int16_t INVCALL = -2494;
constexpr std::int16_t NOTHING = -2493;
constexpr std::int16_t BUFOVFLW = -2492;
constexpr std::int16_t TRNNOTINIT = -2488;
constexpr std::int16_t DLLNOTINIT = -2487;
constexpr std::int16_t INVALIDTRN = -2482;

constexpr std::uint8_t OPER_VERSION = 252;
constexpr std::uint32_t CNF_AUTO = 0x121;
constexpr std::uint32_t CNF_MANU_AUT = 0x3221;

// Information codes the ledger uses.
constexpr std::uint16_t INFO_AUTHSYST = 53, INFO_VIRTMERCH = 54, INFO_REQNUM = 50, INFO_RESULTMSG = 66,
                        INFO_CNFREQ = 67, INFO_AUTLOCREF = 68, INFO_AUTEXTREF = 69, INFO_PNDAUTHSYST = 32517,
                        INFO_PNDVIRTMERCH = 32518, INFO_PNDREQNUM = 32519, INFO_PNDAUTLOCREF = 32520,
                        INFO_PNDAUTEXTREF = 32521;

constexpr std::size_t TamanhoRegistro = 12500;

// Where each field of a capture record lies, and how wide it is.
struct Campo {
    const char* nome;
    std::size_t deslocamento;
    char tipo; // 'b' byte, 'w' 16-bit, 'l' 32-bit, 't' text of `largura` bytes
    std::size_t largura;
};
constexpr Campo Campos[] = {
    {"wIdentificador", 0, 'w', 2},
    {"bTipoDeDado", 2, 'b', 1},
    {"szPrompt", 3, 't', 84},
    {"bNumOpcoesMenu", 87, 'b', 1},
    {"szMascaraDeCaptura", 11968, 't', 41},
    {"bTiposEntradaPermitidos", 12009, 'b', 1},
    {"bTamanhoMinimo", 12010, 'b', 1},
    {"bTamanhoMaximo", 12011, 'b', 1},
    {"ulValorMinimo", 12012, 'l', 4},
    {"ulValorMaximo", 12016, 'l', 4},
    {"bOcultarDadosDigitados", 12020, 'b', 1},
    {"bValidacaoDado", 12021, 'b', 1},
    {"bAceitaNulo", 12022, 'b', 1},
    {"szValorInicial", 12023, 't', 41},
    {"bTeclasDeAtalho", 12064, 'b', 1},
    {"szMsgValidacao", 12065, 't', 84},
    {"szMsgConfirmacao", 12149, 't', 84},
    {"szMsgDadoMaior", 12233, 't', 84},
    {"szMsgDadoMenor", 12317, 't', 84},
    {"bCapturarDataVencCartao", 12401, 'b', 1},
    {"ulTipoEntradaCartao", 12404, 'l', 4},
    {"bItemInicial", 12408, 'b', 1},
    {"bNumeroCapturas", 12409, 'b', 1},
    {"szMsgPrevia", 12410, 't', 84},
    {"bTipoEntradaCodigoBarras", 12494, 'b', 1},
    {"bOmiteMsgAlerta", 12495, 'b', 1},
    {"bIniciaPelaEsquerda", 12496, 'b', 1},
    {"bNotificarCancelamento", 12497, 'b', 1},
    {"bAlinhaPelaDireita", 12498, 'b', 1},
};
constexpr std::size_t TextoMenu = 88, LarguraTextoMenu = 41, ValorMenu = 1728, LarguraValorMenu = 256;

using Registro = std::vector<unsigned char>;

struct Passo {
    enum Tipo { Nada, Captura, Fim } tipo = Fim;
    std::int16_t codigo = OK;
    std::vector<Registro> registros;
};

struct Transacao {
    std::int16_t novaTransacao = OK;
    std::map<std::uint16_t, std::int16_t> resultadoParametro;
    std::map<std::uint16_t, std::string> esperado;
    std::vector<Passo> passos;
    std::map<std::uint16_t, std::string> durante;
    std::map<std::uint16_t, std::string> resultado;
    std::int16_t inicioPinPad = OK;
    // One list per PIN-pad operation, in the order the operations start.
    std::vector<std::vector<std::string>> eventosPinPad;
};

struct Pendente {
    char estado = 'P'; // P pending, C confirmed, D undone
    std::string reqNum, locRef, extRef, virtMerch, authSyst;
};

struct Estado {
    // Scenario.
    std::int16_t init = OK;
    std::string versao = "0004.0000.0082.0003";
    std::string arquivoLedger, arquivoTranscricao;
    std::map<std::uint16_t, std::string> info;
    std::int16_t idleProc = OK, ppAbort = OK, ppDisplay = OK, end = OK;
    std::int16_t userDataCodigo = OK;
    std::string userDataValor;
    std::vector<std::string> commTest;
    bool reportaPendente = true;
    std::vector<Transacao> transacoes;

    // Run.
    bool carregado = false;
    bool iniciada = false;
    bool tentouIniciar = false; // a failed PW_iInit still leaves its result message to be read
    std::size_t proximaTransacao = 0;
    Transacao atual;
    bool versaoAtual = false;
    int fase = 0; // 0 none, 1 open, 2 running, 3 ended
    std::size_t passo = 0;
    std::size_t evento = 0;
    std::size_t operacaoPinPad = 0; // lists of events handed out in this transaction
    std::size_t listaEventos = 0;   // the list of the operation running: 1-based, 0 for none
    bool pinPadAtivo = false;
    std::size_t commTestPasso = 0;
    std::vector<Pendente> ledger;
};

Estado& E() {
    static Estado estado;
    return estado;
}

std::string Aparar(const std::string& s) {
    const auto inicio = s.find_first_not_of(" \t\r\n");
    if (inicio == std::string::npos)
        return {};
    return s.substr(inicio, s.find_last_not_of(" \t\r\n") - inicio + 1);
}

int Hex(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// "\xHH" stands for one byte, so a scenario can hold any byte.
std::string Desescapar(const std::string& s) {
    std::string r;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] == 'x' && Hex(s[i + 2]) >= 0 && Hex(s[i + 3]) >= 0) {
            r += static_cast<char>(Hex(s[i + 2]) * 16 + Hex(s[i + 3]));
            i += 3;
        } else
            r += s[i];
    }
    return r;
}

std::string ParaTranscricao(const char* s) {
    if (s == nullptr)
        return "(null)";
    std::string r;
    for (const unsigned char c : std::string(s)) {
        if (c < 32 || c > 126 || c == '\\') {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            r += buf;
        } else
            r += static_cast<char>(c);
    }
    return r;
}

long Numero(const std::string& s) {
    return std::strtol(Aparar(s).c_str(), nullptr, 10);
}

std::int16_t Transcrever(const std::string& chamada, std::int16_t resultado, const std::string& nota = "") {
    const std::string& arquivo = E().arquivoTranscricao;
    if (!arquivo.empty()) {
        // Opened and closed per line, so that a killed process leaves every line it wrote.
        if (FILE* f = std::fopen(arquivo.c_str(), "a")) {
            std::fprintf(f, "%s = %d%s%s\n", chamada.c_str(), resultado, nota.empty() ? "" : " ",
                         nota.c_str());
            std::fclose(f);
        }
    }
    return resultado;
}

void GravarLedger() {
    const std::string& arquivo = E().arquivoLedger;
    if (arquivo.empty())
        return;
    std::ofstream f(arquivo, std::ios::trunc);
    for (const auto& p : E().ledger)
        f << p.estado << '|' << p.reqNum << '|' << p.locRef << '|' << p.extRef << '|' << p.virtMerch << '|'
          << p.authSyst << '\n';
}

void LerLedger() {
    E().ledger.clear();
    std::ifstream f(E().arquivoLedger);
    std::string linha;
    while (std::getline(f, linha)) {
        std::vector<std::string> campos;
        std::stringstream ss(linha);
        std::string campo;
        while (std::getline(ss, campo, '|'))
            campos.push_back(campo);
        campos.resize(6);
        if (campos[0].empty())
            continue;
        E().ledger.push_back({campos[0][0], campos[1], campos[2], campos[3], campos[4], campos[5]});
    }
}

void DefinirCampo(Registro& r, const std::string& nome, const std::string& valor) {
    auto escreverTexto = [&](std::size_t onde, std::size_t largura) {
        const std::string bytes = Desescapar(valor);
        // A text as wide as its field goes in without its NUL, as a careless library would write it.
        std::memset(&r[onde], 0, largura);
        std::memcpy(&r[onde], bytes.data(), std::min(bytes.size(), largura));
    };
    const auto ponto = nome.find('.');
    if (ponto != std::string::npos) {
        const std::string base = nome.substr(0, ponto);
        const long i = Numero(nome.substr(ponto + 1));
        if (i < 0 || i >= 40)
            return;
        if (base == "vszTextoMenu")
            escreverTexto(TextoMenu + static_cast<std::size_t>(i) * LarguraTextoMenu, LarguraTextoMenu);
        else if (base == "vszValorMenu")
            escreverTexto(ValorMenu + static_cast<std::size_t>(i) * LarguraValorMenu, LarguraValorMenu);
        return;
    }
    for (const auto& campo : Campos) {
        if (nome != campo.nome)
            continue;
        if (campo.tipo == 't') {
            escreverTexto(campo.deslocamento, campo.largura);
            return;
        }
        const auto v = static_cast<std::uint32_t>(std::strtoul(Aparar(valor).c_str(), nullptr, 10));
        for (std::size_t b = 0; b < campo.largura; ++b) // little-endian
            r[campo.deslocamento + b] = static_cast<unsigned char>(v >> (8 * b));
        return;
    }
}

void Reiniciar() {
    // A new scenario does not undo PW_iInit: a test may change it between two calls of one session.
    const bool iniciada = E().iniciada, tentouIniciar = E().tentouIniciar;
    E() = Estado();
    E().carregado = true;
    E().iniciada = iniciada;
    E().tentouIniciar = tentouIniciar;
}

bool LerCenario(const std::string& arquivo) {
    Reiniciar();
    Estado& e = E();
    std::ifstream f(arquivo);
    if (!f)
        return false;
    std::string linha;
    Transacao* t = nullptr;
    while (std::getline(f, linha)) {
        linha = Aparar(linha);
        if (linha.empty() || linha[0] == '#')
            continue;
        if (linha == "[transaction]") {
            e.transacoes.emplace_back();
            t = &e.transacoes.back();
            continue;
        }
        const auto igual = linha.find('=');
        if (igual == std::string::npos)
            continue;
        const std::string chave = Aparar(linha.substr(0, igual));
        const std::string valor = Aparar(linha.substr(igual + 1));
        const auto ponto = chave.find('.');
        const std::string raiz = chave.substr(0, ponto);
        const std::string resto = ponto == std::string::npos ? "" : chave.substr(ponto + 1);
        const auto codigo = static_cast<std::uint16_t>(Numero(resto));
        if (t == nullptr) {
            if (chave == "init")
                e.init = static_cast<std::int16_t>(Numero(valor));
            else if (chave == "version")
                e.versao = valor;
            else if (chave == "ledger")
                e.arquivoLedger = valor;
            else if (chave == "transcript")
                e.arquivoTranscricao = valor;
            else if (raiz == "info")
                e.info[codigo] = Desescapar(valor);
            else if (chave == "idleproc")
                e.idleProc = static_cast<std::int16_t>(Numero(valor));
            else if (chave == "ppabort")
                e.ppAbort = static_cast<std::int16_t>(Numero(valor));
            else if (chave == "ppdisplay")
                e.ppDisplay = static_cast<std::int16_t>(Numero(valor));
            else if (chave == "end")
                e.end = static_cast<std::int16_t>(Numero(valor));
            else if (chave == "userdata") {
                const auto barra = valor.find('|');
                e.userDataCodigo = static_cast<std::int16_t>(Numero(valor.substr(0, barra)));
                e.userDataValor = barra == std::string::npos ? "" : Desescapar(valor.substr(barra + 1));
            } else if (chave == "commtest") {
                std::stringstream ss(valor);
                std::string item;
                while (std::getline(ss, item, ';'))
                    e.commTest.push_back(Aparar(item));
            } else if (chave == "reportpending")
                e.reportaPendente = Numero(valor) != 0;
            continue;
        }
        if (chave == "newtransac")
            t->novaTransacao = static_cast<std::int16_t>(Numero(valor));
        else if (raiz == "addparam")
            t->resultadoParametro[codigo] = static_cast<std::int16_t>(Numero(valor));
        else if (raiz == "expect")
            t->esperado[codigo] = Desescapar(valor);
        else if (raiz == "during")
            t->durante[codigo] = Desescapar(valor);
        else if (raiz == "result")
            t->resultado[codigo] = Desescapar(valor);
        else if (chave == "ppstart")
            t->inicioPinPad = static_cast<std::int16_t>(Numero(valor));
        else if (chave == "ppevents") {
            std::stringstream ss(valor);
            std::string item;
            t->eventosPinPad.emplace_back();
            while (std::getline(ss, item, ';'))
                t->eventosPinPad.back().push_back(Aparar(item));
        } else if (chave == "step") {
            Passo p;
            if (valor == "nothing")
                p.tipo = Passo::Nada;
            else if (valor == "capture")
                p.tipo = Passo::Captura;
            else {
                p.tipo = Passo::Fim;
                p.codigo = static_cast<std::int16_t>(Numero(valor));
            }
            t->passos.push_back(p);
        } else if (chave == "record" && !t->passos.empty() && t->passos.back().tipo == Passo::Captura) {
            Registro r(TamanhoRegistro, 0);
            std::stringstream ss(valor);
            std::string id, tipo;
            ss >> id >> tipo;
            DefinirCampo(r, "wIdentificador", id);
            DefinirCampo(r, "bTipoDeDado", tipo);
            t->passos.back().registros.push_back(std::move(r));
        } else if (raiz == "rec" && !t->passos.empty() && !t->passos.back().registros.empty())
            DefinirCampo(t->passos.back().registros.back(), resto, valor);
    }
    if (!e.arquivoLedger.empty())
        LerLedger();
    return true;
}

void CarregarSeNecessario() {
    if (E().carregado)
        return;
    E().carregado = true;
    if (const char* arquivo = std::getenv("PGWEBLIB_SCENARIO"))
        LerCenario(arquivo);
}

const std::string* Valor(std::uint16_t info) {
    Estado& e = E();
    if (e.fase != 0) {
        if (e.versaoAtual && info == INFO_RESULTMSG && e.fase == 3)
            return &e.versao;
        if (e.fase == 3) {
            if (auto it = e.atual.resultado.find(info); it != e.atual.resultado.end())
                return &it->second;
        }
        if (auto it = e.atual.durante.find(info); it != e.atual.durante.end())
            return &it->second;
    }
    if (auto it = e.info.find(info); it != e.info.end())
        return &it->second;
    return nullptr;
}

const Pendente* PrimeiroPendente() {
    for (const auto& p : E().ledger)
        if (p.estado == 'P')
            return &p;
    return nullptr;
}

std::string ValorAtual(std::uint16_t info) {
    const std::string* v = Valor(info);
    return v ? *v : std::string();
}

std::int16_t InicioPinPad(const char* nome, std::uint16_t indice) {
    const std::string chamada = std::string(nome) + "(" + std::to_string(indice) + ")";
    if (!E().iniciada)
        return Transcrever(chamada, DLLNOTINIT, "misuse: not initialised");
    const std::int16_t r = E().atual.inicioPinPad;
    if (r == OK) {
        Estado& e = E();
        e.pinPadAtivo = true;
        e.evento = 0;
        e.listaEventos = e.operacaoPinPad < e.atual.eventosPinPad.size() ? ++e.operacaoPinPad : 0;
    }
    return Transcrever(chamada, r);
}

} // namespace

// Loads a scenario and starts afresh (for tests in the same process). 0, or -1 when the file cannot
// be read.
PW_EXPORT std::int16_t PW_CALL PWSim_Cenario(const char* arquivo) {
    return LerCenario(arquivo ? arquivo : "") ? 0 : -1;
}

PW_EXPORT std::int16_t PW_CALL PW_iInit(const char* pszWorkingDir) {
    CarregarSeNecessario();
    const std::string chamada = "PW_iInit(" + ParaTranscricao(pszWorkingDir) + ")";
    if (E().iniciada)
        return Transcrever(chamada, INVCALL);
    E().tentouIniciar = true;
    if (E().init == OK)
        E().iniciada = true;
    return Transcrever(chamada, E().init);
}

PW_EXPORT std::int16_t PW_CALL PW_iNewTransac(std::uint8_t bOper) {
    CarregarSeNecessario();
    Estado& e = E();
    const std::string chamada = "PW_iNewTransac(" + std::to_string(bOper) + ")";
    if (!e.iniciada)
        return Transcrever(chamada, DLLNOTINIT, "misuse: not initialised");
    e.versaoAtual = bOper == OPER_VERSION;
    if (e.versaoAtual)
        e.atual = Transacao();
    else if (e.proximaTransacao < e.transacoes.size())
        e.atual = e.transacoes[e.proximaTransacao++];
    else
        e.atual = Transacao();
    if (e.atual.novaTransacao != OK) {
        e.fase = 0;
        return Transcrever(chamada, e.atual.novaTransacao);
    }
    e.fase = 1;
    e.passo = 0;
    e.pinPadAtivo = false;
    e.operacaoPinPad = 0;
    e.listaEventos = 0;
    return Transcrever(chamada, OK);
}

PW_EXPORT std::int16_t PW_CALL PW_iAddParam(std::uint16_t wParam, const char* pszValue) {
    CarregarSeNecessario();
    Estado& e = E();
    const std::string chamada =
        "PW_iAddParam(" + std::to_string(wParam) + ", " + ParaTranscricao(pszValue) + ")";
    if (!e.iniciada)
        return Transcrever(chamada, DLLNOTINIT, "misuse: not initialised");
    if (e.fase != 1 && e.fase != 2)
        return Transcrever(chamada, TRNNOTINIT, "misuse: no transaction");
    if (auto it = e.atual.esperado.find(wParam);
        it != e.atual.esperado.end() && (pszValue == nullptr || it->second != pszValue))
        return Transcrever(chamada, INVPARAM, "unexpected value");
    if (auto it = e.atual.resultadoParametro.find(wParam); it != e.atual.resultadoParametro.end())
        return Transcrever(chamada, it->second);
    return Transcrever(chamada, OK);
}

PW_EXPORT std::int16_t PW_CALL PW_iExecTransac(PW_GetData* registros, std::int16_t* piNumParam) {
    auto* vstParam = reinterpret_cast<unsigned char*>(registros);
    CarregarSeNecessario();
    Estado& e = E();
    const std::string chamada = "PW_iExecTransac(" + std::to_string(piNumParam ? *piNumParam : -1) + ")";
    if (!e.iniciada)
        return Transcrever(chamada, DLLNOTINIT, "misuse: not initialised");
    if (e.fase != 1 && e.fase != 2)
        return Transcrever(chamada, TRNNOTINIT, "misuse: no transaction");
    if (vstParam == nullptr || piNumParam == nullptr)
        return Transcrever(chamada, INVPARAM, "misuse: no records");

    if (e.fase == 1 && !e.versaoAtual && e.reportaPendente) {
        // The host refuses a new transaction while an earlier one awaits its confirmation.
        if (const Pendente* p = PrimeiroPendente()) {
            e.atual.passos.clear();
            e.atual.resultado = {{INFO_PNDREQNUM, p->reqNum},     {INFO_PNDAUTLOCREF, p->locRef},
                                 {INFO_PNDAUTEXTREF, p->extRef},  {INFO_PNDVIRTMERCH, p->virtMerch},
                                 {INFO_PNDAUTHSYST, p->authSyst}, {INFO_RESULTMSG, "TRANSACAO PENDENTE"}};
            e.fase = 3;
            *piNumParam = 0;
            return Transcrever(chamada, FROMHOSTPENDTRN);
        }
    }
    e.fase = 2;
    if (e.passo >= e.atual.passos.size()) {
        e.atual.passos.push_back(Passo());
    }
    const Passo& p = e.atual.passos[e.passo++];
    switch (p.tipo) {
    case Passo::Nada:
        *piNumParam = 0;
        return Transcrever(chamada, NOTHING);
    case Passo::Captura: {
        const std::size_t n = std::min<std::size_t>(p.registros.size(),
                                                    static_cast<std::size_t>(std::max<int>(*piNumParam, 0)));
        for (std::size_t i = 0; i < n; ++i)
            std::memcpy(vstParam + i * TamanhoRegistro, p.registros[i].data(), TamanhoRegistro);
        *piNumParam = static_cast<std::int16_t>(n);
        return Transcrever(chamada, MOREDATA);
    }
    case Passo::Fim:
        break;
    }
    e.fase = 3;
    *piNumParam = 0;
    if (p.codigo == OK && !e.versaoAtual && Aparar(ValorAtual(INFO_CNFREQ)) == "1") {
        e.ledger.push_back({'P', ValorAtual(INFO_REQNUM), ValorAtual(INFO_AUTLOCREF),
                            ValorAtual(INFO_AUTEXTREF), ValorAtual(INFO_VIRTMERCH),
                            ValorAtual(INFO_AUTHSYST)});
        GravarLedger();
    }
    return Transcrever(chamada, p.codigo);
}

PW_EXPORT std::int16_t PW_CALL PW_iGetResult(std::uint16_t iInfo, char* pszData, std::uint32_t ulDataSize) {
    CarregarSeNecessario();
    const std::string chamada = "PW_iGetResult(" + std::to_string(iInfo) + ")";
    if (!E().iniciada && !E().tentouIniciar)
        return Transcrever(chamada, DLLNOTINIT, "misuse: not initialised");
    const std::string* v = Valor(iInfo);
    if (v == nullptr)
        return NODATA; // asked for every code after each transaction; not worth a line each
    if (pszData == nullptr || v->size() > ulDataSize)
        return Transcrever(chamada, BUFOVFLW);
    // A value exactly as long as the buffer fills it without a NUL.
    std::memcpy(pszData, v->data(), v->size());
    if (v->size() < ulDataSize)
        pszData[v->size()] = '\0';
    return OK;
}

PW_EXPORT std::int16_t PW_CALL PW_iConfirmation(std::uint32_t ulStatus, const char* pszReqNum,
                                                const char* pszLocRef, const char* pszExtRef,
                                                const char* pszVirtMerch, const char* pszAuthSyst) {
    CarregarSeNecessario();
    Estado& e = E();
    const std::string chamada = "PW_iConfirmation(" + std::to_string(ulStatus) + ", " +
                                ParaTranscricao(pszReqNum) + ", " + ParaTranscricao(pszLocRef) + ", " +
                                ParaTranscricao(pszExtRef) + ", " + ParaTranscricao(pszVirtMerch) + ", " +
                                ParaTranscricao(pszAuthSyst) + ")";
    if (!e.iniciada)
        return Transcrever(chamada, DLLNOTINIT, "misuse: not initialised");
    const char estado = (ulStatus == CNF_AUTO || ulStatus == CNF_MANU_AUT) ? 'C' : 'D';
    auto igual = [](const std::string& a, const char* b) { return b != nullptr && a == b; };
    for (auto& p : e.ledger) {
        if (igual(p.reqNum, pszReqNum) && igual(p.locRef, pszLocRef) && igual(p.extRef, pszExtRef)) {
            if (p.estado != 'P')
                return Transcrever(chamada, INVALIDTRN, "already resolved");
            p.estado = estado;
            GravarLedger();
            return Transcrever(chamada, OK, estado == 'C' ? "confirmed" : "undone");
        }
    }
    // The current transaction may be undone although it never reached the ledger (it did not end
    // approved).
    if (e.fase != 0) {
        if (igual(ValorAtual(INFO_REQNUM), pszReqNum) && igual(ValorAtual(INFO_AUTLOCREF), pszLocRef) &&
            igual(ValorAtual(INFO_AUTEXTREF), pszExtRef)) {
            e.ledger.push_back({estado, pszReqNum, pszLocRef, pszExtRef, pszVirtMerch ? pszVirtMerch : "",
                                pszAuthSyst ? pszAuthSyst : ""});
            GravarLedger();
            return Transcrever(chamada, OK, estado == 'C' ? "confirmed" : "undone");
        }
    }
    return Transcrever(chamada, INVALIDTRN, "unknown transaction");
}

PW_EXPORT std::int16_t PW_CALL PW_iIdleProc() {
    CarregarSeNecessario();
    if (!E().iniciada)
        return Transcrever("PW_iIdleProc()", DLLNOTINIT, "misuse: not initialised");
    return Transcrever("PW_iIdleProc()", E().idleProc);
}

PW_EXPORT std::int16_t PW_CALL PW_iPPEventLoop(char* pszDisplay, std::uint32_t ulDisplaySize) {
    CarregarSeNecessario();
    Estado& e = E();
    const std::string chamada = "PW_iPPEventLoop()";
    if (!e.iniciada)
        return Transcrever(chamada, DLLNOTINIT, "misuse: not initialised");
    if (!e.pinPadAtivo)
        return Transcrever(chamada, INVCALL, "misuse: no PIN-pad operation");
    if (e.listaEventos == 0 || e.listaEventos > e.atual.eventosPinPad.size() ||
        e.evento >= e.atual.eventosPinPad[e.listaEventos - 1].size()) {
        e.pinPadAtivo = false;
        return Transcrever(chamada, OK);
    }
    const std::string evento = e.atual.eventosPinPad[e.listaEventos - 1][e.evento++];
    if (evento == "nothing")
        return Transcrever(chamada, NOTHING);
    if (evento.rfind("display:", 0) == 0) {
        const std::string texto = Desescapar(evento.substr(8));
        if (pszDisplay != nullptr && ulDisplaySize > 0) {
            const std::size_t n = std::min<std::size_t>(texto.size(), ulDisplaySize - 1);
            std::memcpy(pszDisplay, texto.data(), n);
            pszDisplay[n] = '\0';
        }
        return Transcrever(chamada, DISPLAY, ParaTranscricao(texto.c_str()));
    }
    e.pinPadAtivo = false;
    return Transcrever(chamada, static_cast<std::int16_t>(Numero(evento)));
}

PW_EXPORT std::int16_t PW_CALL PW_iPPAbort() {
    CarregarSeNecessario();
    if (!E().iniciada)
        return Transcrever("PW_iPPAbort()", DLLNOTINIT, "misuse: not initialised");
    E().pinPadAtivo = false;
    return Transcrever("PW_iPPAbort()", E().ppAbort);
}

PW_EXPORT std::int16_t PW_CALL PW_iPPRemoveCard() {
    CarregarSeNecessario();
    return InicioPinPad("PW_iPPRemoveCard", 0);
}
PW_EXPORT std::int16_t PW_CALL PW_iPPGetCard(std::uint16_t uiIndex) {
    CarregarSeNecessario();
    return InicioPinPad("PW_iPPGetCard", uiIndex);
}
PW_EXPORT std::int16_t PW_CALL PW_iPPGetPIN(std::uint16_t uiIndex) {
    CarregarSeNecessario();
    return InicioPinPad("PW_iPPGetPIN", uiIndex);
}
PW_EXPORT std::int16_t PW_CALL PW_iPPGetData(std::uint16_t uiIndex) {
    CarregarSeNecessario();
    return InicioPinPad("PW_iPPGetData", uiIndex);
}
PW_EXPORT std::int16_t PW_CALL PW_iPPGoOnChip(std::uint16_t uiIndex) {
    CarregarSeNecessario();
    return InicioPinPad("PW_iPPGoOnChip", uiIndex);
}
PW_EXPORT std::int16_t PW_CALL PW_iPPFinishChip(std::uint16_t uiIndex) {
    CarregarSeNecessario();
    return InicioPinPad("PW_iPPFinishChip", uiIndex);
}
PW_EXPORT std::int16_t PW_CALL PW_iPPConfirmData(std::uint16_t uiIndex) {
    CarregarSeNecessario();
    return InicioPinPad("PW_iPPConfirmData", uiIndex);
}
PW_EXPORT std::int16_t PW_CALL PW_iPPGenericCMD(std::uint16_t uiIndex) {
    CarregarSeNecessario();
    return InicioPinPad("PW_iPPGenericCMD", uiIndex);
}

PW_EXPORT std::int16_t PW_CALL PW_iPPDisplay(const char* pszMsg) {
    CarregarSeNecessario();
    const std::string chamada = "PW_iPPDisplay(" + ParaTranscricao(pszMsg) + ")";
    if (!E().iniciada)
        return Transcrever(chamada, DLLNOTINIT, "misuse: not initialised");
    return Transcrever(chamada, E().ppDisplay);
}

PW_EXPORT std::int16_t PW_CALL PW_iPPGetUserData(std::uint16_t uiMessageId, std::uint8_t bMinLen,
                                                 std::uint8_t bMaxLen, std::int16_t iToutSec, char* pszData) {
    CarregarSeNecessario();
    const std::string chamada = "PW_iPPGetUserData(" + std::to_string(uiMessageId) + ", " +
                                std::to_string(bMinLen) + ", " + std::to_string(bMaxLen) + ", " +
                                std::to_string(iToutSec) + ")";
    if (!E().iniciada)
        return Transcrever(chamada, DLLNOTINIT, "misuse: not initialised");
    if (E().userDataCodigo == OK && pszData != nullptr) {
        // Up to the maximum length and then the NUL: the caller's buffer must hold both.
        const std::string valor = E().userDataValor.substr(0, bMaxLen);
        std::memcpy(pszData, valor.c_str(), valor.size() + 1);
    }
    return Transcrever(chamada, E().userDataCodigo);
}

PW_EXPORT std::int16_t PW_CALL PW_iGetOperations(std::uint8_t, void*, std::int16_t*) {
    return Transcrever("PW_iGetOperations()", INVCALL, "not simulated");
}
PW_EXPORT std::int16_t PW_CALL PW_iPPWaitEvent(std::uint32_t*) {
    return Transcrever("PW_iPPWaitEvent()", INVCALL, "not simulated");
}
#ifndef PGWEB_SEM_OBRIGATORIA
PW_EXPORT std::int16_t PW_CALL PW_iTransactionInquiry(const char*, void*, std::int16_t*) {
    return Transcrever("PW_iTransactionInquiry()", INVCALL, "not simulated");
}
#endif

#ifndef PGWEB_SEM_OPCIONAIS
PW_EXPORT std::int16_t PW_CALL PW_iPPDataConfirmation(std::uint16_t uiIndex) {
    CarregarSeNecessario();
    return InicioPinPad("PW_iPPDataConfirmation", uiIndex);
}
PW_EXPORT std::int16_t PW_CALL PW_iPPTestKey(std::uint16_t uiIndex) {
    CarregarSeNecessario();
    return InicioPinPad("PW_iPPTestKey", uiIndex);
}
PW_EXPORT std::int16_t PW_CALL PW_iPPCommTest(char* pszMsg, std::int16_t iSize, std::uint8_t* pbPresent) {
    CarregarSeNecessario();
    Estado& e = E();
    if (!e.iniciada)
        return Transcrever("PW_iPPCommTest()", DLLNOTINIT, "misuse: not initialised");
    if (e.commTestPasso >= e.commTest.size()) {
        if (pbPresent)
            *pbPresent = 1;
        return Transcrever("PW_iPPCommTest()", OK);
    }
    const std::string item = e.commTest[e.commTestPasso++];
    const auto doisPontos = item.find(':');
    const std::string codigo = item.substr(0, doisPontos);
    const std::string resto = doisPontos == std::string::npos ? "" : item.substr(doisPontos + 1);
    if (codigo == "nothing") {
        if (pszMsg != nullptr && iSize > 0) {
            const std::string texto = Desescapar(resto);
            const std::size_t n = std::min<std::size_t>(texto.size(), static_cast<std::size_t>(iSize) - 1);
            std::memcpy(pszMsg, texto.data(), n);
            pszMsg[n] = '\0';
        }
        return Transcrever("PW_iPPCommTest()", NOTHING);
    }
    if (pbPresent)
        *pbPresent = static_cast<std::uint8_t>(Numero(resto));
    return Transcrever("PW_iPPCommTest()", static_cast<std::int16_t>(Numero(codigo)));
}
PW_EXPORT std::int16_t PW_CALL PW_End() {
    CarregarSeNecessario();
    E().iniciada = false;
    E().tentouIniciar = false;
    E().fase = 0;
    return Transcrever("PW_End()", E().end);
}
PW_EXPORT std::int16_t PW_CALL PW_iGetOperationsEx(std::uint8_t, void*, std::int16_t, std::int16_t*) {
    return Transcrever("PW_iGetOperationsEx()", INVCALL, "not simulated");
}
PW_EXPORT std::int16_t PW_CALL PW_iPPGetPINBlock(std::uint8_t, const char*, std::uint8_t, std::uint8_t,
                                                 std::int16_t, const char*, char*) {
    return Transcrever("PW_iPPGetPINBlock()", INVCALL, "not simulated");
}
PW_EXPORT std::int16_t PW_CALL PW_iWaitConfirmation() {
    return Transcrever("PW_iWaitConfirmation()", INVCALL, "not simulated");
}
#endif
