#pragma once

#include "Currency.h"
#include "DateTime.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace platform {

// An INI file: "[section]" lines and "key=value" lines, kept in the system's single-byte code page
// on disk and UTF-8 in memory. Sections and keys compare case-insensitively and keep their order;
// what the program does not know survives a rewrite. A missing file reads as empty.
//
// Every write is saved to the file at once (durably), unless a Lote (batch) is open: then the file
// is saved once, when the outermost batch ends.
class IniFile {
public:
    explicit IniFile(std::string caminho);
    // Starts empty without reading the file, for a writer that replaces its whole content.
    struct Substituir {};
    IniFile(std::string caminho, Substituir);
    ~IniFile();

    const std::string& FileName() const { return fCaminho; }

    // Reloads from disk; a missing file reads as empty. Throws PlatformError when the file exists
    // but cannot be read.
    void Reload();

    bool SectionExists(const std::string& secao) const;
    bool ValueExists(const std::string& secao, const std::string& chave) const;
    std::vector<std::string> Sections() const;
    std::vector<std::string> Keys(const std::string& secao) const;

    std::string ReadString(const std::string& secao, const std::string& chave,
                           const std::string& padrao) const;
    std::int32_t ReadInteger(const std::string& secao, const std::string& chave, std::int32_t padrao) const;
    std::int64_t ReadInt64(const std::string& secao, const std::string& chave, std::int64_t padrao) const;
    bool ReadBool(const std::string& secao, const std::string& chave, bool padrao) const;
    // Decimal in the general number format with the user's decimal separator.
    double ReadFloat(const std::string& secao, const std::string& chave, double padrao) const;
    // Date-time in the user's short date and long time format.
    TDateTime ReadDateTime(const std::string& secao, const std::string& chave, TDateTime padrao) const;

    void WriteString(const std::string& secao, const std::string& chave, const std::string& valor);
    void WriteInteger(const std::string& secao, const std::string& chave, std::int64_t valor);
    void WriteBool(const std::string& secao, const std::string& chave, bool valor);
    void WriteFloat(const std::string& secao, const std::string& chave, double valor);
    void WriteDateTime(const std::string& secao, const std::string& chave, TDateTime valor);

    void EraseSection(const std::string& secao);
    void DeleteKey(const std::string& secao, const std::string& chave);
    // Empties the whole content (the file is saved like any other write).
    void Clear();

    // Writes made while a Lote is open are kept in memory and saved together by Concluir (which
    // throws like any save). A Lote dropped without Concluir, as when an error unwinds, saves
    // nothing: the file keeps its old content.
    class Lote {
    public:
        explicit Lote(IniFile& ini);
        ~Lote();
        Lote(const Lote&) = delete;
        Lote& operator=(const Lote&) = delete;
        void Concluir();

    private:
        IniFile& fIni;
        bool fAberto = true;
    };

    // The file's text as it would be saved (UTF-8).
    std::string ToText() const;

private:
    struct Secao;
    Secao* Achar(const std::string& secao) const;
    Secao& AcharOuCriar(const std::string& secao);
    void Modificado();
    void Salvar();

    std::string fCaminho;
    void Indexar();

    std::vector<std::unique_ptr<Secao>> fSecoes;
    std::unordered_map<std::string, Secao*> fIndice; // upper-cased name -> first section of that name
    int fLotes = 0;
    bool fPendente = false;
};

} // namespace platform
