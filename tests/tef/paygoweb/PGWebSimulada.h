#pragma once
// The stand-in PayGo Web library as the tests drive it: a scenario handed over through its extra
// export, and the transcript of the calls it received.

#include "platform/DynamicLibrary.h"
#include "tef/paygoweb/OvraTEFPayGoWebComum.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

// Where the build put a variant of the stand-in ("completa", "sem-opcionais", "sem-obrigatoria").
inline std::string PastaBiblioteca(const std::string& variante = "completa") {
    return std::string(QUENDO_PGWEB_STANDIN_DIR) + "/" + variante + "/";
}

class PGWebSimulada {
public:
    // The test's own handle keeps the stand-in loaded, so its scenario and the host's ledger
    // survive engines and components unloading and loading it again.
    explicit PGWebSimulada(std::string pasta) : fPasta(std::move(pasta)) {
        fControle.Load(PastaBiblioteca() + COvraPGWebLibNome);
    }

    // Replaces the scenario and starts an empty transcript.
    void Cenario(const std::string& texto) {
        std::ofstream(Arquivo("cenario.txt"), std::ios::trunc)
            << "transcript = " << Arquivo("transcricao.txt") << "\n"
            << texto;
        std::ofstream(Arquivo("transcricao.txt"), std::ios::trunc);
        using TCenario = std::int16_t (*)(const char*);
        ASSERT_EQ(fControle.Function<TCenario>("PWSim_Cenario")(Arquivo("cenario.txt").c_str()), 0);
    }

    // The transcript's lines, or only those that start with `inicio`.
    std::vector<std::string> Transcricao(const std::string& inicio = "") const {
        std::ifstream f(Arquivo("transcricao.txt"));
        std::vector<std::string> linhas;
        for (std::string linha; std::getline(f, linha);)
            if (linha.rfind(inicio, 0) == 0)
                linhas.push_back(linha);
        return linhas;
    }

private:
    std::string Arquivo(const char* nome) const { return fPasta + "/" + nome; }

    std::string fPasta;
    platform::DynamicLibrary fControle;
};
