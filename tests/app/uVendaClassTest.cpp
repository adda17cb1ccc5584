#include "app/uVendaClass.h"

#include "platform/FileSystem.h"
#include "platform/IniFile.h"
#include "platform/PlatformError.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

using platform::Currency;

namespace {
Currency Reais(double v) {
    return Currency::FromDouble(v);
}

TPagamento& NovoPagamento(TVenda& venda, const char* tipo, double valor, const char* rede, const char* nsu) {
    TPagamento& p = venda.Pagamentos.New();
    p.TipoPagamento = tipo;
    p.ValorPago = Reais(valor);
    p.Rede = rede;
    p.NSU = nsu;
    return p;
}
} // namespace

TEST(FormasPagamento, TableOrderAndLookup) {
    ASSERT_EQ(std::size(TabelaFormasPagamento), 7u);
    EXPECT_STREQ(TabelaFormasPagamento[0].Codigo, "01");
    EXPECT_STREQ(TabelaFormasPagamento[6].Codigo, "99");
    EXPECT_EQ(DescricaoFormaPagamento("03"), "Cartão de Crédito");
    EXPECT_EQ(DescricaoFormaPagamento("06"), "Vale Refeição");
    EXPECT_EQ(DescricaoFormaPagamento("3"), "");
    EXPECT_EQ(DescricaoFormaPagamento("03 "), "");
}

TEST(Pagamento, NewIsClearedAndStamped) {
    testsupport::FixedClock relogio(*platform::EncodeDateTime(2026, 12, 10, 9, 30, 0));
    TListaPagamentos lista;
    TPagamento& p = lista.New();
    EXPECT_EQ(p.TipoPagamento, "01");
    EXPECT_EQ(p.ValorPago, Currency());
    EXPECT_EQ(p.Hora, relogio.Agora());
    EXPECT_FALSE(p.Confirmada);
    EXPECT_FALSE(p.Cancelada);
}

TEST(Venda, Totals) {
    TVenda venda("unused");
    venda.ValorInicial = Reais(100);
    venda.TotalDesconto = Reais(10);
    venda.TotalAcrescimo = Reais(2.5);
    EXPECT_EQ(venda.TotalVenda(), Reais(92.5));
    NovoPagamento(venda, "01", 10, "", "").Cancelada = true;
    NovoPagamento(venda, "01", 5, "", "");
    EXPECT_DOUBLE_EQ(venda.Pagamentos.TotalPago(), 5.0);
    EXPECT_EQ(venda.Troco(), Reais(5 - 92.5));
    NovoPagamento(venda, "03", 95, "", "");
    EXPECT_EQ(venda.TotalPago(), Reais(100));
    EXPECT_EQ(venda.Troco(), Reais(7.5));
}

TEST(Venda, TotalPagoRoundsTheDoubleSumToCents) {
    TVenda venda("unused");
    for (int i = 0; i < 10; ++i)
        NovoPagamento(venda, "01", 0.1, "", "");
    EXPECT_EQ(venda.TotalPago(), Reais(1));
}

TEST(Venda, FindConfirmAndCancelByNetworkNsuAndAmount) {
    TVenda venda("unused");
    NovoPagamento(venda, "03", 19.99, "REDE", "000123").Cancelada = true;
    NovoPagamento(venda, "03", 19.99, "REDE", "000123");
    NovoPagamento(venda, "04", 5, "Rede", "000123");
    auto& lista = venda.Pagamentos;
    EXPECT_EQ(lista.AcharPagamento("REDE", "000123", 19.99), &lista.Objects(0)); // cancelled not skipped
    EXPECT_EQ(lista.AcharPagamento("REDE", "000123", 19.98), nullptr);
    EXPECT_EQ(lista.AcharPagamento("rede", "000123", 5), nullptr);
    EXPECT_EQ(lista.AcharPagamento("REDE", "123", 19.99), nullptr);
    EXPECT_TRUE(lista.ConfirmarPagamento("Rede", "000123", 5));
    EXPECT_TRUE(lista.Objects(2).Confirmada);
    EXPECT_FALSE(lista.CancelarPagamento("Rede", "000124", 5));
    EXPECT_TRUE(lista.CancelarPagamento("Rede", "000123", 5));
    EXPECT_TRUE(lista.Objects(2).Cancelada);
}

TEST(Venda, ListOperationsKeepOrder) {
    TListaPagamentos lista;
    auto novo = [](const char* tipo) {
        auto p = std::make_unique<TPagamento>();
        p->TipoPagamento = tipo;
        return p;
    };
    EXPECT_EQ(lista.Add(novo("01")), 0u);
    EXPECT_EQ(lista.Add(novo("03")), 1u);
    lista.Insert(1, novo("02"));
    lista.SetObjects(2, novo("04"));
    ASSERT_EQ(lista.Count(), 3u);
    EXPECT_EQ(lista.Objects(0).TipoPagamento, "01");
    EXPECT_EQ(lista.Objects(1).TipoPagamento, "02");
    EXPECT_EQ(lista.Objects(2).TipoPagamento, "04");
    EXPECT_THROW(lista.Insert(5, novo("05")), std::out_of_range);
    EXPECT_THROW(lista.Objects(3), std::out_of_range);
    lista.Delete(0);
    EXPECT_EQ(lista.Objects(0).TipoPagamento, "02");
}

class VendaArquivo : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    testsupport::ScopedLocale ptbr{"pt_BR.UTF-8"};
    testsupport::FixedClock relogio{*platform::EncodeDateTime(2026, 12, 10, 18, 4, 15)};
    std::string arq = dir.file("Venda.ini");
};

TEST_F(VendaArquivo, SaleWithoutPaymentsWritesOnlyItsTwoSections) {
    TVenda venda(arq);
    venda.NumOperacao = 7;
    venda.DHInicio = relogio.Agora();
    venda.Status = stsIniciada;
    venda.ValorInicial = Reais(19.99);
    venda.Gravar();
    EXPECT_EQ(platform::ReadFile(arq),
              "[Venda]\r\nNumOperacao=7\r\nDHInicio=10/12/2026 18:04:15\r\nStatus=1\r\n"
              "\r\n[Valores]\r\nValorInicial=19,99\r\nTotalAcrescimo=0\r\n"
              "TotalDesconto=0\r\n");
}

TEST_F(VendaArquivo, ThreePaymentsRoundTripInOrder) {
    TVenda venda(arq);
    venda.NumOperacao = 42;
    venda.DHInicio = relogio.Agora();
    venda.Status = stsEmPagamento;
    venda.ValorInicial = Reais(150.5);
    venda.TotalAcrescimo = Reais(2.25);
    venda.TotalDesconto = Reais(0.75);
    auto& a = NovoPagamento(venda, "01", 50, "", "");
    a.Acrescimo = 1.5;
    auto& b = NovoPagamento(venda, "03", 19.99, "REDE Ç", "000123");
    b.RedeCNPJ = "01425787000104";
    b.Desconto = 0.01;
    b.Saque = 20;
    b.Confirmada = true;
    auto& c = NovoPagamento(venda, "04", 80.51, "GETNET", "999");
    c.Cancelada = true;
    venda.Gravar();

    TVenda lida(arq);
    lida.Ler();
    EXPECT_EQ(lida.NumOperacao, 42);
    EXPECT_EQ(lida.DHInicio, venda.DHInicio);
    EXPECT_EQ(lida.Status, stsEmPagamento);
    EXPECT_EQ(lida.ValorInicial, venda.ValorInicial);
    EXPECT_EQ(lida.TotalAcrescimo, venda.TotalAcrescimo);
    EXPECT_EQ(lida.TotalDesconto, venda.TotalDesconto);
    ASSERT_EQ(lida.Pagamentos.Count(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        const TPagamento& e = venda.Pagamentos.Objects(i);
        const TPagamento& l = lida.Pagamentos.Objects(i);
        EXPECT_EQ(l.TipoPagamento, e.TipoPagamento) << i;
        EXPECT_EQ(l.ValorPago, e.ValorPago) << i;
        EXPECT_EQ(l.Hora, e.Hora) << i;
        EXPECT_EQ(l.NSU, e.NSU) << i;
        EXPECT_EQ(l.Rede, e.Rede) << i;
        EXPECT_EQ(l.RedeCNPJ, e.RedeCNPJ) << i;
        EXPECT_EQ(l.Acrescimo, e.Acrescimo) << i;
        EXPECT_EQ(l.Desconto, e.Desconto) << i;
        EXPECT_EQ(l.Saque, e.Saque) << i;
        EXPECT_EQ(l.Confirmada, e.Confirmada) << i;
        EXPECT_EQ(l.Cancelada, e.Cancelada) << i;
    }
}

TEST_F(VendaArquivo, MissingKeysReadAsDefaults) {
    platform::WriteFileDurable(arq,
                               "[Venda]\r\nNumOperacao=3\r\n[Pagto000]\r\nNSU=1\r\nConfirmada=2\r\n"
                               "[Pagto001]\r\nValor=abc\r\nCancelada=x\r\n[Pagto003]\r\nNSU=perdido\r\n");
    TVenda venda(arq);
    venda.Ler();
    EXPECT_EQ(venda.NumOperacao, 3);
    EXPECT_EQ(venda.Status, stsLivre);
    EXPECT_EQ(venda.DHInicio, relogio.Agora());
    EXPECT_EQ(venda.ValorInicial, Currency());
    ASSERT_EQ(venda.Pagamentos.Count(), 2u); // stops at the first missing number
    EXPECT_EQ(venda.Pagamentos.Objects(0).TipoPagamento, "99");
    EXPECT_TRUE(venda.Pagamentos.Objects(0).Confirmada);
    EXPECT_EQ(venda.Pagamentos.Objects(0).Hora, platform::TDateTime());
    EXPECT_EQ(venda.Pagamentos.Objects(1).ValorPago, Currency());
    EXPECT_FALSE(venda.Pagamentos.Objects(1).Cancelada);
}

TEST_F(VendaArquivo, MissingOrEmptyFileIsAFreshSale) {
    TVenda venda(arq);
    venda.NumOperacao = 9;
    venda.Ler();
    EXPECT_EQ(venda.NumOperacao, 0);
    EXPECT_EQ(venda.Pagamentos.Count(), 0u);
    platform::WriteFileDurable(arq, "");
    venda.Ler();
    EXPECT_EQ(venda.NumOperacao, 0);
}

TEST_F(VendaArquivo, GravarReplacesTheWholeContent) {
    platform::WriteFileDurable(arq,
                               "[Pagto000]\r\nNSU=velho\r\n[Pagto001]\r\nNSU=velho\r\n[Extra]\r\nk=v\r\n");
    TVenda venda(arq);
    NovoPagamento(venda, "01", 1, "", "novo");
    venda.Gravar();
    platform::IniFile ini(arq);
    EXPECT_EQ(ini.Sections(), (std::vector<std::string>{"Venda", "Valores", "Pagto000"}));
    EXPECT_EQ(ini.ReadString("Pagto000", "NSU", ""), "novo");
}

TEST_F(VendaArquivo, AThousandAndOnePaymentsNameTheirSections) {
    TVenda venda(arq);
    for (int i = 0; i < 1001; ++i)
        NovoPagamento(venda, "01", i, "", std::to_string(i).c_str());
    venda.Gravar();
    platform::IniFile ini(arq);
    auto secoes = ini.Sections();
    ASSERT_EQ(secoes.size(), 1003u);
    EXPECT_EQ(secoes[2], "Pagto000");
    EXPECT_EQ(secoes[3], "Pagto001");
    EXPECT_EQ(secoes[1001], "Pagto999");
    EXPECT_EQ(secoes[1002], "Pagto1000");
    TVenda lida(arq);
    lida.Ler();
    ASSERT_EQ(lida.Pagamentos.Count(), 1001u);
    EXPECT_EQ(lida.Pagamentos.Objects(1000).NSU, "1000");
    EXPECT_EQ(lida.Pagamentos.Objects(1000).ValorPago, Reais(1000));
}

TEST_F(VendaArquivo, WriteErrorReachesTheCaller) {
    TVenda venda(dir.file("nao/existe/Venda.ini"));
    EXPECT_THROW(venda.Gravar(), platform::PlatformError);
}
