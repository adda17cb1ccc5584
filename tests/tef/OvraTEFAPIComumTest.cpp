#include "tef/OvraTEFAPIComum.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

// The header stands on its own: this is the first test of the file and the header came first.
TEST(TOvraTEFAPIComum, HeaderIsSelfContained) {
    TOvraTEFAPIDadosTerminal terminal;
    terminal.CodTerminal = "T0001";
    EXPECT_EQ(terminal.CodTerminal, "T0001");
}

TEST(TOvraTEFAPIDadosAutomacao, NewRecordSupportsDifferentCopiesAndUsesTheReal) {
    const TOvraTEFAPIDadosAutomacao dados;
    EXPECT_TRUE(dados.SuportaViasDiferenciadas);
    EXPECT_EQ(dados.MoedaISO4217, 986);
    EXPECT_EQ(dados.NomeSoftwareHouse(), "");
    EXPECT_EQ(dados.CNPJSoftwareHouse, "");
    EXPECT_EQ(dados.NomeAplicacao(), "");
    EXPECT_EQ(dados.VersaoAplicacao(), "");
    EXPECT_FALSE(dados.SuportaSaque);
    EXPECT_FALSE(dados.SuportaDesconto);
    EXPECT_FALSE(dados.ImprimeViaClienteReduzida);
    EXPECT_FALSE(dados.UtilizaSaldoTotalVoucher);
    EXPECT_FALSE(dados.AutoAtendimento);
}

struct CasoNome {
    const char* nome;
    std::function<void(TOvraTEFAPIDadosAutomacao&, const std::string&)> definir;
    std::function<std::string(const TOvraTEFAPIDadosAutomacao&)> ler;
};

void PrintTo(const CasoNome& caso, std::ostream* os) {
    *os << caso.nome;
}

class NomesDaAutomacao : public ::testing::TestWithParam<CasoNome> {};

TEST_P(NomesDaAutomacao, AreTrimmedAndCutTo128Characters) {
    TOvraTEFAPIDadosAutomacao dados;
    GetParam().definir(dados, "   " + std::string(200, 'a') + " \t");
    EXPECT_EQ(GetParam().ler(dados), std::string(128, 'a'));

    GetParam().definir(dados, "  Quendo  ");
    EXPECT_EQ(GetParam().ler(dados), "Quendo");

    // Characters, not bytes: 130 "ç" keep 128 whole characters.
    std::string acentos;
    for (int i = 0; i < 130; ++i)
        acentos += "ç";
    GetParam().definir(dados, acentos);
    EXPECT_EQ(GetParam().ler(dados), acentos.substr(0, 256));
}

INSTANTIATE_TEST_SUITE_P(
    Casos, NomesDaAutomacao,
    ::testing::Values(CasoNome{"NomeSoftwareHouse", [](auto& d, const auto& v) { d.SetNomeSoftwareHouse(v); },
                               [](const auto& d) { return d.NomeSoftwareHouse(); }},
                      CasoNome{"NomeAplicacao", [](auto& d, const auto& v) { d.SetNomeAplicacao(v); },
                               [](const auto& d) { return d.NomeAplicacao(); }},
                      CasoNome{"VersaoAplicacao", [](auto& d, const auto& v) { d.SetVersaoAplicacao(v); },
                               [](const auto& d) { return d.VersaoAplicacao(); }}),
    [](const auto& info) { return std::string(info.param.nome); });

TEST(TOvraTEFAPIDadosAutomacao, AssignCopiesEveryField) {
    TOvraTEFAPIDadosAutomacao origem;
    origem.SetNomeSoftwareHouse("Software House");
    origem.CNPJSoftwareHouse = "12345678000199";
    origem.SetNomeAplicacao("Quendo");
    origem.SetVersaoAplicacao("1.0");
    origem.SuportaSaque = true;
    origem.SuportaDesconto = true;
    origem.ImprimeViaClienteReduzida = true;
    origem.SuportaViasDiferenciadas = false;
    origem.UtilizaSaldoTotalVoucher = true;
    origem.MoedaISO4217 = 840;
    origem.AutoAtendimento = true;

    TOvraTEFAPIDadosAutomacao destino;
    destino.Assign(origem);
    EXPECT_EQ(destino.NomeSoftwareHouse(), "Software House");
    EXPECT_EQ(destino.CNPJSoftwareHouse, "12345678000199");
    EXPECT_EQ(destino.NomeAplicacao(), "Quendo");
    EXPECT_EQ(destino.VersaoAplicacao(), "1.0");
    EXPECT_TRUE(destino.SuportaSaque);
    EXPECT_TRUE(destino.SuportaDesconto);
    EXPECT_TRUE(destino.ImprimeViaClienteReduzida);
    EXPECT_FALSE(destino.SuportaViasDiferenciadas);
    EXPECT_TRUE(destino.UtilizaSaldoTotalVoucher);
    EXPECT_EQ(destino.MoedaISO4217, 840);
    EXPECT_TRUE(destino.AutoAtendimento);
}

TEST(TOvraTEFAPIDadosEstabelecimento, TrimsTheNameAndCopiesBothFields) {
    TOvraTEFAPIDadosEstabelecimento origem;
    EXPECT_EQ(origem.CNPJ, "");
    EXPECT_EQ(origem.RazaoSocial(), "");
    origem.SetRazaoSocial("  Padaria São José Ltda \r\n");
    origem.CNPJ = "01425787000104";
    EXPECT_EQ(origem.RazaoSocial(), "Padaria São José Ltda");

    TOvraTEFAPIDadosEstabelecimento destino;
    destino.Assign(origem);
    EXPECT_EQ(destino.RazaoSocial(), "Padaria São José Ltda");
    EXPECT_EQ(destino.CNPJ, "01425787000104");
}

TEST(TOvraTEFAPIDadosTerminal, StartsEmptyAndCopiesEveryField) {
    TOvraTEFAPIDadosTerminal destino;
    for (const std::string* campo : {&destino.EnderecoServidor, &destino.CodEmpresa, &destino.CodFilial,
                                     &destino.CodTerminal, &destino.Operador, &destino.PortaPinPad})
        EXPECT_EQ(*campo, "");

    const TOvraTEFAPIDadosTerminal origem{"10.0.0.1:17500", "00000000", "0001", "PDV001", "Maria", "COM3"};
    destino.Assign(origem);
    EXPECT_EQ(destino.EnderecoServidor, "10.0.0.1:17500");
    EXPECT_EQ(destino.CodEmpresa, "00000000");
    EXPECT_EQ(destino.CodFilial, "0001");
    EXPECT_EQ(destino.CodTerminal, "PDV001");
    EXPECT_EQ(destino.Operador, "Maria");
    EXPECT_EQ(destino.PortaPinPad, "COM3");
}

TEST(TOvraTEFAPIDefinicaoCampo, StartsEmptyAndAcceptingAnything) {
    const TOvraTEFAPIDefinicaoCampo campo;
    EXPECT_EQ(campo.TituloPergunta, "");
    EXPECT_EQ(campo.TipoDeEntrada, tedApenasLeitura);
    EXPECT_EQ(campo.ValidacaoDado, valdNenhuma);
    EXPECT_EQ(campo.TipoEntradaCodigoBarras, tbQualquer);
    EXPECT_EQ(campo.TamanhoMaximo, 0);
    EXPECT_EQ(campo.ValorMaximo, 0u);
    EXPECT_FALSE(campo.OcultarDadosDigitados);
    EXPECT_EQ(campo.TipoCampo, 0);
}

// Drivers translate the values by number, so each value's number is its position. The last value of
// every enumeration pins its length; the others named are those the framework tests by number.
TEST(TOvraTEFAPIEnumeracoes, ValuesAreNumberedByTheirPosition) {
    struct Caso {
        const char* nome;
        int valor;
        int posicao;
    };
    const std::vector<Caso> casos = {
        {"tefApiCliSiTEF", tefApiCliSiTEF, 2},
        {"qrapiExibirAplicacao", qrapiExibirAplicacao, 3},
        {"opapiLeituraQRCode", opapiLeituraQRCode, 6},
        {"telaCliente", telaCliente, 2},
        {"tedAlfaNum", tedAlfaNum, 4},
        {"valdDuplaDigitacao", valdDuplaDigitacao, 8},
        {"valdSenhaTecnica", valdSenhaTecnica, 11},
        {"tbLeitor", tbLeitor, 2},
        {"dp4UltDigitos", dp4UltDigitos, 10},
        {"dpRedCNPJ", dpRedCNPJ, 13},
        {"tefmtdAdministrativa", tefmtdAdministrativa, 3},
        {"tefopCancelamento", tefopCancelamento, 6},
        {"tefopRelatDetalhado", tefopRelatDetalhado, 15},
        {"tefmpCarteiraVirtual", tefmpCarteiraVirtual, 4},
        {"teftcOutros", teftcOutros, 6},
        {"tefmfCreditoEmissor", tefmfCreditoEmissor, 5},
        {"tefstsSucessoManual", tefstsSucessoManual, 1},
        {"tefstsErroEnergia", tefstsErroEnergia, 4},
        {"tefstsErroDiverso", tefstsErroDiverso, 5},
        {"tefpenPerguntar", tefpenPerguntar, 2},
        {"tefopiCancelarOuEstornar", tefopiCancelarOuEstornar, 2},
    };
    for (const Caso& caso : casos)
        EXPECT_EQ(caso.valor, caso.posicao) << caso.nome;
}

TEST(TOvraTEFAPIEnumeracoes, OnlyTheFirstTwoStatusesConfirm) {
    struct Caso {
        TOvraTEFStatusTransacao status;
        bool confirma;
    };
    for (const Caso& caso : {Caso{tefstsSucessoAutomatico, true}, Caso{tefstsSucessoManual, true},
                             Caso{tefstsErroImpressao, false}, Caso{tefstsErroDispesador, false},
                             Caso{tefstsErroEnergia, false}, Caso{tefstsErroDiverso, false}})
        EXPECT_EQ(caso.status < 2, caso.confirma) << caso.status;
}

TEST(TOvraTEFTiposCartao, HoldsTheAcceptedCardKinds) {
    TOvraTEFTiposCartao aceitos{teftcCredito, teftcDebito};
    EXPECT_TRUE(aceitos.Contem(teftcCredito));
    EXPECT_TRUE(aceitos.Contem(teftcDebito));
    EXPECT_FALSE(aceitos.Contem(teftcVoucher));
    EXPECT_FALSE(aceitos.Contem(teftcNaoDefinido));

    aceitos.Incluir(teftcVoucher).Excluir(teftcDebito);
    EXPECT_EQ(aceitos, (TOvraTEFTiposCartao{teftcCredito, teftcVoucher}));
    EXPECT_EQ(aceitos + TOvraTEFTiposCartao{teftcOutros},
              (TOvraTEFTiposCartao{teftcCredito, teftcVoucher, teftcOutros}));
    EXPECT_EQ((aceitos * TOvraTEFTiposCartao{teftcVoucher, teftcFrota}), TOvraTEFTiposCartao{teftcVoucher});
    EXPECT_EQ(aceitos - TOvraTEFTiposCartao{teftcCredito}, TOvraTEFTiposCartao{teftcVoucher});
    EXPECT_TRUE(TOvraTEFTiposCartao{}.Vazio());
    EXPECT_FALSE(aceitos.Vazio());
}
