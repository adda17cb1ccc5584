#pragma once

// The card networks PayGo Web knows: the host reports a network by its PayGo name, and the
// electronic fiscal receipt wants the acquirer's code and registration number for it.
//
// The table comes from the file "RedesPayGo.txt" beside the program when there is one, so a new
// network can be added without a new build; otherwise from the text built into the program.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct TOvraTEFPayGoRede {
    std::int32_t Codigo = 0;      // PayGo's network code
    std::string NomeTrad;         // the network's traditional name
    std::string NomePGWeb;        // the name the host reports in PWINFO_AUTHSYST
    std::int32_t CodSATCFe = 999; // the acquirer's code in the fiscal receipt; 999 when not given
    std::string CNPJ;             // the acquirer's registration number, as written in the data
};

class TOvraTEFPayGoTabelaRedes {
public:
    TOvraTEFPayGoTabelaRedes(std::string fileName, std::string resourceName);

    const std::string& FileName() const { return fpFileName; }
    // Throws EOvraTEFArquivo "Arquivo: %s não encontrado" for a file that is not there; a valid
    // name is kept and the table reloads on its next lookup.
    void SetFileName(const std::string& fileName);

    const std::string& ResourceName() const { return fpResourceName; }
    void SetResourceName(const std::string& resourceName);

    // nullptr when no network matches. The name is compared trimmed and without regard to case.
    const TOvraTEFPayGoRede* FindPGWeb(std::string_view nomePGWeb);
    const TOvraTEFPayGoRede* Find(std::int32_t codigo);

    int Count();
    const TOvraTEFPayGoRede& operator[](int indice);

    // Reads the file, or the built-in text, again.
    void Carregar();
    // Takes the networks from a text in the file's format instead.
    void CarregarDeTexto(std::string_view texto);

private:
    void CarregarSeNecessario();
    void CarregarTexto(std::string_view texto);

    std::string fpFileName;
    std::string fpResourceName;
    bool fpCarregada = false;
    std::vector<TOvraTEFPayGoRede> fpRedes;
};

// The one table of the program, made on first use with the program's folder + "RedesPayGo.txt" and
// the resource "RedesPayGo".
TOvraTEFPayGoTabelaRedes& OvraTEFPayGoTabelaRedes();

// A text built into the program, by name; empty for a name it does not hold.
std::string_view OvraTEFPayGoRecurso(std::string_view nome);
