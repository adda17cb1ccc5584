#include "tef/OvraTEFComum.h"

#include "platform/DateTime.h"
#include "platform/FileSystem.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

using platform::TDateTime;

namespace {

TDateTime Data(int ano, int mes, int dia, int hora = 0, int minuto = 0, int segundo = 0) {
    return platform::EncodeDateTime(ano, mes, dia, hora, minuto, segundo).value();
}

// "Now" for every test that reads a date: the current year decides centuries and years left out.
const TDateTime Agora = Data(2026, 5, 10, 14, 30, 0);

std::vector<std::string> Linhas(const TOvraTEFArquivo& arquivo) {
    return arquivo.Conteudo();
}

} // namespace

// The header stands on its own: this is the first test of the file and the header came first.
TEST(TOvraTEFComum, HeaderIsSelfContained) {
    TOvraTEFArquivo arquivo;
    arquivo.GravaInformacao(899, 100, "CRT");
    EXPECT_EQ(arquivo.LeInformacao(899, 100).AsString(), "CRT");
}

// ---------------------------------------------------------------------------------------------
// TOvraInformacao

TEST(TOvraInformacao, NewValueIsEmptyTextWithTwoDecimals) {
    TOvraInformacao info;
    EXPECT_EQ(info.AsString(), "");
    EXPECT_EQ(info.Tipo(), tiString);
    EXPECT_EQ(info.FloatDecimalDigits(), 2);
    info.SetFloatDecimalDigits(-3);
    EXPECT_EQ(info.FloatDecimalDigits(), 3);
}

struct CasoEscrita {
    const char* nome;
    std::function<void(TOvraInformacao&)> escrever;
    const char* texto;
    TOvraInformacaoTipo tipo;
};

void PrintTo(const CasoEscrita& caso, std::ostream* os) {
    *os << caso.nome;
}

class EscritaInformacao : public ::testing::TestWithParam<CasoEscrita> {};

TEST_P(EscritaInformacao, WritesTheFileNotation) {
    const CasoEscrita& caso = GetParam();
    TOvraInformacao info;
    info.SetAsString("texto anterior");
    caso.escrever(info);
    EXPECT_EQ(info.AsString(), caso.texto);
    EXPECT_EQ(info.Tipo(), caso.tipo);
}

INSTANTIATE_TEST_SUITE_P(
    Casos, EscritaInformacao,
    ::testing::Values(
        CasoEscrita{"IntegerZeroIsEmpty", [](auto& i) { i.SetAsInteger(0); }, "", tiInteger},
        CasoEscrita{"Integer", [](auto& i) { i.SetAsInteger(123456); }, "123456", tiInteger},
        CasoEscrita{"NegativeInteger", [](auto& i) { i.SetAsInteger(-7); }, "-7", tiInteger},
        CasoEscrita{"Int64", [](auto& i) { i.SetAsInt64(9000000000LL); }, "9000000000", tiInt64},
        CasoEscrita{"Int64ZeroIsEmpty", [](auto& i) { i.SetAsInt64(0); }, "", tiInt64},
        CasoEscrita{"FloatOneAndAHalf", [](auto& i) { i.SetAsFloat(1.5); }, "150", tiFloat},
        CasoEscrita{"FloatFiveCentsPadded", [](auto& i) { i.SetAsFloat(0.05); }, "005", tiFloat},
        CasoEscrita{"FloatZeroIsEmpty", [](auto& i) { i.SetAsFloat(0.0); }, "", tiFloat},
        CasoEscrita{"FloatHalfRoundsAwayFromZero", [](auto& i) { i.SetAsFloat(0.125); }, "013", tiFloat},
        CasoEscrita{"NegativeFloatSignBeforePadding", [](auto& i) { i.SetAsFloat(-0.05); }, "-005", tiFloat},
        CasoEscrita{"NegativeFloatHalfAwayFromZero", [](auto& i) { i.SetAsFloat(-0.125); }, "-013", tiFloat},
        CasoEscrita{"FloatThreeDecimals",
                    [](auto& i) {
                        i.SetFloatDecimalDigits(3);
                        i.SetAsFloat(1.5);
                    },
                    "1500", tiFloat},
        CasoEscrita{"FloatNoDecimals",
                    [](auto& i) {
                        i.SetFloatDecimalDigits(0);
                        i.SetAsFloat(1234.5);
                    },
                    "1235", tiFloat},
        CasoEscrita{"FloatTooLargeForAnIntegerType", [](auto& i) { i.SetAsFloat(1e30); },
                    "100000000000000005366162204393472", tiFloat},
        CasoEscrita{"Date", [](auto& i) { i.SetAsDate(Data(2024, 3, 15)); }, "15032024", tiDate},
        CasoEscrita{"DateZeroIsEmpty", [](auto& i) { i.SetAsDate(TDateTime{}); }, "", tiDate},
        CasoEscrita{"DateDropsTheTime", [](auto& i) { i.SetAsDate(Data(2024, 3, 15, 10, 20, 30)); },
                    "15032024", tiDate},
        CasoEscrita{"Time", [](auto& i) { i.SetAsTime(Data(2024, 3, 15, 9, 5, 7)); }, "090507", tiTime},
        CasoEscrita{"TimeStamp", [](auto& i) { i.SetAsTimeStamp(Data(2024, 12, 25, 23, 59, 59)); },
                    "2512235959", tiDateTime},
        CasoEscrita{"TimeStampSQL", [](auto& i) { i.SetAsTimeStampSQL(Data(2024, 12, 25, 23, 59, 59)); },
                    "20241225235959", tiDateTime},
        CasoEscrita{"TimeStampSQLZeroIsEmpty", [](auto& i) { i.SetAsTimeStampSQL(TDateTime{}); }, "",
                    tiDateTime},
        CasoEscrita{"BooleanTrue", [](auto& i) { i.SetAsBoolean(true); }, "1", tiBoolean},
        CasoEscrita{"BooleanFalse", [](auto& i) { i.SetAsBoolean(false); }, "0", tiBoolean},
        CasoEscrita{"BinaryLineBreak", [](auto& i) { i.SetAsBinary("A\r\nB"); }, "A\\x0D\\x0AB",
                    tiAnsiString},
        CasoEscrita{"BinaryHighBytes", [](auto& i) { i.SetAsBinary("\xC3\xA7\x7F"); }, "\\xC3\\xA7\x7F",
                    tiAnsiString},
        CasoEscrita{"StringKeptAsGiven", [](auto& i) { i.SetAsString("  a b  "); }, "  a b  ", tiString}),
    [](const auto& info) { return std::string(info.param.nome); });

struct CasoLeitura {
    const char* nome;
    const char* texto;
    std::function<void(const TOvraInformacao&)> verificar;
};

void PrintTo(const CasoLeitura& caso, std::ostream* os) {
    *os << caso.nome;
}

class LeituraInformacao : public ::testing::TestWithParam<CasoLeitura> {};

TEST_P(LeituraInformacao, ReadsOrGivesZero) {
    testsupport::FixedClock relogio(Agora);
    TOvraInformacao info;
    info.SetAsString(GetParam().texto);
    GetParam().verificar(info);
}

INSTANTIATE_TEST_SUITE_P(
    Casos, LeituraInformacao,
    ::testing::Values(
        CasoLeitura{"IntegerTrimmed", " 42 ", [](const auto& i) { EXPECT_EQ(i.AsInteger(), 42); }},
        CasoLeitura{"IntegerGarbage", "4x2", [](const auto& i) { EXPECT_EQ(i.AsInteger(), 0); }},
        CasoLeitura{"IntegerOutOfRange", "99999999999", [](const auto& i) { EXPECT_EQ(i.AsInteger(), 0); }},
        CasoLeitura{"Int64", "99999999999", [](const auto& i) { EXPECT_EQ(i.AsInt64(), 99999999999LL); }},
        CasoLeitura{"FloatCents", "12345", [](const auto& i) { EXPECT_DOUBLE_EQ(i.AsFloat(), 123.45); }},
        CasoLeitura{"FloatComma", "123,45", [](const auto& i) { EXPECT_DOUBLE_EQ(i.AsFloat(), 123.45); }},
        CasoLeitura{"FloatSeveralDots", "1.23.45", [](const auto& i) { EXPECT_DOUBLE_EQ(i.AsFloat(), 123.45); }},
        CasoLeitura{"FloatNegative", "-005", [](const auto& i) { EXPECT_DOUBLE_EQ(i.AsFloat(), -0.05); }},
        CasoLeitura{"FloatGarbage", "12a", [](const auto& i) { EXPECT_EQ(i.AsFloat(), 0.0); }},
        CasoLeitura{"FloatNoExponent", "1e5", [](const auto& i) { EXPECT_EQ(i.AsFloat(), 0.0); }},
        CasoLeitura{"FloatNoInfinity", "inf", [](const auto& i) { EXPECT_EQ(i.AsFloat(), 0.0); }},
        CasoLeitura{"FloatOldCorruptedNegative", "0-5", [](const auto& i) { EXPECT_EQ(i.AsFloat(), 0.0); }},
        CasoLeitura{"DateSixDigitsTakesTodaysCentury", "150324",
                    [](const auto& i) { EXPECT_EQ(i.AsDate(), Data(2024, 3, 15)); }},
        CasoLeitura{"DateWithSeparators", "15/03/2024",
                    [](const auto& i) { EXPECT_EQ(i.AsDate(), Data(2024, 3, 15)); }},
        CasoLeitura{"DateThirtyFirstOfFebruary", "310299", [](const auto& i) { EXPECT_EQ(i.AsDate(), TDateTime{}); }},
        CasoLeitura{"DateTooShort", "1503", [](const auto& i) { EXPECT_EQ(i.AsDate(), TDateTime{}); }},
        CasoLeitura{"Time", "235959", [](const auto& i) { EXPECT_EQ(i.AsTime(), platform::EncodeTime(23, 59, 59)); }},
        CasoLeitura{"TimeInvalid", "246000", [](const auto& i) { EXPECT_EQ(i.AsTime(), TDateTime{}); }},
        CasoLeitura{"TimeStampTakesThisYear", "2512235959",
                    [](const auto& i) { EXPECT_EQ(i.AsTimeStamp(), Data(2026, 12, 25, 23, 59, 59)); }},
        CasoLeitura{"TimeStampMissingTimeIsMidnight", "2512",
                    [](const auto& i) { EXPECT_EQ(i.AsTimeStamp(), Data(2026, 12, 25)); }},
        CasoLeitura{"TimeStampLeapDayOutsideALeapYear", "2902101010",
                    [](const auto& i) { EXPECT_EQ(i.AsTimeStamp(), TDateTime{}); }},
        CasoLeitura{"TimeStampSQL", "20241225235959",
                    [](const auto& i) { EXPECT_EQ(i.AsTimeStampSQL(), Data(2024, 12, 25, 23, 59, 59)); }},
        CasoLeitura{"TimeStampSQLWithSeparators", "2024-12-25 23:59:59",
                    [](const auto& i) { EXPECT_EQ(i.AsTimeStampSQL(), Data(2024, 12, 25, 23, 59, 59)); }},
        CasoLeitura{"TimeStampSQLInvalidMonth", "20241325235959",
                    [](const auto& i) { EXPECT_EQ(i.AsTimeStampSQL(), TDateTime{}); }},
        CasoLeitura{"BooleanOnlyExactlyOne", " 1", [](const auto& i) { EXPECT_FALSE(i.AsBoolean()); }},
        CasoLeitura{"BooleanOne", "1", [](const auto& i) { EXPECT_TRUE(i.AsBoolean()); }},
        CasoLeitura{"BooleanS", "S", [](const auto& i) { EXPECT_FALSE(i.AsBoolean()); }},
        CasoLeitura{"BinaryLineBreak", "A\\x0D\\x0AB", [](const auto& i) { EXPECT_EQ(i.AsBinary(), "A\r\nB"); }},
        CasoLeitura{"BinaryLowerCaseHex", "\\x0d\\x0a", [](const auto& i) { EXPECT_EQ(i.AsBinary(), "\r\n"); }},
        CasoLeitura{"BinaryBadDigitsStay", "\\xZZ", [](const auto& i) { EXPECT_EQ(i.AsBinary(), "\\xZZ"); }},
        CasoLeitura{"BinaryTruncatedStays", "ab\\x4", [](const auto& i) { EXPECT_EQ(i.AsBinary(), "ab\\x4"); }},
        CasoLeitura{"EveryReaderGivesZeroForOneBlank", " ",
                    [](const auto& i) {
                        EXPECT_EQ(i.AsInteger(), 0);
                        EXPECT_EQ(i.AsInt64(), 0);
                        EXPECT_EQ(i.AsFloat(), 0.0);
                        EXPECT_EQ(i.AsDate(), TDateTime{});
                        EXPECT_EQ(i.AsTime(), TDateTime{});
                        EXPECT_EQ(i.AsTimeStamp(), TDateTime{});
                        EXPECT_EQ(i.AsTimeStampSQL(), TDateTime{});
                        EXPECT_FALSE(i.AsBoolean());
                    }}),
    [](const auto& info) { return std::string(info.param.nome); });

TEST(TOvraInformacao, SixDigitDateFollowsTheCenturyOfToday) {
    struct Caso {
        TDateTime hoje;
        TDateTime esperado;
    };
    for (const Caso& caso :
         {Caso{Data(2026, 1, 1), Data(2024, 3, 15)}, Caso{Data(2199, 12, 31), Data(2124, 3, 15)},
          Caso{Data(1999, 6, 1), Data(1924, 3, 15)}}) {
        testsupport::FixedClock relogio(caso.hoje);
        TOvraInformacao info;
        info.SetAsString("150324");
        EXPECT_EQ(info.AsDate(), caso.esperado);
    }
}

TEST(TOvraInformacao, AmountsRoundTripThroughTheirText) {
    for (double valor : {0.01, 0.05, 1.5, 19.99, 123.45, 1000000.0, -0.05, -19.99}) {
        TOvraInformacao escrito;
        escrito.SetAsFloat(valor);
        TOvraInformacao lido;
        lido.SetAsString(escrito.AsString());
        EXPECT_DOUBLE_EQ(lido.AsFloat(), valor) << escrito.AsString();
    }
}

// ---------------------------------------------------------------------------------------------
// TOvraTEFLinha

TEST(TOvraTEFLinha, FormatsKeysWithAtLeastThreeDigits) {
    EXPECT_EQ(OvraTEFFormatarChave(1, 0), "001-000");
    EXPECT_EQ(OvraTEFFormatarChave(899, 100), "899-100");
    EXPECT_EQ(OvraTEFFormatarChave(1003, 2), "1003-002");
    EXPECT_EQ(OvraTEFFormatarChave(0, 0), "000-000");
}

struct CasoLinha {
    const char* nome;
    const char* linha;
    std::int32_t identificacao;
    std::int16_t sequencia;
    const char* valor;
    const char* chave;
};

void PrintTo(const CasoLinha& caso, std::ostream* os) {
    *os << caso.nome;
}

class ParseLinha : public ::testing::TestWithParam<CasoLinha> {};

TEST_P(ParseLinha, SplitsKeyAndValue) {
    const CasoLinha& caso = GetParam();
    TOvraTEFLinha linha;
    linha.SetLinha(caso.linha);
    EXPECT_EQ(linha.Linha(), caso.linha);
    EXPECT_EQ(linha.Identificacao(), caso.identificacao);
    EXPECT_EQ(linha.Sequencia(), caso.sequencia);
    EXPECT_EQ(linha.Informacao().AsString(), caso.valor);
    EXPECT_EQ(linha.Chave(), caso.chave);
}

INSTANTIATE_TEST_SUITE_P(
    Casos, ParseLinha,
    ::testing::Values(CasoLinha{"Header", "899-100 = CRT", 899, 100, "CRT", "899-100"},
                      CasoLinha{"Number", "134-000 = 123456", 134, 0, "123456", "134-000"},
                      CasoLinha{"FourDigitIdentification", "1003-002 = x", 1003, 2, "x", "1003-002"},
                      CasoLinha{"NothingAfterEquals", "005-001 =", 5, 1, "", "005-001"},
                      CasoLinha{"BlankAfterEquals", "005-001 = ", 5, 1, "", "005-001"},
                      CasoLinha{"ValueKeepsItsBlanks", "001-000 =  x ", 1, 0, " x ", "001-000"},
                      CasoLinha{"ValueMayHoldTheSeparator", "001-000 = a = b", 1, 0, "a = b", "001-000"},
                      CasoLinha{"NoSeparator", "001-000=x", 0, 0, "", ""},
                      CasoLinha{"GarbageKey", "abc-def = x", 0, 0, "x", "abc-def"},
                      CasoLinha{"KeyWithoutDash", "123456 = x", 123, 56, "x", "123456"},
                      CasoLinha{"ShortIdentification", "12-5 = x", 0, 0, "x", "12-5"}),
    [](const auto& info) { return std::string(info.param.nome); });

TEST(TOvraTEFLinha, EmptyLineTakesItsKeyFromIdentificationAndSequence) {
    TOvraTEFLinha linha;
    linha.SetIdentificacao(7);
    linha.SetSequencia(3);
    EXPECT_EQ(linha.Chave(), "007-003");
}

TEST(TOvraTEFLinha, EachNewLineStartsWithAFreshValue) {
    TOvraTEFLinha linha;
    linha.SetLinha("001-000 = 1500");
    linha.Informacao().SetFloatDecimalDigits(3);
    EXPECT_DOUBLE_EQ(linha.Informacao().AsFloat(), 1.5);
    linha.SetLinha("002-000 = 1500");
    EXPECT_DOUBLE_EQ(linha.Informacao().AsFloat(), 15.0);
}

// ---------------------------------------------------------------------------------------------
// TOvraTEFArquivo

TEST(TOvraTEFArquivo, WritingReplacesAndEmptyRemoves) {
    TOvraTEFArquivo arquivo;
    arquivo.GravaInformacao(1, 0, "ABC");
    EXPECT_EQ(Linhas(arquivo), std::vector<std::string>{"001-000 = ABC"});
    arquivo.GravaInformacao(1, 0, "XYZ");
    EXPECT_EQ(Linhas(arquivo), std::vector<std::string>{"001-000 = XYZ"});
    arquivo.GravaInformacao(1, 0, "");
    EXPECT_EQ(arquivo.Count(), 0);
    EXPECT_EQ(arquivo.LeInformacao(1, 0).AsString(), " ");
    EXPECT_EQ(arquivo.LeInformacao(1, 0).AsInteger(), 0);
}

TEST(TOvraTEFArquivo, AbsentKeyReadsAsOneBlankUnderItsKey) {
    TOvraTEFArquivo arquivo;
    const TOvraTEFLinha& linha = arquivo.LeLinha(134, 0);
    EXPECT_EQ(linha.Linha(), "134-000 =  ");
    EXPECT_EQ(linha.Identificacao(), 134);
    EXPECT_EQ(linha.Informacao().AsString(), " ");
}

TEST(TOvraTEFArquivo, TypedValuesAndLiteralKeysAreWritten) {
    TOvraTEFArquivo arquivo;
    TOvraInformacao valor;
    valor.SetAsFloat(0.0);
    arquivo.GravaInformacao(5, 0, "x");
    arquivo.GravaInformacao(5, 0, valor); // an amount of 0 is no value: the key goes away
    valor.SetAsFloat(19.99);
    arquivo.GravaInformacao(6, 0, valor);
    arquivo.GravaInformacao("ABC", "1");
    arquivo.GravaInformacao("abc", "2");
    EXPECT_EQ(Linhas(arquivo), (std::vector<std::string>{"006-000 = 1999", "ABC = 1", "abc = 2"}));
    arquivo.GravaInformacao("abc", "");
    EXPECT_EQ(Linhas(arquivo), (std::vector<std::string>{"006-000 = 1999", "ABC = 1"}));
}

TEST(TOvraTEFArquivo, KeysWithOtherZeroPaddingAreNotFound) {
    TOvraTEFArquivo arquivo;
    arquivo.LeBytes("01-000 = curto\r\n0001-000 = longo\r\n");
    EXPECT_EQ(arquivo.LeInformacao(1, 0).AsString(), " ");
}

TEST(TOvraTEFArquivo, LookupFindsTheFirstLineOfTheKeyInListOrder) {
    TOvraTEFArquivo arquivo;
    // Same key twice with different values, keys in different case, keys that are prefixes of others.
    arquivo.LeBytes("001-000 = B\r\n001-000 = A\r\n001-0001 = x\r\n001-000 =\r\nabc = 1\r\nABC = 2\r\n"
                    "001-001 = z\r\n");
    auto primeiraPorVarredura = [&](const std::string& chave) -> std::string {
        for (const auto& linha : arquivo.Conteudo())
            if (linha.rfind(chave + " = ", 0) == 0)
                return linha;
        return chave + " =  ";
    };
    for (auto [id, seq] : {std::pair{1, 0}, std::pair{1, 1}, std::pair{1, 2}})
        EXPECT_EQ(arquivo.LeLinha(id, seq).Linha(), primeiraPorVarredura(OvraTEFFormatarChave(id, seq)));
    EXPECT_EQ(arquivo.LeLinha(1, 0).Linha(), "001-000 = A");

    // A literal key is found in its own case only.
    arquivo.GravaInformacao("ABC", "3");
    EXPECT_EQ(arquivo.Count(), 7);
    const auto& linhas = arquivo.Conteudo();
    EXPECT_NE(std::find(linhas.begin(), linhas.end(), "ABC = 3"), linhas.end());
    EXPECT_NE(std::find(linhas.begin(), linhas.end(), "abc = 1"), linhas.end());
}

TEST(TOvraTEFArquivo, LinesComeBackSortedAndOnlyExactCopiesAreDropped) {
    TOvraTEFArquivo arquivo;
    arquivo.LeBytes(
        "899-100 = CRT\r\n134-000 = 123456\r\n001-000 = a\r\n134-000 = 123456\r\n001-000 = A\r\n");
    EXPECT_EQ(Linhas(arquivo),
              (std::vector<std::string>{"001-000 = A", "001-000 = a", "134-000 = 123456", "899-100 = CRT"}));

    arquivo.GravaInformacao(500, 0, "m");
    arquivo.GravaInformacao(2, 0, "b");
    EXPECT_EQ(Linhas(arquivo),
              (std::vector<std::string>{"001-000 = A", "001-000 = a", "002-000 = b", "134-000 = 123456",
                                        "500-000 = m", "899-100 = CRT"}));
}

TEST(TOvraTEFArquivo, LinesAreReadByPositionThroughOneCursor) {
    TOvraTEFArquivo arquivo;
    arquivo.LeBytes("1003-002 = x\r\n134-000 = 123456\r\n");
    TOvraTEFLinha& primeira = arquivo.Linha(0);
    EXPECT_EQ(primeira.Identificacao(), 1003);
    EXPECT_EQ(primeira.Sequencia(), 2);
    TOvraTEFLinha& segunda = arquivo.Linha(1);
    EXPECT_EQ(&primeira, &segunda);
    EXPECT_EQ(segunda.Identificacao(), 134);
    EXPECT_EQ(segunda.Informacao().AsInteger(), 123456);
    EXPECT_THROW(arquivo.Linha(2), std::out_of_range);
    EXPECT_THROW(arquivo.Linha(-1), std::out_of_range);
}

struct CasoCarga {
    const char* nome;
    std::string bytes;
    std::vector<std::string> linhas;
};

void PrintTo(const CasoCarga& caso, std::ostream* os) {
    *os << caso.nome;
}

class CargaArquivo : public ::testing::TestWithParam<CasoCarga> {};

TEST_P(CargaArquivo, KeepsEveryLineThatCanBeRead) {
    TOvraTEFArquivo arquivo;
    arquivo.GravaInformacao(999, 0, "resto de antes");
    arquivo.LeBytes(GetParam().bytes);
    EXPECT_EQ(Linhas(arquivo), GetParam().linhas);
}

INSTANTIATE_TEST_SUITE_P(
    Casos, CargaArquivo,
    ::testing::Values(
        CasoCarga{"Empty", "", {}}, CasoCarga{"OnlyLineBreaks", "\r\n\n\r\r\n", {}},
        CasoCarga{"CrLf", "001-000 = a\r\n002-000 = b\r\n", {"001-000 = a", "002-000 = b"}},
        CasoCarga{"LfOnly", "001-000 = a\n002-000 = b\n", {"001-000 = a", "002-000 = b"}},
        CasoCarga{"CrOnly", "001-000 = a\r002-000 = b\r", {"001-000 = a", "002-000 = b"}},
        CasoCarga{"MixedAndNoFinalBreak",
                  "001-000 = a\n\r002-000 = b\r\n003-000 = c",
                  {"001-000 = a", "002-000 = b", "003-000 = c"}},
        CasoCarga{"LinesThatAreNotEntries", "lixo\r\n = \r\n001-000=x\r\n", {" = ", "001-000=x", "lixo"}},
        CasoCarga{"StrayNul", std::string("001-000 = a\0b\r\n", 14), {std::string("001-000 = a\0b", 13)}},
        CasoCarga{"SingleByteCodePage", "001-000 = A\xE7\xE3o\r\n", {"001-000 = A\xC3\xA7\xC3\xA3o"}},
        CasoCarga{"BadEscapeKeptAsText", "001-000 = \\xZZ\\x4\r\n", {"001-000 = \\xZZ\\x4"}}),
    [](const auto& info) { return std::string(info.param.nome); });

TEST(TOvraTEFArquivo, LoadsALargeFile) {
    std::string bytes;
    for (int i = 20000; i > 0; --i)
        bytes += OvraTEFFormatarChave(i, i % 1000) + " = " + std::to_string(i) + "\r\n";
    bytes += "999-000 = " + std::string(1 << 20, 'x'); // one long line without its break
    TOvraTEFArquivo arquivo;
    arquivo.LeBytes(bytes);
    EXPECT_EQ(arquivo.Count(), 20001);
    EXPECT_EQ(arquivo.LeInformacao(12345, 345).AsInteger(), 12345);
    EXPECT_EQ(arquivo.LeInformacao(999, 0).AsString().size(), std::size_t{1} << 20);
}

TEST(TOvraTEFArquivo, SavesCrLfLinesInTheSingleByteCodePageAndReadsThemBack) {
    testsupport::TempDir pasta;
    const std::string nome = pasta.file("Ovra_001.tef");
    TOvraTEFArquivo arquivo;
    arquivo.GravaInformacao(899, 100, "CRT");
    arquivo.GravaInformacao(134, 0, "123456");
    arquivo.GravaInformacao(40, 0, "Crédito à vista");
    arquivo.GravarArquivo(nome, true);

    EXPECT_EQ(platform::ReadFile(nome), "040-000 = Cr\xE9"
                                        "dito \xE0 vista\r\n134-000 = 123456\r\n899-100 = CRT\r\n");

    TOvraTEFArquivo lido;
    lido.LeArquivo(nome);
    EXPECT_EQ(Linhas(lido), Linhas(arquivo));
    EXPECT_EQ(lido.LeInformacao(40, 0).AsString(), "Crédito à vista");
}

TEST(TOvraTEFArquivo, EmptyContentLeavesAnExistingFileAlone) {
    testsupport::TempDir pasta;
    const std::string existente = pasta.file("existente.tef");
    platform::WriteFileDurable(existente, "001-000 = antigo\r\n");
    TOvraTEFArquivo vazio;
    vazio.GravarArquivo(existente, false);
    EXPECT_EQ(platform::ReadFile(existente), "001-000 = antigo\r\n");

    const std::string novo = pasta.file("novo.tef");
    vazio.GravarArquivo(novo, false);
    ASSERT_TRUE(platform::FileExists(novo));
    EXPECT_EQ(platform::ReadFile(novo), "");
}

TEST(TOvraTEFArquivo, MissingFileRaisesAndLeavesTheListEmpty) {
    testsupport::TempDir pasta;
    const std::string nome = pasta.file("Ovra_999.tef");
    TOvraTEFArquivo arquivo;
    arquivo.GravaInformacao(1, 0, "x");
    try {
        arquivo.LeArquivo(nome);
        FAIL() << "no error";
    } catch (const EOvraTEFArquivo& e) {
        EXPECT_EQ(std::string(e.what()), "Arquivo: " + nome + " não encontrado");
    }
    EXPECT_EQ(arquivo.Count(), 0);
    EXPECT_THROW(arquivo.LeArquivo(nome), EOvraTEFErro);
    EXPECT_THROW(arquivo.LeArquivo(nome), std::runtime_error);
}

TEST(TOvraTEFArquivo, SaveErrorsReachTheCaller) {
    testsupport::TempDir pasta;
    TOvraTEFArquivo arquivo;
    arquivo.GravaInformacao(1, 0, "x");
    EXPECT_THROW(arquivo.GravarArquivo(pasta.file("sem/pasta.tef"), true), std::runtime_error);
}

// ---------------------------------------------------------------------------------------------
// TOvraTEFResp

namespace {

// A driver's response as the drivers build theirs: every field has a key of its own, and
// ConteudoToProperty rebuilds every field from the lines. PropertyToConteudo is what the driver's
// capture does when the library answers.
class TRespTeste : public TOvraTEFResp {
public:
    bool VoucherAoReconstruir = false;

    void DefinirCabecalho(const std::string& header, std::int32_t id) {
        Conteudo().GravaInformacao(899, 100, header);
        Conteudo().GravaInformacao(899, 101, std::to_string(id));
        fpHeader = header;
        fpID = id;
    }

    void PropertyToConteudo();
    void ConteudoToProperty() override;
};

std::string Juntar(const std::vector<std::string>& linhas) {
    std::string r;
    for (std::size_t i = 0; i < linhas.size(); ++i)
        r += (i ? "\r\n" : "") + linhas[i];
    return r;
}

std::vector<std::string> Separar(const std::string& texto) {
    std::vector<std::string> r;
    if (texto.empty())
        return r;
    std::size_t inicio = 0;
    for (std::size_t fim; (fim = texto.find("\r\n", inicio)) != std::string::npos; inicio = fim + 2)
        r.push_back(texto.substr(inicio, fim - inicio));
    r.push_back(texto.substr(inicio));
    return r;
}

void TRespTeste::PropertyToConteudo() {
    TOvraTEFArquivo& c = Conteudo();
    TOvraInformacao v;
    auto texto = [&](int id, const std::string& s, int seq = 0) { c.GravaInformacao(id, seq, s); };
    auto inteiro = [&](int id, std::int64_t n, int seq = 0) {
        v.SetAsInt64(n);
        c.GravaInformacao(id, seq, v);
    };
    auto valor = [&](int id, double x, int seq = 0) {
        v.SetAsFloat(x);
        c.GravaInformacao(id, seq, v);
    };
    auto flag = [&](int id, bool b) {
        v.SetAsBoolean(b);
        c.GravaInformacao(id, 0, v);
    };
    auto data = [&](int id, TDateTime d, int seq = 0) {
        v.SetAsDate(d);
        c.GravaInformacao(id, seq, v);
    };
    auto dataHora = [&](int id, TDateTime d, int seq = 0) {
        v.SetAsTimeStampSQL(d);
        c.GravaInformacao(id, seq, v);
    };
    auto binario = [&](int id, const std::string& bytes) {
        v.SetAsBinary(bytes);
        c.GravaInformacao(id, 0, v);
    };

    texto(1, Agencia);
    texto(2, AgenciaDC);
    texto(3, Autenticacao);
    texto(4, ArqBackup());
    texto(5, ArqRespPendente);
    flag(6, ViaClienteReduzida);
    texto(7, Banco);
    texto(8, Cheque);
    texto(9, ChequeDC);
    texto(10, CMC7);
    texto(11, CodigoAutorizacaoTransacao);
    texto(12, CodigoOperadoraCelular);
    texto(13, Conta);
    texto(14, ContaDC);
    data(15, DataCheque);
    dataHora(16, DataHoraTransacaoCancelada);
    v.SetAsTimeStamp(DataHoraTransacaoComprovante);
    c.GravaInformacao(17, 0, v);
    dataHora(18, DataHoraTransacaoHost);
    // The local date-time travels split, as the libraries hand it: a date and a time of day.
    data(19, DataHoraTransacaoLocal);
    v.SetAsTime(DataHoraTransacaoLocal);
    c.GravaInformacao(92, 0, v);
    data(20, DataPreDatado);
    texto(21, DocumentoPessoa);
    texto(22, Finalizacao);
    inteiro(23, Moeda);
    texto(24, NomeAdministradora);
    texto(25, NomeOperadoraCelular);
    texto(26, NSU);
    texto(27, NSUTransacaoCancelada);
    inteiro(28, NumeroLoteTransacao);
    texto(29, NumeroRecargaCelular);
    inteiro(30, QtdLinhasComprovante);
    inteiro(31, QtdParcelas);
    texto(32, StatusTransacao);
    binario(33, TextoEspecialCliente);
    binario(34, TextoEspecialOperador);
    texto(35, std::string(1, TipoPessoa));
    inteiro(36, TipoTransacao);
    texto(37, Trailer);
    texto(38, BIN);
    valor(39, ValorOriginal);
    valor(40, ValorRecargaCelular);
    valor(41, Saque);
    valor(42, Desconto);
    valor(43, TaxaServico);
    inteiro(44, TipoParcelamento);
    for (int i = 0; i < Parcelas().Count(); ++i) {
        data(45, Parcelas()[i].Vencimento, i + 1);
        valor(46, Parcelas()[i].Valor, i + 1);
        texto(47, Parcelas()[i].NSUParcela, i + 1);
    }
    binario(48, Juntar(ImagemComprovante1aVia()));
    binario(49, Juntar(ImagemComprovante2aVia()));
    data(50, DataVencimento);
    texto(51, Instituicao);
    texto(52, ModalidadePagto);
    texto(53, ModalidadePagtoDescrita);
    texto(54, ModalidadePagtoExtenso);
    texto(55, CodigoRedeAutorizada);
    flag(56, Debito);
    flag(57, Credito);
    flag(58, Voucher);
    flag(59, Digitado);
    inteiro(60, ParceladoPor);
    valor(61, ValorEntradaCDC);
    dataHora(62, DataEntradaCDC);
    inteiro(63, TipoOperacao);
    texto(64, NFCeSAT().CodCredenciadora);
    texto(65, NFCeSAT().Autorizacao);
    texto(66, NFCeSAT().Bandeira);
    texto(67, NFCeSAT().CNPJCredenciadora);
    texto(68, NFCeSAT().DonoCartao);
    texto(69, NFCeSAT().DataExpiracao);
    texto(70, NFCeSAT().UltimosQuatroDigitos);
    texto(71, CodigoBandeiraPadrao);
    flag(72, Confirmar);
    texto(73, QRCode);
    texto(74, IdCarteiraDigital);
    texto(75, NomeCarteiraDigital);
    texto(76, CodigoPSP);
    texto(77, NSU_TEF);
    flag(78, Sucesso);
    for (int i = 0; i < CorrespBancarios().Count(); ++i) {
        const TOvraTEFRespCB& cb = CorrespBancarios()[i];
        valor(80, cb.Acrescimo, i + 1);
        dataHora(81, cb.DataPagamento, i + 1);
        data(82, cb.DataVencimento, i + 1);
        valor(83, cb.Desconto, i + 1);
        texto(84, cb.Documento, i + 1);
        texto(85, cb.NSUCancelamento, i + 1);
        texto(86, cb.NSUTransacaoCB, i + 1);
        inteiro(87, cb.TipoDocumento, i + 1);
        valor(88, cb.ValorOriginal, i + 1);
        valor(89, cb.ValorPago, i + 1);
    }
    valor(90, CorrespBancarios().TotalTitulos);
    valor(91, CorrespBancarios().TotalTitulosNaoPago);

    // The framework's own keys.
    c.GravaInformacao(899, 102, DocumentoVinculado);
    v.SetAsFloat(ValorTotal);
    c.GravaInformacao(899, 103, v);
    c.GravaInformacao(899, 104, Rede);
    c.GravaInformacao(899, 500, std::to_string(IdPagamento));
    c.GravaInformacao(899, 501, std::to_string(IdRespostaFiscal));
    c.GravaInformacao(899, 502, SerialPOS);
    c.GravaInformacao(899, 503, Estabelecimento);
}

void TRespTeste::ConteudoToProperty() {
    VoucherAoReconstruir = Voucher;
    // Start from nothing but the lines, then take every line in turn.
    TOvraTEFArquivo linhas;
    linhas.Assign(Conteudo());
    Clear();
    Conteudo().Assign(linhas);

    auto parcela = [&](int seq) -> TOvraTEFRespParcela& {
        while (Parcelas().Count() < seq)
            Parcelas().Add();
        return Parcelas()[seq - 1];
    };
    auto cb = [&](int seq) -> TOvraTEFRespCB& {
        while (CorrespBancarios().Count() < seq)
            CorrespBancarios().Add();
        return CorrespBancarios()[seq - 1];
    };
    auto somar = [](TDateTime a, TDateTime b) { return TDateTime(a.dias + b.dias); };

    for (int i = 0; i < Conteudo().Count(); ++i) {
        const TOvraTEFLinha& linha = Conteudo().Linha(i);
        const TOvraInformacao& v = linha.Informacao();
        const int seq = linha.Sequencia();
        // clang-format off
        switch (linha.Identificacao()) {
        case 1: Agencia = v.AsString(); break;
        case 2: AgenciaDC = v.AsString(); break;
        case 3: Autenticacao = v.AsString(); break;
        case 4: SetArqBackup(v.AsString()); break;
        case 5: ArqRespPendente = v.AsString(); break;
        case 6: ViaClienteReduzida = v.AsBoolean(); break;
        case 7: Banco = v.AsString(); break;
        case 8: Cheque = v.AsString(); break;
        case 9: ChequeDC = v.AsString(); break;
        case 10: CMC7 = v.AsString(); break;
        case 11: CodigoAutorizacaoTransacao = v.AsString(); break;
        case 12: CodigoOperadoraCelular = v.AsString(); break;
        case 13: Conta = v.AsString(); break;
        case 14: ContaDC = v.AsString(); break;
        case 15: DataCheque = v.AsDate(); break;
        case 16: DataHoraTransacaoCancelada = v.AsTimeStampSQL(); break;
        case 17: DataHoraTransacaoComprovante = v.AsTimeStamp(); break;
        case 18: DataHoraTransacaoHost = v.AsTimeStampSQL(); break;
        case 19: DataHoraTransacaoLocal = somar(DataHoraTransacaoLocal, v.AsDate()); break;
        case 92: DataHoraTransacaoLocal = somar(DataHoraTransacaoLocal, v.AsTime()); break;
        case 20: DataPreDatado = v.AsDate(); break;
        case 21: DocumentoPessoa = v.AsString(); break;
        case 22: Finalizacao = v.AsString(); break;
        case 23: Moeda = v.AsInteger(); break;
        case 24: NomeAdministradora = v.AsString(); break;
        case 25: NomeOperadoraCelular = v.AsString(); break;
        case 26: NSU = v.AsString(); break;
        case 27: NSUTransacaoCancelada = v.AsString(); break;
        case 28: NumeroLoteTransacao = v.AsInt64(); break;
        case 29: NumeroRecargaCelular = v.AsString(); break;
        case 30: QtdLinhasComprovante = v.AsInteger(); break;
        case 31: QtdParcelas = v.AsInteger(); break;
        case 32: StatusTransacao = v.AsString(); break;
        case 33: TextoEspecialCliente = v.AsBinary(); break;
        case 34: TextoEspecialOperador = v.AsBinary(); break;
        case 35: TipoPessoa = v.AsString().empty() ? ' ' : v.AsString()[0]; break;
        case 36: TipoTransacao = v.AsInteger(); break;
        case 37: Trailer = v.AsString(); break;
        case 38: BIN = v.AsString(); break;
        case 39: ValorOriginal = v.AsFloat(); break;
        case 40: ValorRecargaCelular = v.AsFloat(); break;
        case 41: Saque = v.AsFloat(); break;
        case 42: Desconto = v.AsFloat(); break;
        case 43: TaxaServico = v.AsFloat(); break;
        case 44: TipoParcelamento = v.AsInteger(); break;
        case 45: parcela(seq).Vencimento = v.AsDate(); break;
        case 46: parcela(seq).Valor = v.AsFloat(); break;
        case 47: parcela(seq).NSUParcela = v.AsString(); break;
        case 48: ImagemComprovante1aVia() = Separar(v.AsBinary()); break;
        case 49: ImagemComprovante2aVia() = Separar(v.AsBinary()); break;
        case 50: DataVencimento = v.AsDate(); break;
        case 51: Instituicao = v.AsString(); break;
        case 52: ModalidadePagto = v.AsString(); break;
        case 53: ModalidadePagtoDescrita = v.AsString(); break;
        case 54: ModalidadePagtoExtenso = v.AsString(); break;
        case 55: CodigoRedeAutorizada = v.AsString(); break;
        case 56: Debito = v.AsBoolean(); break;
        case 57: Credito = v.AsBoolean(); break;
        case 58: Voucher = v.AsBoolean(); break;
        case 59: Digitado = v.AsBoolean(); break;
        case 60: ParceladoPor = static_cast<TOvraTEFRespParceladoPor>(v.AsInteger()); break;
        case 61: ValorEntradaCDC = v.AsFloat(); break;
        case 62: DataEntradaCDC = v.AsTimeStampSQL(); break;
        case 63: TipoOperacao = static_cast<TOvraTEFRespTipoOperacao>(v.AsInteger()); break;
        case 64: NFCeSAT().CodCredenciadora = v.AsString(); break;
        case 65: NFCeSAT().Autorizacao = v.AsString(); break;
        case 66: NFCeSAT().Bandeira = v.AsString(); break;
        case 67: NFCeSAT().CNPJCredenciadora = v.AsString(); break;
        case 68: NFCeSAT().DonoCartao = v.AsString(); break;
        case 69: NFCeSAT().DataExpiracao = v.AsString(); break;
        case 70: NFCeSAT().UltimosQuatroDigitos = v.AsString(); break;
        case 71: CodigoBandeiraPadrao = v.AsString(); break;
        case 72: Confirmar = v.AsBoolean(); break;
        case 73: QRCode = v.AsString(); break;
        case 74: IdCarteiraDigital = v.AsString(); break;
        case 75: NomeCarteiraDigital = v.AsString(); break;
        case 76: CodigoPSP = v.AsString(); break;
        case 77: NSU_TEF = v.AsString(); break;
        case 78: Sucesso = v.AsBoolean(); break;
        case 80: cb(seq).Acrescimo = v.AsFloat(); break;
        case 81: cb(seq).DataPagamento = v.AsTimeStampSQL(); break;
        case 82: cb(seq).DataVencimento = v.AsDate(); break;
        case 83: cb(seq).Desconto = v.AsFloat(); break;
        case 84: cb(seq).Documento = v.AsString(); break;
        case 85: cb(seq).NSUCancelamento = v.AsString(); break;
        case 86: cb(seq).NSUTransacaoCB = v.AsString(); break;
        case 87: cb(seq).TipoDocumento = v.AsInteger(); break;
        case 88: cb(seq).ValorOriginal = v.AsFloat(); break;
        case 89: cb(seq).ValorPago = v.AsFloat(); break;
        case 90: CorrespBancarios().TotalTitulos = v.AsFloat(); break;
        case 91: CorrespBancarios().TotalTitulosNaoPago = v.AsFloat(); break;
        default: ProcessarTipoInterno(linha); break;
        }
        // clang-format on
    }
}

// Every field of a response, each with a value of its own.
void Preencher(TRespTeste& r) {
    r.DefinirCabecalho("CRT", 7);
    r.Agencia = "1234";
    r.AgenciaDC = "5";
    r.Autenticacao = "AUT-99";
    r.SetArqBackup("/tef/Ovra_001.tef");
    r.ArqRespPendente = "/tef/pendente.tef";
    r.ViaClienteReduzida = true;
    r.Banco = "001";
    r.Cheque = "000123";
    r.ChequeDC = "7";
    r.CMC7 = "<00100014<0010000123>123456789012:";
    r.SetCNFEnviado(true);
    r.CodigoAutorizacaoTransacao = "A1B2C3";
    r.CodigoOperadoraCelular = "21";
    r.Conta = "98765";
    r.ContaDC = "X";
    r.DataCheque = Data(2026, 6, 1);
    r.DataHoraTransacaoCancelada = Data(2026, 4, 30, 8, 15, 0);
    r.DataHoraTransacaoComprovante = Data(2026, 5, 10, 14, 29, 58);
    r.DataHoraTransacaoHost = Data(2026, 5, 10, 14, 29, 59);
    r.DataHoraTransacaoLocal = Data(2026, 5, 10, 14, 30, 1);
    r.DataPreDatado = Data(2026, 7, 15);
    r.DocumentoPessoa = "12345678909";
    r.Finalizacao = "REDE=1;NSU=42;AUT=A1B2C3";
    r.Moeda = 986;
    r.NomeAdministradora = "Administradora São João";
    r.NomeOperadoraCelular = "Operadora";
    r.NSU = "000042";
    r.NSUTransacaoCancelada = "000041";
    r.NumeroLoteTransacao = 9000000001LL;
    r.NumeroRecargaCelular = "21999990000";
    r.QtdLinhasComprovante = 4;
    r.QtdParcelas = 2;
    r.Rede = "REDE";
    r.StatusTransacao = "00";
    r.TextoEspecialCliente = "RETIRE O CARTÃO";
    r.TextoEspecialOperador = "Transação aprovada\r\nConfira a assinatura";
    r.TipoPessoa = 'J';
    r.TipoTransacao = 10;
    r.Trailer = "FIM";
    r.BIN = "457173";
    r.ValorTotal = 19.99;
    r.ValorOriginal = 21.5;
    r.ValorRecargaCelular = 15.0;
    r.Saque = 50.0;
    r.Desconto = 0.05;
    r.TaxaServico = 1.01;
    r.DocumentoVinculado = "VENDA-0001";
    r.TipoParcelamento = 3;
    r.Parcelas().Add(
        std::make_unique<TOvraTEFRespParcela>(TOvraTEFRespParcela{Data(2026, 6, 10), 10.0, "000042"}));
    r.Parcelas().Add(
        std::make_unique<TOvraTEFRespParcela>(TOvraTEFRespParcela{Data(2026, 7, 10), 9.99, "000042"}));
    r.ImagemComprovante1aVia() = {"      COMPROVANTE DE CRÉDITO", "", "Cartão: ************1234",
                                  "VALOR: 19,99"};
    r.ImagemComprovante2aVia() = {"VIA DO ESTABELECIMENTO", "VALOR: 19,99"};
    r.DataVencimento = Data(2026, 8, 31);
    r.Instituicao = "Banco Exemplo";
    r.ModalidadePagto = "10";
    r.ModalidadePagtoDescrita = "Crédito";
    r.ModalidadePagtoExtenso = "Crédito parcelado pela loja";
    r.CodigoRedeAutorizada = "00005";
    r.Debito = true;
    r.Credito = true;
    r.Voucher = true;
    r.Digitado = true;
    r.ParceladoPor = parcLoja;
    r.ValorEntradaCDC = 100.25;
    r.DataEntradaCDC = Data(2026, 5, 11, 9, 0, 0);
    r.TipoOperacao = opParcelado;
    r.NFCeSAT() = {"001", "A1B2C3", "VISA", "01425787000104", "FULANO DE TAL", "12/29", "1234"};
    r.IdPagamento = 3;
    r.IdRespostaFiscal = 4;
    r.SerialPOS = "POS-778";
    r.Estabelecimento = "0123456789";
    r.CodigoBandeiraPadrao = "00001";
    r.Confirmar = true;
    r.QRCode = "00020101021226860014br.gov.bcb.pix";
    r.IdCarteiraDigital = "77";
    r.NomeCarteiraDigital = "Carteira";
    r.CodigoPSP = "PSP1";
    r.NSU_TEF = "T00042";
    r.Sucesso = true;
    TOvraTEFRespCB& cb = r.CorrespBancarios().Add();
    cb = {1.1,  Data(2026, 5, 10, 10, 0, 0), Data(2026, 5, 9), 0.5, "23790.12345", "", "CB0001", 2, 100.0,
          100.6};
    r.CorrespBancarios().Add(std::make_unique<TOvraTEFRespCB>(
        TOvraTEFRespCB{0.0, Data(2026, 5, 10, 10, 5, 0), Data(2026, 5, 20), 0.0, "84670000001", "CB0000",
                       "CB0002", 1, 55.3, 55.3}));
    r.CorrespBancarios().TotalTitulos = 155.9;
    r.CorrespBancarios().TotalTitulosNaoPago = 0.01;
}

void EsperarIguais(const TOvraTEFResp& a, const TOvraTEFResp& b) {
    EXPECT_EQ(a.Agencia, b.Agencia);
    EXPECT_EQ(a.AgenciaDC, b.AgenciaDC);
    EXPECT_EQ(a.Autenticacao, b.Autenticacao);
    EXPECT_EQ(a.ArqBackup(), b.ArqBackup());
    EXPECT_EQ(a.ArqRespPendente, b.ArqRespPendente);
    EXPECT_EQ(a.ViaClienteReduzida, b.ViaClienteReduzida);
    EXPECT_EQ(a.Banco, b.Banco);
    EXPECT_EQ(a.Cheque, b.Cheque);
    EXPECT_EQ(a.ChequeDC, b.ChequeDC);
    EXPECT_EQ(a.CMC7, b.CMC7);
    EXPECT_EQ(a.CNFEnviado(), b.CNFEnviado());
    EXPECT_EQ(a.CodigoAutorizacaoTransacao, b.CodigoAutorizacaoTransacao);
    EXPECT_EQ(a.CodigoOperadoraCelular, b.CodigoOperadoraCelular);
    EXPECT_EQ(a.Conta, b.Conta);
    EXPECT_EQ(a.ContaDC, b.ContaDC);
    EXPECT_EQ(a.DataCheque, b.DataCheque);
    EXPECT_EQ(a.DataHoraTransacaoCancelada, b.DataHoraTransacaoCancelada);
    EXPECT_EQ(a.DataHoraTransacaoComprovante, b.DataHoraTransacaoComprovante);
    EXPECT_EQ(a.DataHoraTransacaoHost, b.DataHoraTransacaoHost);
    EXPECT_EQ(a.DataHoraTransacaoLocal, b.DataHoraTransacaoLocal);
    EXPECT_EQ(a.DataPreDatado, b.DataPreDatado);
    EXPECT_EQ(a.DocumentoPessoa, b.DocumentoPessoa);
    EXPECT_EQ(a.Finalizacao, b.Finalizacao);
    EXPECT_EQ(a.Header(), b.Header());
    EXPECT_EQ(a.ID(), b.ID());
    EXPECT_EQ(a.Moeda, b.Moeda);
    EXPECT_EQ(a.NomeAdministradora, b.NomeAdministradora);
    EXPECT_EQ(a.NomeOperadoraCelular, b.NomeOperadoraCelular);
    EXPECT_EQ(a.NSU, b.NSU);
    EXPECT_EQ(a.NSUTransacaoCancelada, b.NSUTransacaoCancelada);
    EXPECT_EQ(a.NumeroLoteTransacao, b.NumeroLoteTransacao);
    EXPECT_EQ(a.NumeroRecargaCelular, b.NumeroRecargaCelular);
    EXPECT_EQ(a.QtdLinhasComprovante, b.QtdLinhasComprovante);
    EXPECT_EQ(a.QtdParcelas, b.QtdParcelas);
    EXPECT_EQ(a.Rede, b.Rede);
    EXPECT_EQ(a.StatusTransacao, b.StatusTransacao);
    EXPECT_EQ(a.TextoEspecialCliente, b.TextoEspecialCliente);
    EXPECT_EQ(a.TextoEspecialOperador, b.TextoEspecialOperador);
    EXPECT_EQ(a.TipoPessoa, b.TipoPessoa);
    EXPECT_EQ(a.TipoTransacao, b.TipoTransacao);
    EXPECT_EQ(a.Trailer, b.Trailer);
    EXPECT_EQ(a.BIN, b.BIN);
    EXPECT_EQ(a.ValorTotal, b.ValorTotal);
    EXPECT_EQ(a.ValorOriginal, b.ValorOriginal);
    EXPECT_EQ(a.ValorRecargaCelular, b.ValorRecargaCelular);
    EXPECT_EQ(a.Saque, b.Saque);
    EXPECT_EQ(a.Desconto, b.Desconto);
    EXPECT_EQ(a.TaxaServico, b.TaxaServico);
    EXPECT_EQ(a.DocumentoVinculado, b.DocumentoVinculado);
    EXPECT_EQ(a.TipoParcelamento, b.TipoParcelamento);
    ASSERT_EQ(a.Parcelas().Count(), b.Parcelas().Count());
    for (int i = 0; i < a.Parcelas().Count(); ++i) {
        EXPECT_EQ(a.Parcelas()[i].Vencimento, b.Parcelas()[i].Vencimento);
        EXPECT_EQ(a.Parcelas()[i].Valor, b.Parcelas()[i].Valor);
        EXPECT_EQ(a.Parcelas()[i].NSUParcela, b.Parcelas()[i].NSUParcela);
    }
    EXPECT_EQ(a.ImagemComprovante1aVia(), b.ImagemComprovante1aVia());
    EXPECT_EQ(a.ImagemComprovante2aVia(), b.ImagemComprovante2aVia());
    EXPECT_EQ(a.DataVencimento, b.DataVencimento);
    EXPECT_EQ(a.Instituicao, b.Instituicao);
    EXPECT_EQ(a.ModalidadePagto, b.ModalidadePagto);
    EXPECT_EQ(a.ModalidadePagtoDescrita, b.ModalidadePagtoDescrita);
    EXPECT_EQ(a.ModalidadePagtoExtenso, b.ModalidadePagtoExtenso);
    EXPECT_EQ(a.CodigoRedeAutorizada, b.CodigoRedeAutorizada);
    EXPECT_EQ(a.Debito, b.Debito);
    EXPECT_EQ(a.Credito, b.Credito);
    EXPECT_EQ(a.Voucher, b.Voucher);
    EXPECT_EQ(a.Digitado, b.Digitado);
    EXPECT_EQ(a.ParceladoPor, b.ParceladoPor);
    EXPECT_EQ(a.ValorEntradaCDC, b.ValorEntradaCDC);
    EXPECT_EQ(a.DataEntradaCDC, b.DataEntradaCDC);
    EXPECT_EQ(a.TipoOperacao, b.TipoOperacao);
    EXPECT_EQ(a.NFCeSAT().CodCredenciadora, b.NFCeSAT().CodCredenciadora);
    EXPECT_EQ(a.NFCeSAT().Autorizacao, b.NFCeSAT().Autorizacao);
    EXPECT_EQ(a.NFCeSAT().Bandeira, b.NFCeSAT().Bandeira);
    EXPECT_EQ(a.NFCeSAT().CNPJCredenciadora, b.NFCeSAT().CNPJCredenciadora);
    EXPECT_EQ(a.NFCeSAT().DonoCartao, b.NFCeSAT().DonoCartao);
    EXPECT_EQ(a.NFCeSAT().DataExpiracao, b.NFCeSAT().DataExpiracao);
    EXPECT_EQ(a.NFCeSAT().UltimosQuatroDigitos, b.NFCeSAT().UltimosQuatroDigitos);
    EXPECT_EQ(a.IdPagamento, b.IdPagamento);
    EXPECT_EQ(a.IdRespostaFiscal, b.IdRespostaFiscal);
    EXPECT_EQ(a.SerialPOS, b.SerialPOS);
    EXPECT_EQ(a.Estabelecimento, b.Estabelecimento);
    EXPECT_EQ(a.CodigoBandeiraPadrao, b.CodigoBandeiraPadrao);
    EXPECT_EQ(a.Confirmar, b.Confirmar);
    EXPECT_EQ(a.QRCode, b.QRCode);
    EXPECT_EQ(a.IdCarteiraDigital, b.IdCarteiraDigital);
    EXPECT_EQ(a.NomeCarteiraDigital, b.NomeCarteiraDigital);
    EXPECT_EQ(a.CodigoPSP, b.CodigoPSP);
    EXPECT_EQ(a.NSU_TEF, b.NSU_TEF);
    EXPECT_EQ(a.Sucesso, b.Sucesso);
    EXPECT_EQ(a.TransacaoAprovada(), b.TransacaoAprovada());
    ASSERT_EQ(a.CorrespBancarios().Count(), b.CorrespBancarios().Count());
    for (int i = 0; i < a.CorrespBancarios().Count(); ++i) {
        const TOvraTEFRespCB& x = a.CorrespBancarios()[i];
        const TOvraTEFRespCB& y = b.CorrespBancarios()[i];
        EXPECT_EQ(x.Acrescimo, y.Acrescimo);
        EXPECT_EQ(x.DataPagamento, y.DataPagamento);
        EXPECT_EQ(x.DataVencimento, y.DataVencimento);
        EXPECT_EQ(x.Desconto, y.Desconto);
        EXPECT_EQ(x.Documento, y.Documento);
        EXPECT_EQ(x.NSUCancelamento, y.NSUCancelamento);
        EXPECT_EQ(x.NSUTransacaoCB, y.NSUTransacaoCB);
        EXPECT_EQ(x.TipoDocumento, y.TipoDocumento);
        EXPECT_EQ(x.ValorOriginal, y.ValorOriginal);
        EXPECT_EQ(x.ValorPago, y.ValorPago);
    }
    EXPECT_EQ(a.CorrespBancarios().TotalTitulos, b.CorrespBancarios().TotalTitulos);
    EXPECT_EQ(a.CorrespBancarios().TotalTitulosNaoPago, b.CorrespBancarios().TotalTitulosNaoPago);
}

} // namespace

TEST(TOvraTEFResp, EveryFieldSurvivesTheFileAndACopy) {
    testsupport::FixedClock relogio(Agora);
    testsupport::TempDir pasta;
    const std::string nome = pasta.file("Ovra_001.tef");

    TRespTeste original;
    Preencher(original);
    original.PropertyToConteudo();
    original.Conteudo().GravarArquivo(nome, true);

    // The receipt is one line of the file, its line breaks escaped.
    const std::string bytes = platform::ReadFile(nome);
    EXPECT_NE(bytes.find("\r\n048-000 =       COMPROVANTE DE CR\\xC3\\x89DITO\\x0D\\x0A\\x0D\\x0ACart"),
              std::string::npos);
    EXPECT_NE(bytes.find("\r\n899-100 = CRT\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("\r\n899-103 = 1999\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("\r\n024-000 = Administradora S\xE3o Jo\xE3o\r\n"), std::string::npos);

    TRespTeste lido;
    lido.LeArquivo(nome);
    EsperarIguais(original, lido);
    EXPECT_EQ(lido.Conteudo().Conteudo(), original.Conteudo().Conteudo());

    TRespTeste copia;
    copia.Assign(lido);
    EsperarIguais(original, copia);
    EXPECT_EQ(copia.Conteudo().Conteudo(), original.Conteudo().Conteudo());

    // And nothing of it is left after Clear.
    copia.Clear();
    EsperarIguais(TRespTeste(), copia);
    EXPECT_EQ(copia.Conteudo().Count(), 0);
    EXPECT_EQ(copia.TipoPessoa, ' ');
}

TEST(TOvraTEFResp, ReadsTheSampleFile) {
    testsupport::TempDir pasta;
    const std::string nome = pasta.file("Ovra_002.tef");
    platform::WriteFileDurable(nome, "899-100 = CRT\r\n134-000 = 123456\r\n899-001 = S\r\n");
    TOvraTEFResp resp;
    resp.LeArquivo(nome);
    EXPECT_EQ(resp.Header(), "CRT");
    EXPECT_TRUE(resp.CNFEnviado());
    EXPECT_EQ(resp.LeInformacao(134, 0).AsInteger(), 123456);
    EXPECT_EQ(resp.LeInformacao(134, 0).AsString(), "123456");
}

struct CasoInterno {
    const char* linha;
    std::function<void(const TOvraTEFResp&)> verificar;
};

TEST(TOvraTEFResp, FrameworkKeysSetTheirFields) {
    const std::vector<CasoInterno> casos = {
        {"899-001 = S", [](const auto& r) { EXPECT_TRUE(r.CNFEnviado()); }},
        {"899-001 = s", [](const auto& r) { EXPECT_TRUE(r.CNFEnviado()); }},
        {"899-001 = N", [](const auto& r) { EXPECT_FALSE(r.CNFEnviado()); }},
        {"899-001 = SIM", [](const auto& r) { EXPECT_FALSE(r.CNFEnviado()); }},
        {"899-100 = CNC", [](const auto& r) { EXPECT_EQ(r.Header(), "CNC"); }},
        {"899-101 = 42", [](const auto& r) { EXPECT_EQ(r.ID(), 42); }},
        {"899-102 = VENDA-1", [](const auto& r) { EXPECT_EQ(r.DocumentoVinculado, "VENDA-1"); }},
        {"899-103 = 1999", [](const auto& r) { EXPECT_DOUBLE_EQ(r.ValorTotal, 19.99); }},
        {"899-104 = REDE", [](const auto& r) { EXPECT_EQ(r.Rede, "REDE"); }},
        {"899-500 = 3", [](const auto& r) { EXPECT_EQ(r.IdPagamento, 3); }},
        {"899-501 = 4", [](const auto& r) { EXPECT_EQ(r.IdRespostaFiscal, 4); }},
        {"899-502 = POS", [](const auto& r) { EXPECT_EQ(r.SerialPOS, "POS"); }},
        {"899-503 = LOJA", [](const auto& r) { EXPECT_EQ(r.Estabelecimento, "LOJA"); }},
        {"899-999 = CRT", [](const auto& r) { EXPECT_EQ(r.Header(), ""); }},
        {"898-100 = CRT", [](const auto& r) { EXPECT_EQ(r.Header(), ""); }},
    };
    for (const CasoInterno& caso : casos) {
        SCOPED_TRACE(caso.linha);
        TOvraTEFResp resp;
        resp.Conteudo().LeBytes(caso.linha);
        resp.ConteudoToProperty();
        caso.verificar(resp);
    }
}

TEST(TOvraTEFResp, ApprovedAmountAddsToWhatTheDriverMadeUp) {
    // A driver that takes a withdrawal from its own key before the framework's keys come by.
    class TRespSaque : public TOvraTEFResp {
    public:
        void ConteudoToProperty() override {
            ValorTotal = 0;
            for (int i = 0; i < Conteudo().Count(); ++i) {
                const TOvraTEFLinha& linha = Conteudo().Linha(i);
                if (linha.Identificacao() == 130)
                    ValorTotal += Saque = linha.Informacao().AsFloat();
                else
                    ProcessarTipoInterno(linha);
            }
        }
    };
    TRespSaque resp;
    resp.Conteudo().LeBytes("899-103 = 10000\r\n130-000 = 5000\r\n");
    resp.ConteudoToProperty();
    EXPECT_DOUBLE_EQ(resp.ValorTotal, 150.0);
}

TEST(TOvraTEFResp, CopyDoesNotCountTheApprovedAmountTwice) {
    TOvraTEFResp origem;
    origem.Conteudo().GravaInformacao(899, 103, "1999");
    origem.ConteudoToProperty();
    TOvraTEFResp copia;
    copia.Assign(origem);
    EXPECT_DOUBLE_EQ(copia.ValorTotal, 19.99);

    // A total that did not come from the lines is copied as it stands.
    TOvraTEFResp aMao;
    aMao.ValorTotal = 7.5;
    copia.Assign(aMao);
    EXPECT_DOUBLE_EQ(copia.ValorTotal, 7.5);
}

TEST(TOvraTEFResp, CopyHandsTheFieldsToTheRebuildAlreadyCopied) {
    TRespTeste origem;
    origem.Voucher = true;
    TRespTeste copia;
    copia.Assign(origem);
    EXPECT_TRUE(copia.VoucherAoReconstruir);
}

TEST(TOvraTEFResp, ConfirmationFlagIsKeptInTheLinesOnly) {
    testsupport::TempDir pasta;
    const std::string nome = pasta.file("Ovra_003.tef");
    TOvraTEFResp resp;
    resp.Conteudo().GravaInformacao(899, 100, "CRT");
    resp.Conteudo().GravarArquivo(nome, true);

    resp.SetCNFEnviado(true);
    EXPECT_TRUE(resp.CNFEnviado());
    EXPECT_EQ(resp.LeInformacao(899, 1).AsString(), "S");
    resp.SetCNFEnviado(false);
    EXPECT_FALSE(resp.CNFEnviado());
    EXPECT_EQ(resp.LeInformacao(899, 1).AsString(), "N");
    EXPECT_EQ(platform::ReadFile(nome), "899-100 = CRT\r\n");
}

TEST(TOvraTEFResp, BackupNameIsTrimmedAndApprovalFollowsSuccess) {
    TOvraTEFResp resp;
    resp.SetArqBackup("  /tef/Ovra_001.tef \t");
    EXPECT_EQ(resp.ArqBackup(), "/tef/Ovra_001.tef");
    EXPECT_FALSE(resp.TransacaoAprovada());
    resp.Sucesso = true;
    EXPECT_TRUE(resp.TransacaoAprovada());
}

TEST(TOvraTEFResp, ClassReferenceCreatesTheDriversResponse) {
    TOvraTEFRespClass classe = &OvraCriarTEFResp<TRespTeste>;
    TOvraTEFRespostas respostas;
    respostas.Add(classe());
    respostas.Add(OvraCriarTEFResp<TOvraTEFResp>());
    ASSERT_EQ(respostas.Count(), 2);
    EXPECT_NE(dynamic_cast<TRespTeste*>(&respostas[0]), nullptr);
    EXPECT_EQ(dynamic_cast<TRespTeste*>(&respostas[1]), nullptr);

    std::unique_ptr<TOvraTEFResp> retirada = respostas.Extract(0);
    EXPECT_NE(dynamic_cast<TRespTeste*>(retirada.get()), nullptr);
    respostas.Delete(0);
    EXPECT_EQ(respostas.Count(), 0);
    EXPECT_THROW(respostas.Delete(0), std::out_of_range);
}

TEST(TOvraTEFResp, BillsAndInstalmentsAreCopiedDeep) {
    TOvraTEFResp origem;
    origem.CorrespBancarios().Add().Documento = "doc";
    origem.CorrespBancarios().TotalTitulos = 10.0;
    origem.Parcelas().Add().Valor = 5.0;
    TOvraTEFResp copia;
    copia.Assign(origem);
    copia.CorrespBancarios()[0].Documento = "outro";
    copia.Parcelas()[0].Valor = 6.0;
    EXPECT_EQ(origem.CorrespBancarios()[0].Documento, "doc");
    EXPECT_EQ(origem.Parcelas()[0].Valor, 5.0);
    EXPECT_EQ(copia.CorrespBancarios().TotalTitulos, 10.0);

    copia.CorrespBancarios().Clear();
    EXPECT_EQ(copia.CorrespBancarios().Count(), 0);
    EXPECT_EQ(copia.CorrespBancarios().TotalTitulos, 0.0);
}

// ---------------------------------------------------------------------------------------------
// TOvraTEFParametros

TEST(TOvraTEFParametros, ValueInfoReadsWritesAndRemovesByCode) {
    TOvraTEFParametros params;
    EXPECT_EQ(params.ValueInfo(5005), "");
    params.SetValueInfo(5005, "abc");
    params.SetValueInfo(146, "1999");
    EXPECT_EQ(params.Linhas(), (std::vector<std::string>{"5005=abc", "146=1999"}));
    params.SetValueInfo(5005, "xyz");
    EXPECT_EQ(params.Linhas(), (std::vector<std::string>{"5005=xyz", "146=1999"}));
    params.SetValueInfo(5005, "");
    EXPECT_EQ(params.Linhas(), std::vector<std::string>{"146=1999"});
    EXPECT_EQ(params.ValueInfo(146), "1999");
}

TEST(TOvraTEFParametros, NamesIgnoreCaseAndTheFirstMatchWins) {
    TOvraTEFParametros params;
    params.Add("sem sinal de igual");
    params.Add("PWINFO_CURREXP=2");
    params.Add("pwinfo_currexp=3");
    params.Add("VAZIO=");
    EXPECT_EQ(params.Values("PwInfo_CurrExp"), "2");
    EXPECT_EQ(params.IndexOfName("pwinfo_currexp"), 1);
    EXPECT_EQ(params.IndexOfName("sem sinal de igual"), -1);
    EXPECT_EQ(params.Names(0), "");
    EXPECT_EQ(params.ValueFromIndex(2), "3");
    EXPECT_EQ(params.Values("VAZIO"), "");
    params.SetValues("PWINFO_CURREXP", "");
    EXPECT_EQ(params.Values("PWINFO_CURREXP"), "3");
}
