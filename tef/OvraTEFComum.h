#pragma once

// The response record of a TEF operation and the key/value TEF file it is kept in.
//
// A response has two faces: typed fields that the application reads, and its content, a sorted list
// of "KKK-SSS = value" lines in which the driver stores what the TEF client library returned. The
// fields are always rebuilt from the content, so a response written to disk and read back after a
// crash is the same response.

#include "platform/DateTime.h"

#include <concepts>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// Base of every TEF error.
class EOvraTEFErro : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A TEF file asked for is not there.
class EOvraTEFArquivo : public EOvraTEFErro {
public:
    using EOvraTEFErro::EOvraTEFErro;
};

// Which setter last wrote a TOvraInformacao; kept for whoever inspects it, nothing depends on it.
enum TOvraInformacaoTipo : int {
    tiString,
    tiAnsiString,
    tiBoolean,
    tiInteger,
    tiInt64,
    tiFloat,
    tiDate,
    tiTime,
    tiDateTime
};

// One value held as text and converted on demand. The text is what lands in the TEF file, so the
// writers produce the file's own notation (amounts in cents, dates as digits) and the readers never
// raise: whatever does not convert reads as 0.
class TOvraInformacao {
public:
    const std::string& Nome() const { return fpNome; }
    void SetNome(std::string nome) { fpNome = std::move(nome); }

    TOvraInformacaoTipo Tipo() const { return fpTipo; }
    void SetTipo(TOvraInformacaoTipo tipo) { fpTipo = tipo; }

    int FloatDecimalDigits() const { return fpFloatDecimalDigits; }
    // A negative count is taken as its absolute value.
    void SetFloatDecimalDigits(int digitos);

    const std::string& AsString() const { return fpValor; }
    void SetAsString(std::string valor);

    std::int32_t AsInteger() const;
    void SetAsInteger(std::int32_t valor);

    std::int64_t AsInt64() const;
    void SetAsInt64(std::int64_t valor);

    // Written as a whole number of 10^FloatDecimalDigits parts, at least three digits ("150" for
    // 1.5, "005" for 0.05, "-005" for -0.05); "," and "." are ignored on reading.
    double AsFloat() const;
    void SetAsFloat(double valor);

    // "DDMMYYYY"; a six-digit "DDMMYY" reads with the century of today's year.
    platform::TDateTime AsDate() const;
    void SetAsDate(platform::TDateTime valor);

    // "HHNNSS".
    platform::TDateTime AsTime() const;
    void SetAsTime(platform::TDateTime valor);

    // "DDMMHHNNSS", read in the current year.
    platform::TDateTime AsTimeStamp() const;
    void SetAsTimeStamp(platform::TDateTime valor);

    // "YYYYMMDDHHNNSS".
    platform::TDateTime AsTimeStampSQL() const;
    void SetAsTimeStampSQL(platform::TDateTime valor);

    // "1" or "0"; only "1" reads as true.
    bool AsBoolean() const;
    void SetAsBoolean(bool valor);

    // Bytes below 32 and from 128 up travel as "\xHH", so a receipt with its line breaks fits on
    // one line of the file and the file stays plain ASCII.
    std::string AsBinary() const;
    void SetAsBinary(std::string_view bytes);

private:
    std::string fpNome;
    TOvraInformacaoTipo fpTipo = tiString;
    int fpFloatDecimalDigits = 2;
    std::string fpValor;
};

// The key of a line: the identification with at least three digits, "-", the sequence with three
// ("001-000", "1003-002").
std::string OvraTEFFormatarChave(std::int32_t identificacao, std::int32_t sequencia);

// A parsed view of one line "KKK-SSS = value".
class TOvraTEFLinha {
public:
    const std::string& Linha() const { return fpLinha; }
    // Parses the text into key and value; setting the text already held changes nothing.
    void SetLinha(const std::string& linha);

    std::int32_t Identificacao() const { return fpIdentificacao; }
    void SetIdentificacao(std::int32_t identificacao) { fpIdentificacao = identificacao; }

    std::int16_t Sequencia() const { return fpSequencia; }
    void SetSequencia(std::int16_t sequencia) { fpSequencia = sequencia; }

    // The key as written in the line; for an empty line, the key formatted from Identificacao and
    // Sequencia.
    std::string Chave() const;

    TOvraInformacao& Informacao() { return fpInformacao; }
    const TOvraInformacao& Informacao() const { return fpInformacao; }

private:
    std::string fpLinha;
    std::string fpChave;
    std::int32_t fpIdentificacao = 0;
    std::int16_t fpSequencia = 0;
    TOvraInformacao fpInformacao;
};

// The key/value TEF file: its lines, always sorted, and one line object used as a cursor. LeLinha,
// LeInformacao and Linha return that same cursor refilled, so what they return is valid until the
// next read on the same file.
//
// Lines are UTF-8 in memory; on disk they are in the system's single-byte code page, one per line,
// ending in CR LF.
class TOvraTEFArquivo {
public:
    TOvraTEFArquivo() = default;
    TOvraTEFArquivo(const TOvraTEFArquivo&) = delete;
    TOvraTEFArquivo& operator=(const TOvraTEFArquivo&) = delete;
    virtual ~TOvraTEFArquivo() = default;

    // Replaces the line of the key with "key = value"; an empty value removes the key.
    virtual void GravaInformacao(const std::string& chave, const std::string& informacao);
    virtual void GravaInformacao(const std::string& chave, const TOvraInformacao& informacao);
    virtual void GravaInformacao(std::int32_t identificacao, std::int32_t sequencia,
                                 const std::string& informacao);
    virtual void GravaInformacao(std::int32_t identificacao, std::int32_t sequencia,
                                 const TOvraInformacao& informacao);

    // An absent key reads as one blank: AsString gives " " and every other reader 0.
    virtual TOvraInformacao& LeInformacao(std::int32_t identificacao, std::int32_t sequencia);
    virtual TOvraTEFLinha& LeLinha(std::int32_t identificacao, std::int32_t sequencia);

    // The line at a 0-based position; throws std::out_of_range outside 0..Count()-1.
    TOvraTEFLinha& Linha(int indice);
    int Count() const { return static_cast<int>(fpLinhas.size()); }
    const std::vector<std::string>& Conteudo() const { return fpLinhas; }

    void Clear();
    // Takes the other file's lines.
    void Assign(const TOvraTEFArquivo& origem);

    // Throws EOvraTEFArquivo when the file is not there; other file-system errors pass through.
    void LeArquivo(const std::string& nomeArquivo);
    // Replaces the file durably (temporary file, flush, rename). An empty content leaves an
    // existing file as it is.
    void GravarArquivo(const std::string& nomeArquivo, bool doFlushToDisk = true);

    // The file's bytes, in and out of memory. Loading keeps every line that can be read, whatever
    // its line ends; empty lines carry no entry and are skipped.
    void LeBytes(std::string_view bytes);
    std::string GeraBytes() const;

private:
    std::vector<std::string>::const_iterator Localizar(std::string_view chave) const;
    void Adicionar(std::string linha);

    std::vector<std::string> fpLinhas;
    TOvraTEFLinha fpCursor;
};

// A list that owns its items, by unique_ptr so references to an item survive later additions.
template <class T> class TOvraListaObjetos {
public:
    TOvraListaObjetos() = default;
    TOvraListaObjetos(const TOvraListaObjetos&) = delete;
    TOvraListaObjetos& operator=(const TOvraListaObjetos&) = delete;

    T& Add(std::unique_ptr<T> item) {
        if (!item)
            throw std::invalid_argument("TOvraListaObjetos::Add: item nulo");
        fpItens.push_back(std::move(item));
        return *fpItens.back();
    }
    T& Add() requires std::default_initializable<T> { return Add(std::make_unique<T>()); }

    int Count() const { return static_cast<int>(fpItens.size()); }
    T& operator[](int indice) { return *fpItens.at(Posicao(indice)); }
    const T& operator[](int indice) const { return *fpItens.at(Posicao(indice)); }

    void Delete(int indice) { fpItens.erase(fpItens.begin() + static_cast<std::ptrdiff_t>(Posicao(indice))); }
    // Hands the item over to the caller and removes it from the list.
    std::unique_ptr<T> Extract(int indice) {
        auto item = std::move(fpItens.at(Posicao(indice)));
        fpItens.erase(fpItens.begin() + static_cast<std::ptrdiff_t>(Posicao(indice)));
        return item;
    }
    void Clear() { fpItens.clear(); }

    // Deep copy of every item.
    void Assign(const TOvraListaObjetos& origem) requires std::copy_constructible<T> {
        if (&origem == this)
            return;
        std::vector<std::unique_ptr<T>> copia;
        copia.reserve(origem.fpItens.size());
        for (const auto& item : origem.fpItens)
            copia.push_back(std::make_unique<T>(*item));
        fpItens = std::move(copia);
    }

    auto begin() { return fpItens.begin(); }
    auto end() { return fpItens.end(); }
    auto begin() const { return fpItens.begin(); }
    auto end() const { return fpItens.end(); }

private:
    std::size_t Posicao(int indice) const {
        if (indice < 0 || indice >= Count())
            throw std::out_of_range("TOvraListaObjetos: índice fora da lista");
        return static_cast<std::size_t>(indice);
    }

    std::vector<std::unique_ptr<T>> fpItens;
};

// Who finances the instalments.
enum TOvraTEFRespParceladoPor : int { parcNenhum, parcADM, parcLoja };

enum TOvraTEFRespTipoOperacao : int { opOutras, opAvista, opParcelado, opPreDatado };

struct TOvraTEFRespParcela {
    platform::TDateTime Vencimento;
    double Valor = 0.0;
    std::string NSUParcela;
};

class TOvraTEFRespParcelas : public TOvraListaObjetos<TOvraTEFRespParcela> {};

// A bank-correspondent bill.
struct TOvraTEFRespCB {
    double Acrescimo = 0.0;
    platform::TDateTime DataPagamento;
    platform::TDateTime DataVencimento;
    double Desconto = 0.0;
    std::string Documento;
    std::string NSUCancelamento;
    std::string NSUTransacaoCB;
    std::int32_t TipoDocumento = 0;
    double ValorOriginal = 0.0;
    double ValorPago = 0.0;
};

class TOvraTEFRespListaCB : public TOvraListaObjetos<TOvraTEFRespCB> {
public:
    double TotalTitulos = 0.0;
    double TotalTitulosNaoPago = 0.0;

    void Clear();
    void Assign(const TOvraTEFRespListaCB& origem);
};

// What the electronic fiscal receipt needs to know about the card payment.
struct TOvraTEFRespNFCeSAT {
    std::string CodCredenciadora;
    std::string Autorizacao;
    std::string Bandeira;
    std::string CNPJCredenciadora;
    std::string DonoCartao;
    std::string DataExpiracao;
    std::string UltimosQuatroDigitos;

    void Clear() { *this = TOvraTEFRespNFCeSAT{}; }
};

// The response of one TEF operation. A driver derives from it and overrides ConteudoToProperty to
// map its own keys; everything else is shared.
class TOvraTEFResp {
public:
    TOvraTEFResp();
    TOvraTEFResp(const TOvraTEFResp&) = delete;
    TOvraTEFResp& operator=(const TOvraTEFResp&) = delete;
    virtual ~TOvraTEFResp() = default;

    virtual bool GetTransacaoAprovada() const;
    // Copies everything from the other response, then rebuilds the fields from the copied lines.
    virtual void Assign(const TOvraTEFResp& origem);
    // Rebuilds the fields from the lines. Here only the framework's own keys (899) are known.
    virtual void ConteudoToProperty();
    // Sets the field of one of the framework's own keys; any other line is ignored.
    virtual void ProcessarTipoInterno(const TOvraTEFLinha& linha);
    virtual void Clear();

    // Clear, load the lines, rebuild the fields.
    void LeArquivo(const std::string& nomeArquivo);
    TOvraInformacao& LeInformacao(std::int32_t identificacao, std::int32_t sequencia);

    bool TransacaoAprovada() const { return GetTransacaoAprovada(); }

    const std::string& ArqBackup() const { return fpArqBackup; }
    void SetArqBackup(std::string_view arquivo);

    bool CNFEnviado() const { return fpCNFEnviado; }
    // Also records the flag in the lines (899-001), so it is stored with the response.
    void SetCNFEnviado(bool enviado);

    // Undone by its finalisation rather than confirmed (899-002 = "S"). The confirmation flag says
    // that the third leg was sent either way; this one says which it was, so that an undone
    // transaction is never treated as a confirmed payment that needs cancelling. Files written
    // before the key existed simply lack it.
    bool Estornada() const { return fpEstornada; }
    void SetEstornada(bool estornada);

    const std::string& Header() const { return fpHeader; }
    // The framework's stamp of the kind of operation ("CRT", "CNC", "ADM"), also kept in 899-100.
    void SetHeader(const std::string& header);
    std::int32_t ID() const { return fpID; }

    TOvraTEFArquivo& Conteudo() { return fpConteudo; }
    const TOvraTEFArquivo& Conteudo() const { return fpConteudo; }
    TOvraTEFRespListaCB& CorrespBancarios() { return fpCorrespBancarios; }
    const TOvraTEFRespListaCB& CorrespBancarios() const { return fpCorrespBancarios; }
    TOvraTEFRespParcelas& Parcelas() { return fpParcelas; }
    const TOvraTEFRespParcelas& Parcelas() const { return fpParcelas; }
    // One printed line per entry.
    std::vector<std::string>& ImagemComprovante1aVia() { return fpImagemComprovante1aVia; }
    const std::vector<std::string>& ImagemComprovante1aVia() const { return fpImagemComprovante1aVia; }
    std::vector<std::string>& ImagemComprovante2aVia() { return fpImagemComprovante2aVia; }
    const std::vector<std::string>& ImagemComprovante2aVia() const { return fpImagemComprovante2aVia; }
    TOvraTEFRespNFCeSAT& NFCeSAT() { return fpNFCeSAT; }
    const TOvraTEFRespNFCeSAT& NFCeSAT() const { return fpNFCeSAT; }

    std::string Agencia;
    std::string AgenciaDC;
    std::string Autenticacao;
    std::string ArqRespPendente;
    bool ViaClienteReduzida = false;
    std::string Banco;
    std::string Cheque;
    std::string ChequeDC;
    std::string CMC7;
    std::string CodigoAutorizacaoTransacao;
    std::string CodigoOperadoraCelular;
    std::string Conta;
    std::string ContaDC;
    platform::TDateTime DataCheque;
    platform::TDateTime DataHoraTransacaoCancelada;
    platform::TDateTime DataHoraTransacaoComprovante;
    platform::TDateTime DataHoraTransacaoHost;
    platform::TDateTime DataHoraTransacaoLocal;
    platform::TDateTime DataPreDatado;
    std::string DocumentoPessoa;
    std::string Finalizacao;
    std::int32_t Moeda = 0;
    std::string NomeAdministradora;
    std::string NomeOperadoraCelular;
    std::string NSU;
    std::string NSUTransacaoCancelada;
    std::int64_t NumeroLoteTransacao = 0;
    std::string NumeroRecargaCelular;
    std::int32_t QtdLinhasComprovante = 0;
    std::int32_t QtdParcelas = 0;
    std::string Rede;
    std::string StatusTransacao;
    std::string TextoEspecialCliente;
    std::string TextoEspecialOperador;
    char TipoPessoa = ' ';
    std::int32_t TipoTransacao = 0;
    std::string Trailer;
    std::string BIN;
    double ValorTotal = 0.0;
    double ValorOriginal = 0.0;
    double ValorRecargaCelular = 0.0;
    double Saque = 0.0;
    double Desconto = 0.0;
    double TaxaServico = 0.0;
    std::string DocumentoVinculado;
    std::int32_t TipoParcelamento = 0;
    platform::TDateTime DataVencimento;
    std::string Instituicao;
    std::string ModalidadePagto;
    std::string ModalidadePagtoDescrita;
    std::string ModalidadePagtoExtenso;
    std::string CodigoRedeAutorizada;
    bool Debito = false;
    bool Credito = false;
    bool Voucher = false;
    bool Digitado = false;
    TOvraTEFRespParceladoPor ParceladoPor = parcNenhum;
    double ValorEntradaCDC = 0.0;
    platform::TDateTime DataEntradaCDC;
    TOvraTEFRespTipoOperacao TipoOperacao = opOutras;
    std::int32_t IdPagamento = 0;
    std::int32_t IdRespostaFiscal = 0;
    std::string SerialPOS;
    std::string Estabelecimento;
    std::string CodigoBandeiraPadrao;
    bool Confirmar = false;
    std::string QRCode;
    std::string IdCarteiraDigital;
    std::string NomeCarteiraDigital;
    std::string CodigoPSP;
    std::string NSU_TEF;
    bool Sucesso = false;

protected:
    std::string fpArqBackup;
    bool fpCNFEnviado = false;
    bool fpEstornada = false;
    std::string fpHeader;
    std::int32_t fpID = 0;
    TOvraTEFArquivo fpConteudo;
    TOvraTEFRespListaCB fpCorrespBancarios;
    TOvraTEFRespParcelas fpParcelas;
    std::vector<std::string> fpImagemComprovante1aVia;
    std::vector<std::string> fpImagemComprovante2aVia;
    TOvraTEFRespNFCeSAT fpNFCeSAT;
};

// Creates a response of the class a driver declares; the framework stores one of these rather than
// knowing the driver's type.
using TOvraTEFRespClass = std::unique_ptr<TOvraTEFResp> (*)();

template <class T>
requires std::derived_from<T, TOvraTEFResp> std::unique_ptr<TOvraTEFResp> OvraCriarTEFResp() {
    return std::make_unique<T>();
}

using TOvraTEFRespostas = TOvraListaObjetos<TOvraTEFResp>;

// "name=value" lines handed to a TEF library as extra parameters. Names compare without regard to
// case and the first match wins.
class TOvraTEFParametros {
public:
    int Count() const { return static_cast<int>(fpLinhas.size()); }
    const std::string& operator[](int indice) const;
    const std::vector<std::string>& Linhas() const { return fpLinhas; }

    void Add(std::string linha) { fpLinhas.push_back(std::move(linha)); }
    void Delete(int indice);
    void Clear() { fpLinhas.clear(); }

    // -1 when no line has the name; a line without "=" has no name.
    int IndexOfName(std::string_view nome) const;
    std::string Names(int indice) const;
    std::string ValueFromIndex(int indice) const;

    // Empty when the name is absent. Writing the empty text removes the line.
    std::string Values(std::string_view nome) const;
    void SetValues(std::string_view nome, std::string_view valor);

    // The same, with the code's decimal form as the name.
    std::string ValueInfo(std::uint16_t codigo) const;
    void SetValueInfo(std::uint16_t codigo, std::string_view valor);

private:
    std::vector<std::string> fpLinhas;
};
