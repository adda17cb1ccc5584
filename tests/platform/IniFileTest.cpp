#include "platform/IniFile.h"

#include "platform/FileSystem.h"
#include "platform/PlatformError.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

using platform::IniFile;

TEST(IniFile, MissingFileReadsAsEmptyAndIsNotCreatedByReading) {
    testsupport::TempDir dir;
    IniFile ini(dir.file("nada.ini"));
    EXPECT_TRUE(ini.Sections().empty());
    EXPECT_EQ(ini.ReadString("A", "b", "padrao"), "padrao");
    EXPECT_EQ(ini.ReadInteger("A", "b", 7), 7);
    EXPECT_FALSE(platform::FileExists(dir.file("nada.ini")));
}

TEST(IniFile, EachWriteReachesTheFileAtOnce) {
    testsupport::TempDir dir;
    IniFile ini(dir.file("a.ini"));
    ini.WriteString("Venda", "NumOperacao", "12");
    EXPECT_EQ(platform::ReadFile(dir.file("a.ini")), "[Venda]\r\nNumOperacao=12\r\n");
    ini.WriteInteger("Venda", "Status", 2);
    ini.WriteString("Valores", "ValorInicial", "10");
    EXPECT_EQ(platform::ReadFile(dir.file("a.ini")),
              "[Venda]\r\nNumOperacao=12\r\nStatus=2\r\n\r\n[Valores]\r\nValorInicial=10\r\n");
    IniFile outro(dir.file("a.ini"));
    EXPECT_EQ(outro.ReadInteger("venda", "STATUS", 0), 2);
}

TEST(IniFile, UnknownSectionsKeysAndCommentsSurviveARewrite) {
    testsupport::TempDir dir;
    const std::string texto =
        "; feito por outro programa\r\n[TEF]\r\nModelo=1\r\nChaveNova = x y \r\n# nota\r\n"
        "lixo sem igual\r\n\r\n[Outra]\r\nk=v\r\n";
    platform::WriteFileDurable(dir.file("q.ini"), texto);
    IniFile ini(dir.file("q.ini"));
    EXPECT_EQ(ini.ReadString("TEF", "ChaveNova", ""), "x y");
    ini.WriteString("TEF", "Modelo", "2");
    ini.WriteString("TEF", "Log", "tef.log");
    EXPECT_EQ(platform::ReadFile(dir.file("q.ini")),
              "; feito por outro programa\r\n[TEF]\r\nModelo=2\r\nChaveNova=x y\r\n# nota\r\n"
              "lixo sem igual\r\nLog=tef.log\r\n\r\n[Outra]\r\nk=v\r\n");
}

TEST(IniFile, TypedValuesAndDefaults) {
    testsupport::TempDir dir;
    platform::WriteFileDurable(dir.file("t.ini"), "[S]\nint=42\nruim=4x\nbool=5\nzero=0\nfloat=19,99\n"
                                                  "data=10/12/2026 18:04:15\nsodata=10/12/2026\n");
    testsupport::ScopedLocale ptbr("pt_BR.UTF-8");
    IniFile ini(dir.file("t.ini"));
    EXPECT_EQ(ini.ReadInteger("S", "int", 0), 42);
    EXPECT_EQ(ini.ReadInteger("S", "ruim", -1), -1);
    EXPECT_TRUE(ini.ReadBool("S", "bool", false));
    EXPECT_FALSE(ini.ReadBool("S", "zero", true));
    EXPECT_TRUE(ini.ReadBool("S", "ruim", true));
    EXPECT_DOUBLE_EQ(ini.ReadFloat("S", "float", 0), 19.99);
    EXPECT_EQ(ini.ReadDateTime("S", "data", {}), platform::EncodeDateTime(2026, 12, 10, 18, 4, 15));
    EXPECT_EQ(ini.ReadDateTime("S", "sodata", {}), platform::EncodeDate(2026, 12, 10));
    EXPECT_EQ(ini.ReadDateTime("S", "ruim", platform::TDateTime(5)), platform::TDateTime(5));
}

TEST(IniFile, TextIsSingleByteOnDiskAndLineBreaksCannotSplitAValue) {
    testsupport::TempDir dir;
    IniFile ini(dir.file("c.ini"));
    ini.WriteString("Formas", "03", "Cartão de Crédito");
    ini.WriteString("Formas", "multi", "a\r\nb=c");
    EXPECT_EQ(platform::ReadFile(dir.file("c.ini")), "[Formas]\r\n03=Cart\xE3o de Cr\xE9"
                                                     "dito\r\nmulti=a  b=c\r\n");
    IniFile relido(dir.file("c.ini"));
    EXPECT_EQ(relido.ReadString("Formas", "03", ""), "Cartão de Crédito");
    EXPECT_EQ(relido.Keys("Formas").size(), 2u);
}

TEST(IniFile, BatchSavesOnceAndOnlyWhenConcluded) {
    testsupport::TempDir dir;
    IniFile ini(dir.file("b.ini"));
    ini.WriteString("A", "k", "antigo");
    {
        IniFile::Lote lote(ini);
        ini.Clear();
        ini.WriteString("A", "k", "novo");
        EXPECT_EQ(platform::ReadFile(dir.file("b.ini")), "[A]\r\nk=antigo\r\n");
        // dropped without Concluir, as when an error unwinds: the file keeps its content
    }
    EXPECT_EQ(platform::ReadFile(dir.file("b.ini")), "[A]\r\nk=antigo\r\n");
    IniFile::Lote lote(ini);
    ini.WriteString("A", "k", "novo");
    lote.Concluir();
    EXPECT_EQ(platform::ReadFile(dir.file("b.ini")), "[A]\r\nk=novo\r\n");
}

TEST(IniFile, EraseAndDelete) {
    testsupport::TempDir dir;
    IniFile ini(dir.file("e.ini"));
    ini.WriteString("A", "x", "1");
    ini.WriteString("A", "y", "2");
    ini.WriteString("B", "z", "3");
    ini.DeleteKey("a", "X");
    ini.EraseSection("b");
    EXPECT_EQ(platform::ReadFile(dir.file("e.ini")), "[A]\r\ny=2\r\n");
}

TEST(IniFile, UnwritableFileIsAnErrorNamingIt) {
    testsupport::TempDir dir;
    IniFile ini(dir.file("sem/pasta/x.ini"));
    try {
        ini.WriteString("A", "b", "c");
        FAIL() << "no error";
    } catch (const platform::PlatformError& e) {
        EXPECT_NE(std::string(e.what()).find("x.ini"), std::string::npos) << e.what();
    }
}
