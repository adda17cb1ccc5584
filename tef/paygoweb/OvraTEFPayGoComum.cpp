#include "OvraTEFPayGoComum.h"

#include "OvraTEFPayGoRedes.h"
#include "platform/CodePage.h"
#include "platform/Currency.h"
#include "platform/Text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <span>
#include <string_view>
#include <vector>

namespace {

template <typename T> struct Nomeado {
    T codigo;
    std::string_view nome;
};

#define OVRA_PW_ITEM(nome, valor) {valor, #nome},

constexpr Nomeado<std::int16_t> NomesPWRET[] = {OVRA_PWRET(OVRA_PW_ITEM)};
constexpr Nomeado<std::uint16_t> NomesPWINFO[] = {OVRA_PWINFO(OVRA_PW_ITEM)};
constexpr Nomeado<std::uint8_t> NomesPWOPER[] = {OVRA_PWOPER(OVRA_PW_ITEM)};
constexpr Nomeado<std::uint32_t> NomesPWCNF[] = {OVRA_PWCNF(OVRA_PW_ITEM)};
constexpr Nomeado<std::uint8_t> NomesPWDAT[] = {OVRA_PWDAT(OVRA_PW_ITEM)};
constexpr Nomeado<std::uint8_t> NomesPWVAL[] = {OVRA_PWVAL(OVRA_PW_ITEM)};
constexpr Nomeado<std::uint8_t> NomesPWTYP[] = {OVRA_PWTYP(OVRA_PW_ITEM)};
constexpr Nomeado<std::uint16_t> NomesPWDPIN[] = {OVRA_PWDPIN(OVRA_PW_ITEM)};

#undef OVRA_PW_ITEM

template <typename T> const std::string_view* Procurar(std::span<const Nomeado<T>> tabela, T codigo) {
    for (const auto& item : tabela)
        if (item.codigo == codigo)
            return &item.nome;
    return nullptr;
}

template <typename T>
std::string Nome(std::span<const Nomeado<T>> tabela, T codigo, std::string_view prefixo) {
    if (const auto* nome = Procurar(tabela, codigo))
        return std::string(*nome);
    char buf[16];
    // Widened so that the 8-bit codes are written as numbers, not characters.
    auto [fim, erro] = std::to_chars(buf, buf + sizeof buf, static_cast<std::int64_t>(codigo));
    (void)erro;
    return std::string(prefixo) + std::string(buf, fim);
}

} // namespace

std::string PWRETParaString(std::int16_t codigo) {
    return Nome<std::int16_t>(NomesPWRET, codigo, "PWRET_");
}
std::string PWINFOParaString(std::uint16_t codigo) {
    return Nome<std::uint16_t>(NomesPWINFO, codigo, "PWINFO_");
}
std::string PWOPERParaString(std::uint8_t codigo) {
    return Nome<std::uint8_t>(NomesPWOPER, codigo, "PWOPER_");
}
std::string PWCNFParaString(std::uint32_t codigo) {
    return Nome<std::uint32_t>(NomesPWCNF, codigo, "PWCNF_");
}
std::string PWDATParaString(std::uint8_t codigo) {
    return Nome<std::uint8_t>(NomesPWDAT, codigo, "PWDAT_");
}
std::string PWVALParaString(std::uint8_t codigo) {
    return Nome<std::uint8_t>(NomesPWVAL, codigo, "PWVAL_");
}
std::string PWTYPParaString(std::uint8_t codigo) {
    return Nome<std::uint8_t>(NomesPWTYP, codigo, "PWTYP_");
}
std::string PWDPINParaString(std::uint16_t codigo) {
    return Nome<std::uint16_t>(NomesPWDPIN, codigo, "PWDPIN_");
}

bool PWINFONomeado(std::uint16_t codigo) {
    return Procurar<std::uint16_t>(NomesPWINFO, codigo) != nullptr;
}

// ---------------------------------------------------------------------------------------------
// TOvraTEFRespPayGoWeb

namespace {

using platform::TDateTime;

// The library's text as stored in a line: escapes undone, then out of the single-byte code page.
std::string TextoDe(const TOvraInformacao& info) {
    return platform::AnsiToUtf8(info.AsBinary());
}

std::string UltimosQuatro(const std::string& texto) {
    return texto.size() <= 4 ? texto : texto.substr(texto.size() - 4);
}

// One entry per printed line; a line break at the very end opens no empty line.
std::vector<std::string> Linhas(const std::string& texto) {
    std::vector<std::string> linhas;
    std::size_t inicio = 0;
    while (inicio < texto.size()) {
        std::size_t fim = texto.find_first_of("\r\n", inicio);
        if (fim == std::string::npos)
            fim = texto.size();
        linhas.push_back(texto.substr(inicio, fim - inicio));
        if (fim < texto.size() && texto[fim] == '\r' && fim + 1 < texto.size() && texto[fim + 1] == '\n')
            ++fim;
        inicio = fim + 1;
    }
    return linhas;
}

bool Vazio(const std::string& texto) {
    return platform::Trim(texto).empty();
}

} // namespace

void TOvraTEFRespPayGoWeb::ConteudoToProperty() {
    fpImagemComprovante1aVia.clear();
    fpImagemComprovante2aVia.clear();
    Debito = false;
    Credito = false;
    Digitado = false;
    TaxaServico = 0.0;
    DataHoraTransacaoCancelada = {};

    for (int i = 0; i < fpConteudo.Count(); ++i) {
        const TOvraTEFLinha& linha = fpConteudo.Linha(i);
        const TOvraInformacao& info = linha.Informacao();
        switch (linha.Identificacao()) {
        case PWINFO_POSID:
            SerialPOS = TextoDe(info);
            break;
        case PWINFO_TOTAMNT:
            ValorTotal = info.AsFloat();
            break;
        case PWINFO_CURRENCY:
            switch (const std::int32_t moeda = info.AsInteger()) {
            case 986:
                Moeda = 0;
                break;
            case 840:
                Moeda = 1;
                break;
            case 978:
                Moeda = 2;
                break;
            default:
                Moeda = moeda & 0xFF;
                break;
            }
            break;
        case PWINFO_FISCALREF:
            DocumentoVinculado = TextoDe(info);
            break;
        case PWINFO_CARDTYPE: {
            const std::int32_t tipo = info.AsInteger();
            Credito = tipo == 1;
            Debito = tipo == 2;
            Voucher = tipo == 4;
            break;
        }
        case PWINFO_DATETIME:
            DataHoraTransacaoLocal = info.AsTimeStampSQL();
            break;
        case PWINFO_REQNUM:
            NumeroLoteTransacao = info.AsInt64();
            NSU_TEF = TextoDe(info);
            break;
        case PWINFO_AUTHSYST: {
            Rede = TextoDe(info);
            if (Vazio(Rede))
                break;
            if (const TOvraTEFPayGoRede* rede = OvraTEFPayGoTabelaRedes().FindPGWeb(Rede)) {
                if (fpNFCeSAT.Bandeira.empty())
                    fpNFCeSAT.Bandeira = rede->NomePGWeb;
                fpNFCeSAT.CNPJCredenciadora = rede->CNPJ;
                std::string codigo = std::to_string(rede->CodSATCFe);
                if (codigo.size() < 3)
                    codigo.insert(0, 3 - codigo.size(), '0');
                fpNFCeSAT.CodCredenciadora = codigo;
            }
            break;
        }
        case PWINFO_VIRTMERCH:
            Estabelecimento = TextoDe(info);
            break;
        case PWINFO_FINTYPE:
            switch (info.AsInteger()) {
            case 2:
                ParceladoPor = parcADM;
                TipoOperacao = opParcelado;
                break;
            case 4:
                ParceladoPor = parcLoja;
                TipoOperacao = opParcelado;
                break;
            case 8:
                ParceladoPor = parcNenhum;
                TipoOperacao = opPreDatado;
                break;
            case 16:
                ParceladoPor = parcNenhum;
                TipoOperacao = opOutras;
                break;
            default:
                ParceladoPor = parcNenhum;
                TipoOperacao = opAvista;
                break;
            }
            break;
        case PWINFO_INSTALLMDATE:
            DataPreDatado = info.AsDate();
            break;
        case PWINFO_CNFREQ:
            Confirmar = platform::Trim(TextoDe(info)) == "1";
            break;
        case PWINFO_AUTLOCREF:
            Finalizacao = TextoDe(info);
            break;
        case PWINFO_AUTEXTREF:
            NSU = TextoDe(info);
            CodigoPSP = NSU;
            fpNFCeSAT.Autorizacao = NSU;
            break;
        case PWINFO_AUTHCODE:
            CodigoAutorizacaoTransacao = TextoDe(info);
            break;
        case PWINFO_AUTDATETIME:
            DataHoraTransacaoHost = info.AsTimeStampSQL();
            break;
        case PWINFO_DISCOUNTAMT:
            Desconto = info.AsFloat();
            break;
        case PWINFO_CASHBACKAMT:
            Saque = info.AsFloat();
            break;
        case PWINFO_CARDNAME:
            CodigoBandeiraPadrao = TextoDe(info);
            if (fpNFCeSAT.Bandeira.empty())
                fpNFCeSAT.Bandeira = CodigoBandeiraPadrao;
            break;
        case PWINFO_BOARDINGTAX:
        case PWINFO_TIPAMOUNT:
            TaxaServico += info.AsFloat();
            break;
        case PWINFO_TRNORIGDATE:
            DataHoraTransacaoCancelada.dias += info.AsDate().dias;
            break;
        case PWINFO_TRNORIGNSU:
            NSUTransacaoCancelada = TextoDe(info);
            break;
        case PWINFO_TRNORIGAMNT:
            ValorOriginal = info.AsFloat();
            break;
        case PWINFO_TRNORIGTIME:
            DataHoraTransacaoCancelada.dias += info.AsTime().dias;
            break;
        case PWINFO_CARDENTMODE: {
            const std::int32_t modo = info.AsInteger();
            Digitado = modo == 1 || modo == 256;
            break;
        }
        case PWINFO_CARDFULLPAN:
            BIN = TextoDe(info);
            fpNFCeSAT.UltimosQuatroDigitos = UltimosQuatro(BIN);
            break;
        case PWINFO_CARDEXPDATE:
            fpNFCeSAT.DataExpiracao = TextoDe(info);
            break;
        case PWINFO_CARDNAMESTD:
            NomeAdministradora = TextoDe(info);
            fpNFCeSAT.Bandeira = NomeAdministradora;
            break;
        case PWINFO_CARDPARCPAN:
            if (fpNFCeSAT.UltimosQuatroDigitos.empty())
                fpNFCeSAT.UltimosQuatroDigitos = UltimosQuatro(TextoDe(info));
            break;
        case PWINFO_CHOLDERNAME:
            fpNFCeSAT.DonoCartao = TextoDe(info);
            break;
        case PWINFO_DEFAULTCARDPARCPAN:
            BIN = TextoDe(info);
            fpNFCeSAT.UltimosQuatroDigitos = UltimosQuatro(BIN);
            break;
        case PWINFO_AUTHPOSQRCODE:
            QRCode = TextoDe(info);
            break;
        case PWINFO_DATETIMERCPT:
            DataHoraTransacaoComprovante = info.AsTimeStampSQL();
            break;
        default:
            ProcessarTipoInterno(linha);
            break;
        }
    }

    // An absent key reads as one blank; every text below counts as given only when it is not blank.
    auto texto = [this](std::uint16_t codigo) {
        std::string valor = TextoDe(fpConteudo.LeInformacao(codigo, 0));
        return Vazio(valor) ? std::string() : valor;
    };

    // Receipts: which copies the host wants printed, and which text each copy takes.
    std::string vias = platform::Trim(texto(PWINFO_RCPTPRN));
    if (vias.empty())
        vias = "3";
    const std::string completo = texto(PWINFO_RCPTFULL);
    const std::string viaLoja = texto(PWINFO_RCPTMERCH);
    const bool querCliente = vias == "1" || vias == "3";
    const bool querLoja = vias == "2" || vias == "3" || !viaLoja.empty();
    if (querLoja)
        fpImagemComprovante2aVia = Linhas(viaLoja.empty() ? completo : viaLoja);
    if (querCliente) {
        const std::string reduzida = texto(PWINFO_RCPTCHSHORT);
        const std::string integral = texto(PWINFO_RCPTCHOLDER);
        std::string via = ViaClienteReduzida ? reduzida : integral;
        if (via.empty())
            via = ViaClienteReduzida ? integral : reduzida;
        if (via.empty())
            via = completo;
        fpImagemComprovante1aVia = Linhas(via);
    }
    QtdLinhasComprovante =
        static_cast<std::int32_t>(std::max(fpImagemComprovante1aVia.size(), fpImagemComprovante2aVia.size()));

    // Instalments.
    fpParcelas.Clear();
    QtdParcelas = fpConteudo.LeInformacao(PWINFO_INSTALLMENTS, 0).AsInteger();
    // A damaged file must not make a billion instalments, nor amounts past what fixed point holds.
    constexpr std::int32_t MaximoParcelas = 999;
    constexpr double MaiorValor = 1e12;
    auto plausivel = [](double v) { return std::isfinite(v) && std::fabs(v) < MaiorValor; };
    if (QtdParcelas > 0 && QtdParcelas <= MaximoParcelas && plausivel(ValorTotal)) {
        TDateTime vencimento = fpConteudo.LeInformacao(PWINFO_INSTALLMDATE, 0).AsDate();
        if (vencimento.Vazio())
            vencimento = TDateTime(std::floor(DataHoraTransacaoLocal.dias) + 30);
        double regular = fpConteudo.LeInformacao(PWINFO_INSTALLMAMNT, 0).AsFloat();
        if (regular == 0.0)
            regular = platform::RoundTo(ValorTotal / QtdParcelas, 2); // ties to even, as ABNT NBR 5891
        double primeira = fpConteudo.LeInformacao(PWINFO_INSTALLM1AMT, 0).AsFloat();
        if (primeira == 0.0)
            primeira = regular;
        if (!plausivel(regular) || !plausivel(primeira))
            regular = primeira = 0.0;
        // The last instalment takes what is left, counted in fixed point so no cent is lost.
        platform::Currency restante = platform::Currency::FromDouble(ValorTotal);
        for (std::int32_t n = 0; n < QtdParcelas; ++n) {
            platform::Currency valor;
            if (n == QtdParcelas - 1)
                valor = restante;
            else
                valor = platform::Currency::FromDouble(n == 0 ? primeira : regular);
            restante -= valor;
            auto& parcela = fpParcelas.Add();
            parcela.Vencimento = TDateTime(vencimento.dias + 30.0 * n);
            parcela.Valor = valor.ToDouble();
            parcela.NSUParcela = NSU;
        }
    }

    if (TipoOperacao != opPreDatado)
        DataPreDatado = {};
    if (!QRCode.empty())
        Confirmar = true;

    // A response without a result code was never approved: an absent key would read as 0.
    Sucesso = platform::ParseInt32(platform::Trim(fpConteudo.LeInformacao(PWINFO_RET, 0).AsString())) == 0;

    std::string mensagem = texto(PWINFO_RESULTMSG);
    if (!Sucesso) {
        const std::string cancelamento = texto(PWINFO_CNCDSPMSG);
        if (!cancelamento.empty())
            mensagem = cancelamento;
    }
    if (Vazio(mensagem))
        mensagem = "TRANSACAO FINALIZADA";
    else if (mensagem.front() == '\r')
        mensagem.erase(0, 1);
    TextoEspecialOperador = mensagem;
}
