#pragma once

#include "platform/Currency.h"
#include "platform/DateTime.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

using platform::Currency;
using platform::TDateTime;

struct TFormaPagamento {
    const char* Codigo;
    const char* Descricao;
};

// The payment types, in the order the add-payment dialog lists them.
inline constexpr TFormaPagamento TabelaFormasPagamento[] = {
    {"01", "Dinheiro"},         {"02", "Cheque"},           {"03", "Cartão de Crédito"},
    {"04", "Cartão de Débito"}, {"05", "Carteira Digital"}, {"06", "Vale Refeição"},
    {"99", "Outros"},
};

// Description of the payment type whose code is exactly `codigo`; empty when there is none.
std::string DescricaoFormaPagamento(std::string_view codigo);

// Stored in the sale file by its ordinal: the values keep their numbers.
enum TStatusVenda : int {
    stsLivre = 0,
    stsIniciada = 1,
    stsEmPagamento = 2,
    stsCancelada = 3,
    stsAguardandoTEF = 4,
    stsOperacaoTEF = 5,
    stsFinalizada = 6,
};

class TPagamento {
public:
    TPagamento() { Clear(); }
    void Clear();

    std::string TipoPagamento;
    Currency ValorPago;
    TDateTime Hora;
    std::string NSU;
    std::string Rede;
    std::string RedeCNPJ;
    double Acrescimo = 0;
    double Desconto = 0;
    double Saque = 0;
    bool Confirmada = false;
    bool Cancelada = false;
};

class TListaPagamentos {
public:
    // A cleared payment added at the end, stamped with the current date-time.
    TPagamento& New();
    std::size_t Add(std::unique_ptr<TPagamento> pagamento);
    void Insert(std::size_t indice, std::unique_ptr<TPagamento> pagamento);
    void Delete(std::size_t indice);
    void Clear() { fItens.clear(); }

    std::size_t Count() const { return fItens.size(); }
    TPagamento& Objects(std::size_t indice) { return *fItens.at(indice); }
    const TPagamento& Objects(std::size_t indice) const { return *fItens.at(indice); }
    void SetObjects(std::size_t indice, std::unique_ptr<TPagamento> pagamento);

    // Sum of the amounts of the payments not cancelled, rounded to cents (ties to even).
    double TotalPago() const;

    // The first payment, in list order, of that network, NSU and amount; cancelled ones included.
    TPagamento* AcharPagamento(std::string_view ARede, std::string_view ANSU, double AValor);
    bool ConfirmarPagamento(std::string_view ARede, std::string_view ANSU, double AValor);
    bool CancelarPagamento(std::string_view ARede, std::string_view ANSU, double AValor);

    auto begin() const { return fItens.begin(); }
    auto end() const { return fItens.end(); }

private:
    std::vector<std::unique_ptr<TPagamento>> fItens;
};

class TVenda {
public:
    explicit TVenda(std::string ArqVenda);

    void Clear();
    // Replaces the sale file's whole content with this sale.
    void Gravar() const;
    // Clears, then loads the sale file; a missing file reads as an empty sale.
    void Ler();

    const std::string& ArqVenda() const { return fArqVenda; }

    std::int32_t NumOperacao = 0;
    TDateTime DHInicio;
    TStatusVenda Status = stsLivre;
    Currency ValorInicial;
    Currency TotalAcrescimo;
    Currency TotalDesconto;
    TListaPagamentos Pagamentos;

    Currency TotalPago() const { return Currency::FromDouble(Pagamentos.TotalPago()); }
    Currency TotalVenda() const { return ValorInicial - TotalDesconto + TotalAcrescimo; }
    Currency Troco() const { return TotalPago() - TotalVenda(); }

private:
    std::string fArqVenda;
};

// Section of the payment at `indice` in the sale file: "Pagto000", "Pagto001", ... "Pagto1000".
std::string SecaoPagamento(std::size_t indice);
