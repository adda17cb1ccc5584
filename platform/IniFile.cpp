#include "IniFile.h"

#include "CodePage.h"
#include "FileSystem.h"
#include "Locale.h"
#include "PlatformError.h"
#include "Text.h"

namespace platform {

namespace {
// A line of a section: a key and its value, or any other line kept as it was read (comments,
// blank lines, garbage) so that a rewrite loses nothing.
struct Linha {
    std::string chave;
    std::string valor;
    std::string bruta;
    bool ehValor = false;
};

// Values are single-line by nature of the format: a line break inside one would start a new line
// on disk and corrupt the file, so it is written as a blank.
std::string SemQuebras(std::string v) {
    for (char& c : v)
        if (c == '\r' || c == '\n')
            c = ' ';
    return v;
}
} // namespace

struct IniFile::Secao {
    std::string nome; // empty for the lines before the first section
    bool cabecalho = true;
    bool nova = false; // created by this program, not read from the file
    std::vector<Linha> linhas;

    Linha* Achar(const std::string& chave) {
        for (auto& l : linhas)
            if (l.ehValor && SameTextAscii(l.chave, chave))
                return &l;
        return nullptr;
    }
};

IniFile::IniFile(std::string caminho) : fCaminho(std::move(caminho)) {
    Reload();
}

IniFile::IniFile(std::string caminho, Substituir) : fCaminho(std::move(caminho)) {}

IniFile::~IniFile() = default;

void IniFile::Reload() {
    fSecoes.clear();
    fIndice.clear();
    fPendente = false;
    std::string bytes;
    std::error_code erro;
    if (!ReadFile(fCaminho, bytes, erro)) {
        if (erro == std::errc::no_such_file_or_directory)
            return;
        throw PlatformError("Erro ao ler o arquivo " + fCaminho + ": " + erro.message(), erro);
    }
    const std::string texto = AnsiToUtf8(bytes);

    auto preambulo = std::make_unique<Secao>();
    preambulo->cabecalho = false;
    fSecoes.push_back(std::move(preambulo));
    std::size_t i = 0;
    while (i < texto.size()) {
        std::size_t fim = texto.find_first_of("\r\n", i);
        if (fim == std::string::npos)
            fim = texto.size();
        std::string linha = texto.substr(i, fim - i);
        i = fim;
        if (i < texto.size() && texto[i] == '\r')
            ++i;
        if (i < texto.size() && texto[i] == '\n')
            ++i;

        const std::string t = Trim(linha);
        if (t.size() >= 2 && t.front() == '[' && t.back() == ']') {
            auto s = std::make_unique<Secao>();
            s->nome = Trim(std::string_view(t).substr(1, t.size() - 2));
            fSecoes.push_back(std::move(s));
            continue;
        }
        Linha l;
        l.bruta = linha;
        const auto igual = linha.find('=');
        if (igual != std::string::npos && !t.empty() && t.front() != ';' && t.front() != '#') {
            l.chave = Trim(std::string_view(linha).substr(0, igual));
            l.valor = Trim(std::string_view(linha).substr(igual + 1));
            l.ehValor = !l.chave.empty();
        }
        fSecoes.back()->linhas.push_back(std::move(l));
    }
    if (fSecoes.front()->linhas.empty())
        fSecoes.erase(fSecoes.begin());
    Indexar();
}

// Sections are found through an index, so a sale with a thousand payments is not a thousand
// scans of the list per key. A section that appears twice is found at its first place.
void IniFile::Indexar() {
    fIndice.clear();
    for (const auto& s : fSecoes)
        if (s->cabecalho)
            fIndice.emplace(UpperAscii(s->nome), s.get());
}

IniFile::Secao* IniFile::Achar(const std::string& secao) const {
    const auto i = fIndice.find(UpperAscii(secao));
    return i == fIndice.end() ? nullptr : i->second;
}

IniFile::Secao& IniFile::AcharOuCriar(const std::string& secao) {
    if (Secao* s = Achar(secao))
        return *s;
    auto nova = std::make_unique<Secao>();
    nova->nome = secao;
    nova->nova = true;
    fIndice.emplace(UpperAscii(secao), nova.get());
    fSecoes.push_back(std::move(nova));
    return *fSecoes.back();
}

bool IniFile::SectionExists(const std::string& secao) const {
    return Achar(secao) != nullptr;
}

bool IniFile::ValueExists(const std::string& secao, const std::string& chave) const {
    Secao* s = Achar(secao);
    return s && s->Achar(chave);
}

std::vector<std::string> IniFile::Sections() const {
    std::vector<std::string> r;
    for (const auto& s : fSecoes)
        if (s->cabecalho)
            r.push_back(s->nome);
    return r;
}

std::vector<std::string> IniFile::Keys(const std::string& secao) const {
    std::vector<std::string> r;
    if (Secao* s = Achar(secao))
        for (const auto& l : s->linhas)
            if (l.ehValor)
                r.push_back(l.chave);
    return r;
}

std::string IniFile::ReadString(const std::string& secao, const std::string& chave,
                                const std::string& padrao) const {
    Secao* s = Achar(secao);
    Linha* l = s ? s->Achar(chave) : nullptr;
    return l ? l->valor : padrao;
}

std::int32_t IniFile::ReadInteger(const std::string& secao, const std::string& chave,
                                  std::int32_t padrao) const {
    return ParseInt32(ReadString(secao, chave, "")).value_or(padrao);
}

std::int64_t IniFile::ReadInt64(const std::string& secao, const std::string& chave,
                                std::int64_t padrao) const {
    return ParseInt64(ReadString(secao, chave, "")).value_or(padrao);
}

bool IniFile::ReadBool(const std::string& secao, const std::string& chave, bool padrao) const {
    return ReadInteger(secao, chave, padrao ? 1 : 0) != 0;
}

double IniFile::ReadFloat(const std::string& secao, const std::string& chave, double padrao) const {
    return ParseDecimal(ReadString(secao, chave, ""), UserLocaleFormats().separadorDecimal).value_or(padrao);
}

TDateTime IniFile::ReadDateTime(const std::string& secao, const std::string& chave, TDateTime padrao) const {
    const std::string texto = ReadString(secao, chave, "");
    if (texto.empty())
        return padrao;
    const LocaleFormats f = UserLocaleFormats();
    if (auto dt = ParseDateTime(f.formatoDataCurta + " " + f.formatoHoraLonga, texto))
        return *dt;
    if (auto d = ParseDateTime(f.formatoDataCurta, texto))
        return *d;
    return padrao;
}

void IniFile::WriteString(const std::string& secao, const std::string& chave, const std::string& valor) {
    Secao& s = AcharOuCriar(secao);
    if (Linha* l = s.Achar(chave)) {
        l->valor = SemQuebras(valor);
    } else {
        // A new key goes after the section's last value, before any blank lines that close it.
        auto pos = s.linhas.end();
        while (pos != s.linhas.begin() && Trim((pos - 1)->bruta).empty() && !(pos - 1)->ehValor)
            --pos;
        Linha nova;
        nova.chave = chave;
        nova.valor = SemQuebras(valor);
        nova.ehValor = true;
        s.linhas.insert(pos, std::move(nova));
    }
    Modificado();
}

void IniFile::WriteInteger(const std::string& secao, const std::string& chave, std::int64_t valor) {
    WriteString(secao, chave, std::to_string(valor));
}

void IniFile::WriteBool(const std::string& secao, const std::string& chave, bool valor) {
    WriteString(secao, chave, valor ? "1" : "0");
}

void IniFile::WriteFloat(const std::string& secao, const std::string& chave, double valor) {
    WriteString(secao, chave, FormatGeneral(valor, UserLocaleFormats().separadorDecimal));
}

void IniFile::WriteDateTime(const std::string& secao, const std::string& chave, TDateTime valor) {
    const LocaleFormats f = UserLocaleFormats();
    WriteString(secao, chave, FormatDateTime(f.formatoDataCurta + " " + f.formatoHoraLonga, valor));
}

void IniFile::EraseSection(const std::string& secao) {
    std::erase_if(fSecoes, [&](const auto& s) { return s->cabecalho && SameTextAscii(s->nome, secao); });
    Indexar();
    Modificado();
}

void IniFile::DeleteKey(const std::string& secao, const std::string& chave) {
    if (Secao* s = Achar(secao))
        std::erase_if(s->linhas, [&](const Linha& l) { return l.ehValor && SameTextAscii(l.chave, chave); });
    Modificado();
}

void IniFile::Clear() {
    fSecoes.clear();
    fIndice.clear();
    Modificado();
}

std::string IniFile::ToText() const {
    std::string t;
    bool terminouEmBranco = true;
    for (const auto& s : fSecoes) {
        if (s->cabecalho) {
            // A section this program adds is set apart by a blank line; sections read from the
            // file keep the spacing they had.
            if (s->nova && !terminouEmBranco)
                t += "\r\n";
            t += "[" + s->nome + "]\r\n";
        }
        terminouEmBranco = false;
        for (const auto& l : s->linhas) {
            t += l.ehValor ? l.chave + "=" + l.valor : l.bruta;
            t += "\r\n";
            terminouEmBranco = !l.ehValor && Trim(l.bruta).empty();
        }
    }
    return t;
}

void IniFile::Modificado() {
    fPendente = true;
    if (fLotes == 0)
        Salvar();
}

void IniFile::Salvar() {
    WriteFileDurable(fCaminho, Utf8ToAnsi(ToText()));
    fPendente = false;
}

IniFile::Lote::Lote(IniFile& ini) : fIni(ini) {
    ++fIni.fLotes;
}

IniFile::Lote::~Lote() {
    if (fAberto)
        --fIni.fLotes;
}

void IniFile::Lote::Concluir() {
    if (!fAberto)
        return;
    fAberto = false;
    if (--fIni.fLotes == 0 && fIni.fPendente)
        fIni.Salvar();
}

} // namespace platform
