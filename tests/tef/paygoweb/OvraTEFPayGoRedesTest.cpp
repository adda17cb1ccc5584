// First, alone: the header must compile by itself.
#include "tef/paygoweb/OvraTEFPayGoRedes.h"

#include "tef/OvraTEFComum.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

TEST(OvraTEFPayGoRedesTest, TheBuiltInTableAnswersByHostNameAndByCode) {
    TOvraTEFPayGoTabelaRedes tabela("", "RedesPayGo");
    EXPECT_EQ(tabela.Count(), 86);

    const TOvraTEFPayGoRede* alelo = tabela.FindPGWeb("ALELO");
    ASSERT_NE(alelo, nullptr);
    EXPECT_EQ(alelo->Codigo, 95); // the first of the two networks with that name
    EXPECT_EQ(alelo->CodSATCFe, 999);

    const TOvraTEFPayGoRede* rede = tabela.FindPGWeb(" rede ");
    ASSERT_NE(rede, nullptr);
    EXPECT_EQ(rede->Codigo, 52);
    EXPECT_EQ(rede->NomeTrad, "REDECARD");
    EXPECT_EQ(rede->CodSATCFe, 25);
    EXPECT_EQ(rede->CNPJ, "01.425.787/0001-04");

    EXPECT_EQ(tabela.FindPGWeb("stone")->NomePGWeb, "STONE");
    // The CNPJ is kept as the data has it, blank included.
    EXPECT_EQ(tabela.FindPGWeb("IZPAY")->CNPJ, "24.734.420/0001-60 ");
    // Networks without a host name are never found by one.
    EXPECT_EQ(tabela.FindPGWeb(""), nullptr);
    EXPECT_EQ(tabela.FindPGWeb("NAOEXISTE"), nullptr);

    const TOvraTEFPayGoRede* tribanco = tabela.Find(8);
    ASSERT_NE(tribanco, nullptr);
    EXPECT_EQ(tribanco->NomeTrad, "TRIBANCO");
    EXPECT_EQ(tribanco->CodSATCFe, 34);
    EXPECT_TRUE(tribanco->NomePGWeb.empty());
    EXPECT_EQ(tabela.Find(999), nullptr);
}

TEST(OvraTEFPayGoRedesTest, AFileBesideTheProgramReplacesTheBuiltInTable) {
    testsupport::TempDir pasta;
    const std::string arquivo = pasta.file("RedesPayGo.txt");
    std::ofstream(arquivo, std::ios::binary) << "#Cod_PayGo|NomePayGo_IP|NomePayGo_Web|Cod_SATCFe|CNPJ\r\n"
                                                "200| NOVA | NOVAREDE |7|11.111.111/0001-11\r\n"
                                                "X|INVALIDA|INVALIDA|1|\r\n"
                                                "201|CURTA|CURTA\r\n"
                                                "202|\"COM|BARRA\"|ASPAS|abc\n"
                                                "203|QUATRO|QUATRO|\r\n";
    TOvraTEFPayGoTabelaRedes tabela(arquivo, "RedesPayGo");
    ASSERT_EQ(tabela.Count(), 3);
    EXPECT_EQ(tabela[0].NomeTrad, "NOVA");
    EXPECT_EQ(tabela[0].NomePGWeb, "NOVAREDE");
    EXPECT_EQ(tabela[0].CodSATCFe, 7);
    EXPECT_EQ(tabela[1].NomeTrad, "COM|BARRA");
    EXPECT_EQ(tabela[1].CodSATCFe, 999);
    EXPECT_EQ(tabela[2].Codigo, 203);
    EXPECT_TRUE(tabela[2].CNPJ.empty());
    EXPECT_EQ(tabela.FindPGWeb("REDE"), nullptr);
}

TEST(OvraTEFPayGoRedesTest, AFileThatIsNotThereIsRefusedAndTheTableKept) {
    testsupport::TempDir pasta;
    TOvraTEFPayGoTabelaRedes tabela("", "RedesPayGo");
    try {
        tabela.SetFileName(pasta.file("nao-existe.txt"));
        ADD_FAILURE() << "no exception";
    } catch (const EOvraTEFArquivo& e) {
        EXPECT_EQ(std::string(e.what()), "Arquivo: " + pasta.file("nao-existe.txt") + " não encontrado");
    }
    EXPECT_TRUE(tabela.FileName().empty());
    EXPECT_EQ(tabela.Count(), 86);

    // A file named later is read on the next lookup.
    std::ofstream(pasta.file("outra.txt")) << "300|UNICA|UNICA|1|\n";
    tabela.SetFileName(pasta.file("outra.txt"));
    EXPECT_EQ(tabela.Count(), 1);
}

TEST(OvraTEFPayGoRedesTest, TheProgramsTableLooksBesideTheProgram) {
    EXPECT_EQ(OvraTEFPayGoTabelaRedes().ResourceName(), "RedesPayGo");
    EXPECT_NE(OvraTEFPayGoTabelaRedes().FileName().find("RedesPayGo.txt"), std::string::npos);
    EXPECT_TRUE(OvraTEFPayGoRecurso("Outro").empty());
}

} // namespace
