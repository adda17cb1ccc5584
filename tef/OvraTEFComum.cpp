#include "OvraTEFComum.h"

#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>

namespace {

using platform::TDateTime;

std::string Decimal(std::int64_t valor) {
    char buf[24];
    auto [fim, erro] = std::to_chars(buf, buf + sizeof buf, valor);
    (void)erro;
    return std::string(buf, fim);
}

// The number in decimal, its digits left-padded with "0" to `largura`, the sign in front of them.
std::string Preenchido(std::int64_t valor, std::size_t largura) {
    const bool negativo = valor < 0;
    // The magnitude through unsigned arithmetic, so the most negative value has one too.
    std::uint64_t magnitude =
        negativo ? 0 - static_cast<std::uint64_t>(valor) : static_cast<std::uint64_t>(valor);
    char buf[24];
    auto [fim, erro] = std::to_chars(buf, buf + sizeof buf, magnitude);
    (void)erro;
    std::string digitos(buf, fim);
    if (digitos.size() < largura)
        digitos.insert(0, largura - digitos.size(), '0');
    return negativo ? "-" + digitos : digitos;
}

bool Digito(char c) {
    return c >= '0' && c <= '9';
}

std::string SoDigitos(std::string_view texto) {
    std::string r;
    for (char c : texto)
        if (Digito(c))
            r += c;
    return r;
}

// Characters [inicio, inicio+n) of a digits-only text as a number; empty when that part is missing.
std::optional<int> Trecho(const std::string& digitos, std::size_t inicio, std::size_t n) {
    if (inicio >= digitos.size())
        return std::nullopt;
    const std::string_view parte = std::string_view(digitos).substr(inicio, n);
    int v = 0;
    auto [fim, erro] = std::from_chars(parte.data(), parte.data() + parte.size(), v);
    if (erro != std::errc() || fim != parte.data() + parte.size())
        return std::nullopt;
    return v;
}

int AnoCorrente() {
    return platform::DecodeDateTime(platform::Now()).ano;
}

// A cleared date is written as nothing; so is a value that is no date at all.
bool SemData(TDateTime dt) {
    return dt.Vazio() || !std::isfinite(dt.dias);
}

double Potencia10(int expoente) {
    return std::pow(10.0, expoente);
}

char Minuscula(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Case-insensitive (ASCII) order of two texts byte by byte, a shorter text first; <0, 0, >0.
int CompararSemCaixa(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto ca = static_cast<unsigned char>(Minuscula(a[i]));
        const auto cb = static_cast<unsigned char>(Minuscula(b[i]));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

// The order of the lines: case-insensitive, ties broken by the bytes, so that two lines are only
// ever taken for one when they are the same bytes.
bool LinhaMenor(const std::string& a, const std::string& b) {
    const int c = CompararSemCaixa(a, b);
    return c != 0 ? c < 0 : a < b;
}

bool ComecaSemCaixa(std::string_view texto, std::string_view prefixo) {
    return texto.size() >= prefixo.size() && CompararSemCaixa(texto.substr(0, prefixo.size()), prefixo) == 0;
}

constexpr std::string_view Separador = " = ";

} // namespace

// ---------------------------------------------------------------------------------------------
// TOvraInformacao

void TOvraInformacao::SetFloatDecimalDigits(int digitos) {
    const std::int64_t absoluto = digitos < 0 ? -static_cast<std::int64_t>(digitos) : digitos;
    fpFloatDecimalDigits =
        static_cast<int>(std::min<std::int64_t>(absoluto, std::numeric_limits<int>::max()));
}

void TOvraInformacao::SetAsString(std::string valor) {
    fpValor = std::move(valor);
    fpTipo = tiString;
}

std::int32_t TOvraInformacao::AsInteger() const {
    return platform::ParseInt32(platform::Trim(fpValor)).value_or(0);
}

void TOvraInformacao::SetAsInteger(std::int32_t valor) {
    fpValor = valor == 0 ? std::string() : Decimal(valor);
    fpTipo = tiInteger;
}

std::int64_t TOvraInformacao::AsInt64() const {
    return platform::ParseInt64(platform::Trim(fpValor)).value_or(0);
}

void TOvraInformacao::SetAsInt64(std::int64_t valor) {
    fpValor = valor == 0 ? std::string() : Decimal(valor);
    fpTipo = tiInt64;
}

double TOvraInformacao::AsFloat() const {
    std::string numero;
    for (char c : platform::Trim(fpValor))
        if (c != ',' && c != '.')
            numero += c;
    // Only a sign and digits count as a number: no exponent, no "inf", no blanks inside.
    std::string_view digitos = numero;
    if (!digitos.empty() && (digitos.front() == '-' || digitos.front() == '+'))
        digitos.remove_prefix(1);
    if (digitos.empty() || !std::all_of(digitos.begin(), digitos.end(), Digito))
        return 0.0;
    double v = 0.0;
    auto [fim, erro] = std::from_chars(digitos.data(), digitos.data() + digitos.size(), v);
    if (erro != std::errc() || fim != digitos.data() + digitos.size())
        return 0.0;
    if (numero.front() == '-')
        v = -v;
    const double r = v / Potencia10(fpFloatDecimalDigits);
    return std::isfinite(r) ? r : 0.0;
}

void TOvraInformacao::SetAsFloat(double valor) {
    fpTipo = tiFloat;
    const double inteiro = std::round(valor * Potencia10(fpFloatDecimalDigits));
    if (valor == 0.0 || !std::isfinite(inteiro)) {
        fpValor.clear();
        return;
    }
    // Any finite double has an exact decimal integer form; fixed with no decimals gives it, however
    // large the value, where a cast to an integer type would overflow.
    char buf[400];
    auto [fim, erro] = std::to_chars(buf, buf + sizeof buf, std::fabs(inteiro), std::chars_format::fixed, 0);
    (void)erro;
    std::string digitos(buf, fim);
    if (digitos.size() < 3)
        digitos.insert(0, 3 - digitos.size(), '0');
    // The sign goes before the padding: "-005", not "0-5", so the text still reads as a number.
    fpValor = (inteiro < 0 ? "-" : "") + digitos;
}

TDateTime TOvraInformacao::AsDate() const {
    std::string digitos = SoDigitos(fpValor);
    if (digitos.size() == 6)
        digitos.insert(4, Preenchido(AnoCorrente(), 4).substr(0, 2));
    const auto dia = Trecho(digitos, 0, 2), mes = Trecho(digitos, 2, 2), ano = Trecho(digitos, 4, 4);
    if (!dia || !mes || !ano)
        return {};
    return platform::EncodeDate(*ano, *mes, *dia).value_or(TDateTime{});
}

void TOvraInformacao::SetAsDate(TDateTime valor) {
    fpTipo = tiDate;
    if (SemData(valor)) {
        fpValor.clear();
        return;
    }
    const auto d = platform::DecodeDateTime(valor);
    fpValor = Preenchido(d.dia, 2) + Preenchido(d.mes, 2) + Preenchido(d.ano, 4);
}

TDateTime TOvraInformacao::AsTime() const {
    const std::string digitos = SoDigitos(fpValor);
    const auto hora = Trecho(digitos, 0, 2), minuto = Trecho(digitos, 2, 2), segundo = Trecho(digitos, 4, 2);
    if (!hora || !minuto || !segundo)
        return {};
    return platform::EncodeTime(*hora, *minuto, *segundo).value_or(TDateTime{});
}

void TOvraInformacao::SetAsTime(TDateTime valor) {
    fpTipo = tiTime;
    if (SemData(valor)) {
        fpValor.clear();
        return;
    }
    const auto d = platform::DecodeDateTime(valor);
    fpValor = Preenchido(d.hora, 2) + Preenchido(d.minuto, 2) + Preenchido(d.segundo, 2);
}

TDateTime TOvraInformacao::AsTimeStamp() const {
    const std::string digitos = SoDigitos(fpValor);
    const auto dia = Trecho(digitos, 0, 2), mes = Trecho(digitos, 2, 2);
    if (!dia || !mes)
        return {};
    // The text carries no year; the library means this one, and a missing time is midnight.
    const int hora = Trecho(digitos, 4, 2).value_or(0);
    const int minuto = Trecho(digitos, 6, 2).value_or(0);
    const int segundo = Trecho(digitos, 8, 2).value_or(0);
    return platform::EncodeDateTime(AnoCorrente(), *mes, *dia, hora, minuto, segundo).value_or(TDateTime{});
}

void TOvraInformacao::SetAsTimeStamp(TDateTime valor) {
    fpTipo = tiDateTime;
    if (SemData(valor)) {
        fpValor.clear();
        return;
    }
    const auto d = platform::DecodeDateTime(valor);
    fpValor = Preenchido(d.dia, 2) + Preenchido(d.mes, 2) + Preenchido(d.hora, 2) + Preenchido(d.minuto, 2) +
              Preenchido(d.segundo, 2);
}

TDateTime TOvraInformacao::AsTimeStampSQL() const {
    const std::string digitos = SoDigitos(fpValor);
    const auto ano = Trecho(digitos, 0, 4), mes = Trecho(digitos, 4, 2), dia = Trecho(digitos, 6, 2);
    const auto hora = Trecho(digitos, 8, 2), minuto = Trecho(digitos, 10, 2),
               segundo = Trecho(digitos, 12, 2);
    if (!ano || !mes || !dia || !hora || !minuto || !segundo)
        return {};
    return platform::EncodeDateTime(*ano, *mes, *dia, *hora, *minuto, *segundo).value_or(TDateTime{});
}

void TOvraInformacao::SetAsTimeStampSQL(TDateTime valor) {
    fpTipo = tiDateTime;
    if (SemData(valor)) {
        fpValor.clear();
        return;
    }
    const auto d = platform::DecodeDateTime(valor);
    fpValor = Preenchido(d.ano, 4) + Preenchido(d.mes, 2) + Preenchido(d.dia, 2) + Preenchido(d.hora, 2) +
              Preenchido(d.minuto, 2) + Preenchido(d.segundo, 2);
}

bool TOvraInformacao::AsBoolean() const {
    return fpValor == "1";
}

void TOvraInformacao::SetAsBoolean(bool valor) {
    fpValor = valor ? "1" : "0";
    fpTipo = tiBoolean;
}

std::string TOvraInformacao::AsBinary() const {
    return platform::UnescapeBinary(fpValor);
}

void TOvraInformacao::SetAsBinary(std::string_view bytes) {
    fpValor = platform::EscapeBinary(bytes);
    fpTipo = tiAnsiString;
}

// ---------------------------------------------------------------------------------------------
// TOvraTEFLinha

std::string OvraTEFFormatarChave(std::int32_t identificacao, std::int32_t sequencia) {
    return Preenchido(identificacao, 3) + "-" + Preenchido(sequencia, 3);
}

void TOvraTEFLinha::SetLinha(const std::string& linha) {
    if (linha == fpLinha)
        return;
    fpLinha = linha;
    fpChave.clear();
    fpIdentificacao = 0;
    fpSequencia = 0;
    std::string valor;

    // A line that ends in the key and " =" has a separator too: the blank after it was trimmed away.
    const std::size_t sep = (linha + ' ').find(Separador);
    if (sep != std::string::npos) {
        fpChave = linha.substr(0, sep);
        if (sep + Separador.size() <= linha.size())
            valor = linha.substr(sep + Separador.size());

        // The identification runs up to the first "-", and has at least three characters; the
        // sequence is the three characters after that.
        const std::size_t traco = fpChave.find('-');
        const std::size_t fimId = std::max<std::size_t>(traco == std::string::npos ? 0 : traco, 3);
        fpIdentificacao = platform::ParseInt32(std::string_view(fpChave).substr(0, fimId)).value_or(0);
        if (fimId + 1 < fpChave.size())
            fpSequencia = static_cast<std::int16_t>(
                platform::ParseInt32(std::string_view(fpChave).substr(fimId + 1, 3)).value_or(0));
    }

    // Each line's value starts afresh; settings made on the previous line's value do not carry over.
    fpInformacao = TOvraInformacao();
    fpInformacao.SetAsString(std::move(valor));
}

std::string TOvraTEFLinha::Chave() const {
    return fpLinha.empty() ? OvraTEFFormatarChave(fpIdentificacao, fpSequencia) : fpChave;
}

// ---------------------------------------------------------------------------------------------
// TOvraTEFArquivo

std::vector<std::string>::const_iterator TOvraTEFArquivo::Localizar(std::string_view chave) const {
    const std::string prefixo = std::string(chave) + std::string(Separador);
    // Every line that starts with the key, in any case, sits in one run of the sorted list; the
    // first in that run that starts with it exactly is the first a scan from the top would meet.
    auto it = std::lower_bound(
        fpLinhas.begin(), fpLinhas.end(), prefixo,
        [](const std::string& linha, const std::string& p) { return CompararSemCaixa(linha, p) < 0; });
    for (; it != fpLinhas.end() && ComecaSemCaixa(*it, prefixo); ++it)
        if (it->compare(0, prefixo.size(), prefixo) == 0)
            return it;
    return fpLinhas.end();
}

void TOvraTEFArquivo::Adicionar(std::string linha) {
    auto it = std::lower_bound(fpLinhas.begin(), fpLinhas.end(), linha, LinhaMenor);
    if (it != fpLinhas.end() && *it == linha)
        return;
    fpLinhas.insert(it, std::move(linha));
}

void TOvraTEFArquivo::GravaInformacao(const std::string& chave, const std::string& informacao) {
    auto it = Localizar(chave);
    if (it != fpLinhas.end())
        fpLinhas.erase(it);
    if (!informacao.empty())
        Adicionar(chave + std::string(Separador) + informacao);
}

void TOvraTEFArquivo::GravaInformacao(const std::string& chave, const TOvraInformacao& informacao) {
    GravaInformacao(chave, informacao.AsString());
}

void TOvraTEFArquivo::GravaInformacao(std::int32_t identificacao, std::int32_t sequencia,
                                      const std::string& informacao) {
    GravaInformacao(OvraTEFFormatarChave(identificacao, sequencia), informacao);
}

void TOvraTEFArquivo::GravaInformacao(std::int32_t identificacao, std::int32_t sequencia,
                                      const TOvraInformacao& informacao) {
    GravaInformacao(OvraTEFFormatarChave(identificacao, sequencia), informacao.AsString());
}

TOvraInformacao& TOvraTEFArquivo::LeInformacao(std::int32_t identificacao, std::int32_t sequencia) {
    return LeLinha(identificacao, sequencia).Informacao();
}

TOvraTEFLinha& TOvraTEFArquivo::LeLinha(std::int32_t identificacao, std::int32_t sequencia) {
    const std::string chave = OvraTEFFormatarChave(identificacao, sequencia);
    auto it = Localizar(chave);
    // An absent key still yields a line of that key; its value is one blank, which callers trim.
    fpCursor.SetLinha(it != fpLinhas.end() ? *it : chave + " =  ");
    return fpCursor;
}

TOvraTEFLinha& TOvraTEFArquivo::Linha(int indice) {
    if (indice < 0 || indice >= Count())
        throw std::out_of_range("TOvraTEFArquivo: linha " + Decimal(indice) + " fora do arquivo");
    fpCursor.SetLinha(fpLinhas[static_cast<std::size_t>(indice)]);
    return fpCursor;
}

void TOvraTEFArquivo::Clear() {
    fpLinhas.clear();
}

void TOvraTEFArquivo::Assign(const TOvraTEFArquivo& origem) {
    if (&origem != this)
        fpLinhas = origem.fpLinhas;
}

void TOvraTEFArquivo::LeArquivo(const std::string& nomeArquivo) {
    Clear();
    if (!platform::FileExists(nomeArquivo))
        throw EOvraTEFArquivo("Arquivo: " + nomeArquivo + " não encontrado");
    LeBytes(platform::ReadFile(nomeArquivo));
}

void TOvraTEFArquivo::GravarArquivo(const std::string& nomeArquivo, bool doFlushToDisk) {
    // A TEF file is what lets a pending transaction be settled after a crash, so it is always
    // replaced durably; the flag cannot ask for less.
    (void)doFlushToDisk;
    const std::string bytes = GeraBytes();
    if (bytes.empty() && platform::FileExists(nomeArquivo))
        return;
    platform::WriteFileDurable(nomeArquivo, bytes);
}

void TOvraTEFArquivo::LeBytes(std::string_view bytes) {
    Clear();
    const std::string texto = platform::AnsiToUtf8(bytes);
    std::vector<std::string> linhas;
    std::size_t inicio = 0;
    while (inicio < texto.size()) {
        std::size_t fim = texto.find_first_of("\r\n", inicio);
        if (fim == std::string::npos)
            fim = texto.size();
        if (fim > inicio)
            linhas.emplace_back(texto, inicio, fim - inicio);
        // CR LF, a lone CR and a lone LF each end one line.
        if (fim < texto.size() && texto[fim] == '\r' && fim + 1 < texto.size() && texto[fim + 1] == '\n')
            ++fim;
        inicio = fim + 1;
    }
    std::sort(linhas.begin(), linhas.end(), LinhaMenor);
    linhas.erase(std::unique(linhas.begin(), linhas.end()), linhas.end());
    fpLinhas = std::move(linhas);
}

std::string TOvraTEFArquivo::GeraBytes() const {
    std::string texto;
    for (const auto& linha : fpLinhas) {
        texto += linha;
        texto += "\r\n";
    }
    return platform::Utf8ToAnsi(texto);
}

// ---------------------------------------------------------------------------------------------
// TOvraTEFRespListaCB

void TOvraTEFRespListaCB::Clear() {
    TOvraListaObjetos::Clear();
    TotalTitulos = 0.0;
    TotalTitulosNaoPago = 0.0;
}

void TOvraTEFRespListaCB::Assign(const TOvraTEFRespListaCB& origem) {
    TOvraListaObjetos::Assign(origem);
    TotalTitulos = origem.TotalTitulos;
    TotalTitulosNaoPago = origem.TotalTitulosNaoPago;
}

// ---------------------------------------------------------------------------------------------
// TOvraTEFResp

TOvraTEFResp::TOvraTEFResp() {
    TOvraTEFResp::Clear();
}

bool TOvraTEFResp::GetTransacaoAprovada() const {
    return Sucesso;
}

void TOvraTEFResp::Clear() {
    fpConteudo.Clear();
    fpParcelas.Clear();
    fpCorrespBancarios.Clear();
    fpImagemComprovante1aVia.clear();
    fpImagemComprovante2aVia.clear();
    fpNFCeSAT.Clear();

    fpArqBackup.clear();
    fpCNFEnviado = false;
    fpEstornada = false;
    fpHeader.clear();
    fpID = 0;

    Agencia.clear();
    AgenciaDC.clear();
    Autenticacao.clear();
    ArqRespPendente.clear();
    ViaClienteReduzida = false;
    Banco.clear();
    Cheque.clear();
    ChequeDC.clear();
    CMC7.clear();
    CodigoAutorizacaoTransacao.clear();
    CodigoOperadoraCelular.clear();
    Conta.clear();
    ContaDC.clear();
    DataCheque = {};
    DataHoraTransacaoCancelada = {};
    DataHoraTransacaoComprovante = {};
    DataHoraTransacaoHost = {};
    DataHoraTransacaoLocal = {};
    DataPreDatado = {};
    DocumentoPessoa.clear();
    Finalizacao.clear();
    Moeda = 0;
    NomeAdministradora.clear();
    NomeOperadoraCelular.clear();
    NSU.clear();
    NSUTransacaoCancelada.clear();
    NumeroLoteTransacao = 0;
    NumeroRecargaCelular.clear();
    QtdLinhasComprovante = 0;
    QtdParcelas = 0;
    Rede.clear();
    StatusTransacao.clear();
    TextoEspecialCliente.clear();
    TextoEspecialOperador.clear();
    TipoPessoa = ' ';
    TipoTransacao = 0;
    Trailer.clear();
    BIN.clear();
    ValorTotal = 0.0;
    ValorOriginal = 0.0;
    ValorRecargaCelular = 0.0;
    Saque = 0.0;
    Desconto = 0.0;
    TaxaServico = 0.0;
    DocumentoVinculado.clear();
    TipoParcelamento = 0;
    DataVencimento = {};
    Instituicao.clear();
    ModalidadePagto.clear();
    ModalidadePagtoDescrita.clear();
    ModalidadePagtoExtenso.clear();
    CodigoRedeAutorizada.clear();
    Debito = false;
    Credito = false;
    Voucher = false;
    Digitado = false;
    ParceladoPor = parcNenhum;
    ValorEntradaCDC = 0.0;
    DataEntradaCDC = {};
    TipoOperacao = opOutras;
    IdPagamento = 0;
    IdRespostaFiscal = 0;
    SerialPOS.clear();
    Estabelecimento.clear();
    CodigoBandeiraPadrao.clear();
    Confirmar = false;
    QRCode.clear();
    IdCarteiraDigital.clear();
    NomeCarteiraDigital.clear();
    CodigoPSP.clear();
    NSU_TEF.clear();
    Sucesso = false;
}

void TOvraTEFResp::Assign(const TOvraTEFResp& origem) {
    if (&origem == this)
        return;
    fpConteudo.Assign(origem.fpConteudo);

    fpArqBackup = origem.fpArqBackup;
    fpCNFEnviado = origem.fpCNFEnviado;
    fpEstornada = origem.fpEstornada;
    fpHeader = origem.fpHeader;
    fpID = origem.fpID;

    Agencia = origem.Agencia;
    AgenciaDC = origem.AgenciaDC;
    Autenticacao = origem.Autenticacao;
    ArqRespPendente = origem.ArqRespPendente;
    ViaClienteReduzida = origem.ViaClienteReduzida;
    Banco = origem.Banco;
    Cheque = origem.Cheque;
    ChequeDC = origem.ChequeDC;
    CMC7 = origem.CMC7;
    CodigoAutorizacaoTransacao = origem.CodigoAutorizacaoTransacao;
    CodigoOperadoraCelular = origem.CodigoOperadoraCelular;
    Conta = origem.Conta;
    ContaDC = origem.ContaDC;
    DataCheque = origem.DataCheque;
    DataHoraTransacaoCancelada = origem.DataHoraTransacaoCancelada;
    DataHoraTransacaoComprovante = origem.DataHoraTransacaoComprovante;
    DataHoraTransacaoHost = origem.DataHoraTransacaoHost;
    DataHoraTransacaoLocal = origem.DataHoraTransacaoLocal;
    DataPreDatado = origem.DataPreDatado;
    DocumentoPessoa = origem.DocumentoPessoa;
    Finalizacao = origem.Finalizacao;
    Moeda = origem.Moeda;
    NomeAdministradora = origem.NomeAdministradora;
    NomeOperadoraCelular = origem.NomeOperadoraCelular;
    NSU = origem.NSU;
    NSUTransacaoCancelada = origem.NSUTransacaoCancelada;
    NumeroLoteTransacao = origem.NumeroLoteTransacao;
    NumeroRecargaCelular = origem.NumeroRecargaCelular;
    QtdLinhasComprovante = origem.QtdLinhasComprovante;
    QtdParcelas = origem.QtdParcelas;
    Rede = origem.Rede;
    StatusTransacao = origem.StatusTransacao;
    TextoEspecialCliente = origem.TextoEspecialCliente;
    TextoEspecialOperador = origem.TextoEspecialOperador;
    TipoPessoa = origem.TipoPessoa;
    TipoTransacao = origem.TipoTransacao;
    Trailer = origem.Trailer;
    BIN = origem.BIN;
    ValorTotal = origem.ValorTotal;
    ValorOriginal = origem.ValorOriginal;
    ValorRecargaCelular = origem.ValorRecargaCelular;
    Saque = origem.Saque;
    Desconto = origem.Desconto;
    TaxaServico = origem.TaxaServico;
    DocumentoVinculado = origem.DocumentoVinculado;
    TipoParcelamento = origem.TipoParcelamento;
    DataVencimento = origem.DataVencimento;
    Instituicao = origem.Instituicao;
    ModalidadePagto = origem.ModalidadePagto;
    ModalidadePagtoDescrita = origem.ModalidadePagtoDescrita;
    ModalidadePagtoExtenso = origem.ModalidadePagtoExtenso;
    CodigoRedeAutorizada = origem.CodigoRedeAutorizada;
    Debito = origem.Debito;
    Credito = origem.Credito;
    Voucher = origem.Voucher;
    Digitado = origem.Digitado;
    ParceladoPor = origem.ParceladoPor;
    ValorEntradaCDC = origem.ValorEntradaCDC;
    DataEntradaCDC = origem.DataEntradaCDC;
    TipoOperacao = origem.TipoOperacao;
    IdPagamento = origem.IdPagamento;
    IdRespostaFiscal = origem.IdRespostaFiscal;
    SerialPOS = origem.SerialPOS;
    Estabelecimento = origem.Estabelecimento;
    CodigoBandeiraPadrao = origem.CodigoBandeiraPadrao;
    Confirmar = origem.Confirmar;
    QRCode = origem.QRCode;
    IdCarteiraDigital = origem.IdCarteiraDigital;
    NomeCarteiraDigital = origem.NomeCarteiraDigital;
    CodigoPSP = origem.CodigoPSP;
    NSU_TEF = origem.NSU_TEF;
    Sucesso = origem.Sucesso;

    fpImagemComprovante1aVia = origem.fpImagemComprovante1aVia;
    fpImagemComprovante2aVia = origem.fpImagemComprovante2aVia;
    fpCorrespBancarios.Assign(origem.fpCorrespBancarios);
    fpNFCeSAT = origem.fpNFCeSAT;
    fpParcelas.Assign(origem.fpParcelas);

    // A driver's subclass rebuilds its own fields from the lines just copied.
    ConteudoToProperty();
}

void TOvraTEFResp::ConteudoToProperty() {
    // 899-103 adds to ValorTotal, so that a driver can make the total up from several keys. A record
    // that already holds that sum (Assign copies it before rebuilding) starts again from zero, or the
    // amount would be counted twice.
    for (int i = 0; i < fpConteudo.Count(); ++i) {
        const TOvraTEFLinha& linha = fpConteudo.Linha(i);
        if (linha.Identificacao() == 899 && linha.Sequencia() == 103) {
            ValorTotal = 0.0;
            break;
        }
    }
    for (int i = 0; i < fpConteudo.Count(); ++i)
        ProcessarTipoInterno(fpConteudo.Linha(i));
}

void TOvraTEFResp::ProcessarTipoInterno(const TOvraTEFLinha& linha) {
    if (linha.Identificacao() != 899)
        return;
    const TOvraInformacao& info = linha.Informacao();
    switch (linha.Sequencia()) {
    case 1:
        fpCNFEnviado = platform::UpperAscii(info.AsString()) == "S";
        break;
    case 2:
        fpEstornada = platform::UpperAscii(info.AsString()) == "S";
        break;
    case 100:
        fpHeader = info.AsString();
        break;
    case 101:
        fpID = info.AsInteger();
        break;
    case 102:
        DocumentoVinculado = info.AsString();
        break;
    case 103:
        ValorTotal += info.AsFloat();
        break;
    case 104:
        Rede = info.AsString();
        break;
    case 500:
        IdPagamento = info.AsInteger();
        break;
    case 501:
        IdRespostaFiscal = info.AsInteger();
        break;
    case 502:
        SerialPOS = info.AsString();
        break;
    case 503:
        Estabelecimento = info.AsString();
        break;
    default:
        break;
    }
}

void TOvraTEFResp::LeArquivo(const std::string& nomeArquivo) {
    Clear();
    fpConteudo.LeArquivo(nomeArquivo);
    ConteudoToProperty();
}

TOvraInformacao& TOvraTEFResp::LeInformacao(std::int32_t identificacao, std::int32_t sequencia) {
    return fpConteudo.LeInformacao(identificacao, sequencia);
}

void TOvraTEFResp::SetArqBackup(std::string_view arquivo) {
    fpArqBackup = platform::Trim(arquivo);
}

void TOvraTEFResp::SetCNFEnviado(bool enviado) {
    fpConteudo.GravaInformacao(899, 1, enviado ? "S" : "N");
    fpCNFEnviado = enviado;
}

void TOvraTEFResp::SetEstornada(bool estornada) {
    // Absent rather than "N", so that a response never undone stays byte for byte what it was.
    fpConteudo.GravaInformacao(899, 2, estornada ? "S" : "");
    fpEstornada = estornada;
}

void TOvraTEFResp::SetHeader(const std::string& header) {
    fpConteudo.GravaInformacao(899, 100, header);
    fpHeader = header;
}

// ---------------------------------------------------------------------------------------------
// TOvraTEFParametros

namespace {
std::size_t PosicaoParametro(int indice, int total) {
    if (indice < 0 || indice >= total)
        throw std::out_of_range("TOvraTEFParametros: índice fora da lista");
    return static_cast<std::size_t>(indice);
}
} // namespace

const std::string& TOvraTEFParametros::operator[](int indice) const {
    return fpLinhas[PosicaoParametro(indice, Count())];
}

void TOvraTEFParametros::Delete(int indice) {
    fpLinhas.erase(fpLinhas.begin() + static_cast<std::ptrdiff_t>(PosicaoParametro(indice, Count())));
}

int TOvraTEFParametros::IndexOfName(std::string_view nome) const {
    for (std::size_t i = 0; i < fpLinhas.size(); ++i) {
        const std::size_t igual = fpLinhas[i].find('=');
        if (igual != std::string::npos &&
            platform::SameTextAscii(std::string_view(fpLinhas[i]).substr(0, igual), nome))
            return static_cast<int>(i);
    }
    return -1;
}

std::string TOvraTEFParametros::Names(int indice) const {
    const std::string& linha = (*this)[indice];
    const std::size_t igual = linha.find('=');
    return igual == std::string::npos ? std::string() : linha.substr(0, igual);
}

std::string TOvraTEFParametros::ValueFromIndex(int indice) const {
    const std::string& linha = (*this)[indice];
    const std::size_t igual = linha.find('=');
    return igual == std::string::npos ? std::string() : linha.substr(igual + 1);
}

std::string TOvraTEFParametros::Values(std::string_view nome) const {
    const int i = IndexOfName(nome);
    return i < 0 ? std::string() : ValueFromIndex(i);
}

void TOvraTEFParametros::SetValues(std::string_view nome, std::string_view valor) {
    const int i = IndexOfName(nome);
    if (valor.empty()) {
        if (i >= 0)
            Delete(i);
        return;
    }
    std::string linha = std::string(nome) + "=" + std::string(valor);
    if (i >= 0)
        fpLinhas[static_cast<std::size_t>(i)] = std::move(linha);
    else
        fpLinhas.push_back(std::move(linha));
}

std::string TOvraTEFParametros::ValueInfo(std::uint16_t codigo) const {
    return Values(Decimal(codigo));
}

void TOvraTEFParametros::SetValueInfo(std::uint16_t codigo, std::string_view valor) {
    SetValues(Decimal(codigo), valor);
}
