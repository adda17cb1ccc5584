// First, alone: the header must compile by itself.
#include "tef/OvraValidador.h"

#include <gtest/gtest.h>

namespace {

struct Caso {
    const char* numero;
    bool valido;
};

TEST(OvraValidadorTest, CPF) {
    const Caso casos[] = {
        {"52998224725", true},
        {"11144477735", true},
        {"00000000191", true},
        {"52998224724", false},
        {"52998224715", false}, // each check digit wrong on its own
        {"5299822472", false},
        {"529982247250", false},
        {"", false},
        {"529.982.247-25", false}, // punctuation is the caller's to strip
        {"5299822472a", false},
        // One repeated digit passes the arithmetic, yet no such CPF is issued.
        {"00000000000", false},
        {"11111111111", false},
        {"99999999999", false},
    };
    for (const auto& c : casos)
        EXPECT_EQ(OvraValidarCPF(c.numero), c.valido) << c.numero;
}

TEST(OvraValidadorTest, CNPJ) {
    const Caso casos[] = {
        {"11222333000181", true},      {"11444777000161", true},
        {"00000000000191", true},      {"11222333000182", false},
        {"11222333000191", false},     {"1122233300018", false},
        {"112223330001810", false},    {"", false},
        {"11.222.333/0001-81", false}, {"00000000000000", false},
        {"11111111111111", false},
    };
    for (const auto& c : casos)
        EXPECT_EQ(OvraValidarCNPJ(c.numero), c.valido) << c.numero;
}

TEST(OvraValidadorTest, TheLengthTellsCPFFromCNPJ) {
    const Caso casos[] = {
        {"52998224725", true},     {"11222333000181", true}, {"52998224724", false},
        {"11222333000182", false}, {"123456789012", false},  {"", false},
    };
    for (const auto& c : casos)
        EXPECT_EQ(OvraValidarCPFouCNPJ(c.numero), c.valido) << c.numero;
}

TEST(OvraValidadorTest, Modulo10) {
    EXPECT_EQ(OvraDigitoModulo10("7992739871"), 3);
    EXPECT_EQ(OvraDigitoModulo10("411111111111111"), 1);
    EXPECT_EQ(OvraDigitoModulo10("0"), 0);
    EXPECT_EQ(OvraDigitoModulo10(""), -1);
    EXPECT_EQ(OvraDigitoModulo10("12a"), -1);
    const Caso casos[] = {
        {"79927398713", true},
        {"4111111111111111", true},
        {"00", true},
        {"79927398710", false},
        {"4111111111111112", false},
        {"3", false},
        {"", false},
        {"7992 7398 713", false},
    };
    for (const auto& c : casos)
        EXPECT_EQ(OvraValidarModulo10(c.numero), c.valido) << c.numero;
}

TEST(OvraValidadorTest, DigitsAreKeptInOrder) {
    EXPECT_EQ(OvraSoDigitos("529.982.247-25"), "52998224725");
    EXPECT_EQ(OvraSoDigitos("a1b2"), "12");
    EXPECT_EQ(OvraSoDigitos("ÁÉ"), "");
}

} // namespace
