// First, alone: the header must compile by itself.
#include "platform/DynamicLibrary.h"

#include "platform/PlatformError.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

using platform::DynamicLibrary;
using Soma = int (*)(int, int);

TEST(DynamicLibraryTest, LoadsALibraryAndFindsItsFunctions) {
    DynamicLibrary biblioteca;
    biblioteca.Load(QUENDO_SAMPLE_LIBRARY);

    ASSERT_TRUE(biblioteca.Loaded());
    EXPECT_EQ(biblioteca.Path(), QUENDO_SAMPLE_LIBRARY);
    auto soma = biblioteca.Function<Soma>("quendo_amostra_soma");
    ASSERT_NE(soma, nullptr);
    EXPECT_EQ(soma(2, 3), 5);
    EXPECT_EQ(biblioteca.Symbol("quendo_nao_existe"), nullptr);

    biblioteca.Free();
    EXPECT_FALSE(biblioteca.Loaded());
    EXPECT_EQ(biblioteca.Symbol("quendo_amostra_soma"), nullptr);
}

TEST(DynamicLibraryTest, MovingHandsTheLibraryOver) {
    DynamicLibrary origem;
    origem.Load(QUENDO_SAMPLE_LIBRARY);

    DynamicLibrary destino = std::move(origem);

    EXPECT_FALSE(origem.Loaded()); // the moved-from object must not free what it gave away
    ASSERT_TRUE(destino.Loaded());
    EXPECT_NE(destino.Symbol("quendo_amostra_soma"), nullptr);
}

TEST(DynamicLibraryTest, FailuresCarryTheLoadersText) {
    testsupport::TempDir pasta;
    std::ofstream(pasta.file("texto.so")) << "not a library";
    struct Caso {
        std::string caminho;
        std::errc codigo;
        std::string causa; // the system's words, where they do not vary between versions
    };
    const Caso casos[] = {
        {pasta.file("nao-existe.so"), std::errc::no_such_file_or_directory, "No such file or directory"},
        {pasta.file("texto.so"), std::errc::executable_format_error, ""},
    };
    for (const auto& caso : casos) {
        SCOPED_TRACE(caso.caminho);
        DynamicLibrary biblioteca;
        std::error_code erro;
        EXPECT_FALSE(biblioteca.Load(caso.caminho, erro));
        EXPECT_EQ(erro, caso.codigo);
        EXPECT_FALSE(biblioteca.Loaded());
        // The loader's own words, which name the file.
        EXPECT_NE(biblioteca.ErrorText().find(caso.caminho), std::string::npos) << biblioteca.ErrorText();
        EXPECT_NE(biblioteca.ErrorText().find(caso.causa), std::string::npos) << biblioteca.ErrorText();

        try {
            biblioteca.Load(caso.caminho);
            ADD_FAILURE() << "no exception";
        } catch (const platform::PlatformError& e) {
            EXPECT_EQ(e.what(), biblioteca.ErrorText());
            EXPECT_EQ(e.Codigo(), caso.codigo);
        }
    }
}

} // namespace
