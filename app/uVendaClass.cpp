#include "uVendaClass.h"

#include "platform/Clock.h"
#include "platform/IniFile.h"

#include <stdexcept>

using platform::IniFile;

std::string DescricaoFormaPagamento(std::string_view codigo) {
    for (const auto& f : TabelaFormasPagamento)
        if (codigo == f.Codigo)
            return f.Descricao;
    return {};
}

void TPagamento::Clear() {
    TipoPagamento = "01";
    ValorPago = {};
    Hora = {};
    NSU.clear();
    Rede.clear();
    RedeCNPJ.clear();
    Acrescimo = 0;
    Desconto = 0;
    Saque = 0;
    Confirmada = false;
    Cancelada = false;
}

TPagamento& TListaPagamentos::New() {
    auto p = std::make_unique<TPagamento>();
    p->Hora = platform::Now();
    fItens.push_back(std::move(p));
    return *fItens.back();
}

std::size_t TListaPagamentos::Add(std::unique_ptr<TPagamento> pagamento) {
    if (!pagamento)
        throw std::invalid_argument("TListaPagamentos.Add: pagamento nulo");
    fItens.push_back(std::move(pagamento));
    return fItens.size() - 1;
}

void TListaPagamentos::Insert(std::size_t indice, std::unique_ptr<TPagamento> pagamento) {
    if (!pagamento)
        throw std::invalid_argument("TListaPagamentos.Insert: pagamento nulo");
    if (indice > fItens.size())
        throw std::out_of_range("TListaPagamentos.Insert: índice fora da lista");
    fItens.insert(fItens.begin() + static_cast<std::ptrdiff_t>(indice), std::move(pagamento));
}

void TListaPagamentos::Delete(std::size_t indice) {
    if (indice >= fItens.size())
        throw std::out_of_range("TListaPagamentos.Delete: índice fora da lista");
    fItens.erase(fItens.begin() + static_cast<std::ptrdiff_t>(indice));
}

void TListaPagamentos::SetObjects(std::size_t indice, std::unique_ptr<TPagamento> pagamento) {
    if (!pagamento)
        throw std::invalid_argument("TListaPagamentos.Objects: pagamento nulo");
    fItens.at(indice) = std::move(pagamento);
}

double TListaPagamentos::TotalPago() const {
    double total = 0;
    for (const auto& p : fItens)
        if (!p->Cancelada)
            total += p->ValorPago.ToDouble();
    return platform::RoundTo(total, 2);
}

TPagamento* TListaPagamentos::AcharPagamento(std::string_view ARede, std::string_view ANSU, double AValor) {
    const Currency valor = Currency::FromDouble(AValor);
    for (const auto& p : fItens)
        if (p->Rede == ARede && p->NSU == ANSU && p->ValorPago == valor)
            return p.get();
    return nullptr;
}

bool TListaPagamentos::ConfirmarPagamento(std::string_view ARede, std::string_view ANSU, double AValor) {
    TPagamento* p = AcharPagamento(ARede, ANSU, AValor);
    if (p)
        p->Confirmada = true;
    return p != nullptr;
}

bool TListaPagamentos::CancelarPagamento(std::string_view ARede, std::string_view ANSU, double AValor) {
    TPagamento* p = AcharPagamento(ARede, ANSU, AValor);
    if (p)
        p->Cancelada = true;
    return p != nullptr;
}

std::string SecaoPagamento(std::size_t indice) {
    std::string n = std::to_string(indice);
    if (n.size() < 3)
        n.insert(0, 3 - n.size(), '0');
    return "Pagto" + n;
}

TVenda::TVenda(std::string ArqVenda) : fArqVenda(std::move(ArqVenda)) {
    Clear();
}

void TVenda::Clear() {
    NumOperacao = 0;
    Status = stsLivre;
    DHInicio = {};
    ValorInicial = {};
    TotalAcrescimo = {};
    TotalDesconto = {};
    Pagamentos.Clear();
}

void TVenda::Gravar() const {
    IniFile ini(fArqVenda, IniFile::Substituir{});
    IniFile::Lote lote(ini);
    ini.WriteInteger("Venda", "NumOperacao", NumOperacao);
    ini.WriteDateTime("Venda", "DHInicio", DHInicio);
    ini.WriteInteger("Venda", "Status", Status);
    ini.WriteFloat("Valores", "ValorInicial", ValorInicial.ToDouble());
    ini.WriteFloat("Valores", "TotalAcrescimo", TotalAcrescimo.ToDouble());
    ini.WriteFloat("Valores", "TotalDesconto", TotalDesconto.ToDouble());
    std::size_t i = 0;
    for (const auto& p : Pagamentos) {
        const std::string s = SecaoPagamento(i++);
        ini.WriteString(s, "TipoPagamento", p->TipoPagamento);
        ini.WriteFloat(s, "Valor", p->ValorPago.ToDouble());
        ini.WriteDateTime(s, "Hora", p->Hora);
        ini.WriteString(s, "NSU", p->NSU);
        ini.WriteString(s, "Rede", p->Rede);
        ini.WriteString(s, "RedeCNPJ", p->RedeCNPJ);
        ini.WriteFloat(s, "Acrescimo", p->Acrescimo);
        ini.WriteFloat(s, "Desconto", p->Desconto);
        ini.WriteFloat(s, "Saque", p->Saque);
        ini.WriteBool(s, "Confirmada", p->Confirmada);
        ini.WriteBool(s, "Cancelada", p->Cancelada);
    }
    lote.Concluir();
}

void TVenda::Ler() {
    Clear();
    IniFile ini(fArqVenda);
    NumOperacao = ini.ReadInteger("Venda", "NumOperacao", 0);
    DHInicio = ini.ReadDateTime("Venda", "DHInicio", platform::Now());
    const std::int32_t status = ini.ReadInteger("Venda", "Status", 0);
    // An ordinal this program never writes reads as a free sale rather than an unnamed state.
    Status = (status >= stsLivre && status <= stsFinalizada) ? static_cast<TStatusVenda>(status) : stsLivre;
    ValorInicial = Currency::FromDouble(ini.ReadFloat("Valores", "ValorInicial", 0));
    TotalAcrescimo = Currency::FromDouble(ini.ReadFloat("Valores", "TotalAcrescimo", 0));
    TotalDesconto = Currency::FromDouble(ini.ReadFloat("Valores", "TotalDesconto", 0));
    for (std::size_t i = 0;; ++i) {
        const std::string s = SecaoPagamento(i);
        if (!ini.SectionExists(s))
            break;
        auto p = std::make_unique<TPagamento>();
        p->TipoPagamento = ini.ReadString(s, "TipoPagamento", "99");
        p->ValorPago = Currency::FromDouble(ini.ReadFloat(s, "Valor", 0));
        p->Hora = ini.ReadDateTime(s, "Hora", TDateTime());
        p->NSU = ini.ReadString(s, "NSU", "");
        p->Rede = ini.ReadString(s, "Rede", "");
        p->RedeCNPJ = ini.ReadString(s, "RedeCNPJ", "");
        p->Acrescimo = ini.ReadFloat(s, "Acrescimo", 0);
        p->Desconto = ini.ReadFloat(s, "Desconto", 0);
        p->Saque = ini.ReadFloat(s, "Saque", 0);
        p->Confirmada = ini.ReadBool(s, "Confirmada", false);
        p->Cancelada = ini.ReadBool(s, "Cancelada", false);
        Pagamentos.Add(std::move(p));
    }
}
