#include "platform/Text.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(Text, LogTextNamesControlBytes) {
    const std::string todos =
        std::string("\0\x01\x02\x03\x05\x06\x08\x09\x0A\x0C\x0D\x11\x15\x1B\x1C\x1D", 16);
    EXPECT_EQ(ToLogText(todos), "[NUL][SOH][STX][ETX][ENQ][ACK][BS][TAB][LF][FF][CR][WAK][NAK][ESC][FS][GS]");
    EXPECT_EQ(ToLogText("A ~\x04\x7F\xC3\xA7"), "A ~[4][127][195][167]");
}

TEST(Text, BinaryEscapeRoundTrip) {
    struct {
        std::string bytes;
        std::string escapado;
    } casos[] = {
        {"linha 1\r\nlinha 2", "linha 1\\x0D\\x0Alinha 2"},
        {std::string("\0\x1F \x7F\x80\xFF", 6), "\\x00\\x1F \x7F\\x80\\xFF"},
        {"sem nada", "sem nada"},
        {"\\x41 fica", "\\x41 fica"},
    };
    for (const auto& c : casos) {
        EXPECT_EQ(EscapeBinary(c.bytes), c.escapado);
        if (c.bytes.find("\\x") == std::string::npos)
            EXPECT_EQ(UnescapeBinary(c.escapado), c.bytes);
    }
}

TEST(Text, UnescapeLeavesBadEscapesAlone) {
    EXPECT_EQ(UnescapeBinary("\\x0d\\x0A"), "\r\n");
    EXPECT_EQ(UnescapeBinary("\\xZZ"), "\\xZZ");
    EXPECT_EQ(UnescapeBinary("fim\\x4"), "fim\\x4");
    EXPECT_EQ(UnescapeBinary("fim\\x"), "fim\\x");
    EXPECT_EQ(UnescapeBinary("\\"), "\\");
    EXPECT_EQ(UnescapeBinary("\\X41"), "\\X41");
}

TEST(Text, IntegersParseOnlyWhenWhole) {
    EXPECT_EQ(ParseInt32("123"), 123);
    EXPECT_EQ(ParseInt32("-7"), -7);
    EXPECT_EQ(ParseInt32("+7"), 7);
    EXPECT_EQ(ParseInt32("2147483647"), 2147483647);
    for (const char* t : {"", "12a", "2147483648", "1.0", " 1", "-", "+"})
        EXPECT_FALSE(ParseInt32(t)) << t;
    EXPECT_EQ(ParseInt64("9223372036854775807"), INT64_MAX);
}

TEST(Text, GeneralFormat) {
    struct {
        double valor;
        char sep;
        const char* texto;
    } casos[] = {
        {19.99, ',', "19,99"}, {19.99, '.', "19.99"},  {0, ',', "0"},
        {100, ',', "100"},     {-2.5, ',', "-2,5"},    {0.1 + 0.2, '.', "0.3"},
        {1e20, '.', "1E20"},   {0.00001, '.', "1E-5"}, {123456789012.34, ',', "123456789012,34"},
    };
    for (const auto& c : casos)
        EXPECT_EQ(FormatGeneral(c.valor, c.sep), c.texto) << c.valor;
}

TEST(Text, DecimalParsing) {
    EXPECT_EQ(ParseDecimal("19,99", ','), 19.99);
    EXPECT_EQ(ParseDecimal("19.99", ','), 19.99);
    EXPECT_EQ(ParseDecimal(" -2,5 ", ','), -2.5);
    EXPECT_EQ(ParseDecimal("1E-5", '.'), 0.00001);
    for (const char* t : {"", "abc", "1,000.5", "1.2.3", "inf", "nan", "1e999"})
        EXPECT_FALSE(ParseDecimal(t, ',')) << t;
}

TEST(Text, TrimTakesEveryControlCharacter) {
    EXPECT_EQ(Trim("\t \r\n valor \x01"), "valor");
    EXPECT_EQ(TrimLeft("  a "), "a ");
    EXPECT_EQ(TrimRight("  a "), "  a");
    EXPECT_TRUE(SameTextAscii("Venda", "VENDA"));
    EXPECT_FALSE(SameTextAscii("Venda", "Vendas"));
}

TEST(Text, TefLogLine) {
    auto dt = *EncodeDateTime(2026, 1, 2, 3, 4, 5, 6);
    EXPECT_EQ(FormatTefLogLine(dt, "Inicializando"), "02/01/26 03:04:05:006 - Inicializando\r\n");
}
