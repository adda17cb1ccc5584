// First, alone: the header must compile by itself.
#include "platform/FileSystem.h"

#include "platform/PlatformError.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;
using platform::PlatformError;
using testsupport::TempDir;

void Criar(const std::string& caminho, const std::string& conteudo = "") {
    std::ofstream(caminho, std::ios::binary) << conteudo;
}

// Every entry of a folder, hidden ones included: what a left-over temporary file would show up in.
std::vector<std::string> Entradas(const std::string& pasta) {
    std::vector<std::string> nomes;
    for (const auto& entrada : fs::directory_iterator(pasta))
        nomes.push_back(entrada.path().filename().string());
    std::sort(nomes.begin(), nomes.end());
    return nomes;
}

mode_t Permissoes(const std::string& caminho) {
    struct stat info {};
    EXPECT_EQ(::stat(caminho.c_str(), &info), 0);
    return info.st_mode & 07777;
}

// Expects a PlatformError whose text names the file and gives the system's reason.
template <typename F> void EsperarErro(F&& acao, const std::string& caminho, const std::string& causa) {
    try {
        acao();
        ADD_FAILURE() << "no exception for " << caminho;
    } catch (const PlatformError& e) {
        std::string texto = e.what();
        EXPECT_NE(texto.find(caminho), std::string::npos) << texto;
        EXPECT_NE(texto.find(causa), std::string::npos) << texto;
    }
}

TEST(FileSystemTest, PathPieces) {
    struct Caso {
        const char* caminho;
        const char* pasta;
        const char* nome;
    };
    const Caso casos[] = {
        {"/var/lib/quendo/intpos.001", "/var/lib/quendo", "intpos.001"},
        {"/var/lib/quendo/", "/var/lib/quendo", ""},
        {"/intpos.001", "/", "intpos.001"},
        {"intpos.001", "", "intpos.001"},
        {"req//intpos.001", "req", "intpos.001"},
        {"", "", ""},
    };
    for (const auto& caso : casos) {
        SCOPED_TRACE(caso.caminho);
        EXPECT_EQ(platform::ExtractFileDir(caso.caminho), caso.pasta);
        EXPECT_EQ(platform::ExtractFileName(caso.caminho), caso.nome);
    }

    EXPECT_EQ(platform::IncludeTrailingPathDelimiter("/tmp"), "/tmp/");
    EXPECT_EQ(platform::IncludeTrailingPathDelimiter("/tmp/"), "/tmp/");
    EXPECT_EQ(platform::IncludeTrailingPathDelimiter("/"), "/");
    // An empty folder is the current one, never the root.
    EXPECT_EQ(platform::IncludeTrailingPathDelimiter(""), "");
}

TEST(FileSystemTest, ExecutableDirectoryIsWhereTheProgramLies) {
    EXPECT_EQ(fs::canonical(platform::ExecutableDirectory()), fs::canonical(QUENDO_TEST_BINARY_DIR));
}

TEST(FileSystemTest, ExistenceTellsFilesFromFolders) {
    TempDir pasta;
    Criar(pasta.file("arquivo"));
    fs::create_directory(pasta.file("subpasta"));
    struct Caso {
        std::string caminho;
        bool arquivo, diretorio;
    };
    const Caso casos[] = {
        {pasta.file("arquivo"), true, false},
        {pasta.file("subpasta"), false, true},
        {pasta.file("nada"), false, false},
    };
    for (const auto& caso : casos) {
        SCOPED_TRACE(caso.caminho);
        EXPECT_EQ(platform::FileExists(caso.caminho), caso.arquivo);
        EXPECT_EQ(platform::DirectoryExists(caso.caminho), caso.diretorio);
    }
}

TEST(FileSystemTest, ListFilesMatchesNamesInOrderAndIgnoresFolders) {
    TempDir pasta;
    for (const char* nome : {"intpos.002", "intpos.001", "IntPos.010", "intpos.sts", "outro.001", "[a].txt"})
        Criar(pasta.file(nome));
    fs::create_directory(pasta.file("intpos.dir"));
    fs::create_symlink(pasta.file("outro.001"), pasta.file("intpos.lnk"));
    fs::create_directory_symlink(pasta.file("intpos.dir"), pasta.file("intpos.dlk"));

    struct Caso {
        const char* mascara;
        std::vector<std::string> nomes;
    };
    const Caso casos[] = {
        // Byte order: capitals first. A link counts as what it points at.
        {"intpos.*", {"intpos.001", "intpos.002", "intpos.lnk", "intpos.sts"}},
        {"*.001", {"intpos.001", "outro.001"}},
        {"I*.0?0", {"IntPos.010"}}, // case matters, as it does to the system
        {"*", {"IntPos.010", "[a].txt", "intpos.001", "intpos.002", "intpos.lnk", "intpos.sts", "outro.001"}},
        {"[a].txt", {"[a].txt"}}, // brackets are plain characters in file names
        {"intpos.00", {}},
    };
    for (const auto& caso : casos) {
        SCOPED_TRACE(caso.mascara);
        EXPECT_EQ(platform::ListFiles(pasta.path(), caso.mascara), caso.nomes);
    }
    EXPECT_TRUE(platform::ListFiles(pasta.file("nao-existe"), "*").empty());
}

TEST(FileSystemTest, CreateDirectoriesMakesTheParents) {
    TempDir pasta;
    const std::string funda = pasta.file("a/b/c");
    platform::CreateDirectories(funda);
    EXPECT_TRUE(platform::DirectoryExists(funda));
    platform::CreateDirectories(funda + "/"); // already there: nothing to do

    Criar(pasta.file("arquivo"));
    EsperarErro([&] { platform::CreateDirectories(pasta.file("arquivo/sub")); }, pasta.file("arquivo/sub"),
                "Not a directory");
}

TEST(FileSystemTest, DeleteFileTellsWhetherThereWasOne) {
    TempDir pasta;
    Criar(pasta.file("arquivo"));
    EXPECT_TRUE(platform::DeleteFile(pasta.file("arquivo")));
    EXPECT_FALSE(platform::FileExists(pasta.file("arquivo")));
    EXPECT_FALSE(platform::DeleteFile(pasta.file("arquivo")));
    EXPECT_THROW(platform::DeleteFile(pasta.path()), PlatformError);
}

TEST(FileSystemTest, ReadFileGivesEveryByte) {
    TempDir pasta;
    const std::string bytes("linha 1\r\n\0\xE7\xFF", 12);
    Criar(pasta.file("dados"), bytes);
    EXPECT_EQ(platform::ReadFile(pasta.file("dados")), bytes);

    Criar(pasta.file("vazio"));
    EXPECT_EQ(platform::ReadFile(pasta.file("vazio")), "");
}

TEST(FileSystemTest, ReadFileFailuresNameTheFile) {
    TempDir pasta;
    const std::string ausente = pasta.file("ausente");
    EsperarErro([&] { platform::ReadFile(ausente); }, ausente, "No such file or directory");

    std::string conteudo = "resto";
    std::error_code erro;
    EXPECT_FALSE(platform::ReadFile(ausente, conteudo, erro));
    EXPECT_EQ(erro, std::errc::no_such_file_or_directory);
    EXPECT_EQ(conteudo, "");

    EsperarErro([&] { platform::ReadFile(pasta.path()); }, pasta.path(), "Is a directory");
}

TEST(FileSystemTest, WriteFileDurableReplacesTheContentAndLeavesNothingBehind) {
    TempDir pasta;
    const std::string alvo = pasta.file("intpos.001");

    platform::WriteFileDurable(alvo, "primeiro conteúdo, mais longo");
    const mode_t mascara = ::umask(0);
    ::umask(mascara);
    EXPECT_EQ(Permissoes(alvo), 0644 & ~mascara);

    fs::permissions(alvo, fs::perms::owner_read | fs::perms::owner_write);
    platform::WriteFileDurable(alvo, "segundo");

    EXPECT_EQ(platform::ReadFile(alvo), "segundo");
    EXPECT_EQ(Permissoes(alvo), 0600u); // whoever restricted the file keeps it restricted
    EXPECT_EQ(Entradas(pasta.path()), std::vector<std::string>{"intpos.001"});

    platform::WriteFileDurable(alvo, "");
    EXPECT_EQ(platform::ReadFile(alvo), "");
}

TEST(FileSystemTest, WriteFileDurableFailuresNameTheFileAndLeaveNoTemporary) {
    TempDir pasta;
    fs::create_directory(pasta.file("uma-pasta"));
    struct Caso {
        std::string alvo;
        const char* causa;
    };
    const Caso casos[] = {
        {pasta.file("nao-existe/intpos.001"), "No such file or directory"},
        {pasta.file("uma-pasta"), "Is a directory"},
    };
    for (const auto& caso : casos) {
        SCOPED_TRACE(caso.alvo);
        EsperarErro([&] { platform::WriteFileDurable(caso.alvo, "novo"); }, caso.alvo, caso.causa);
        EXPECT_EQ(Entradas(pasta.path()), std::vector<std::string>{"uma-pasta"});
        EXPECT_TRUE(fs::is_empty(pasta.file("uma-pasta")));
    }
}

// The tests run as root, so permissions cannot make a write fail; a file size limit can, and the
// write then fails half way through, which is the case that must leave the old content alone.
class LimiteDeTamanho {
public:
    explicit LimiteDeTamanho(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &fAnterior);
        fSinalAnterior = std::signal(SIGXFSZ, SIG_IGN); // a plain EFBIG instead of a killed process
        rlimit limite = fAnterior;
        limite.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limite);
    }
    ~LimiteDeTamanho() {
        ::setrlimit(RLIMIT_FSIZE, &fAnterior);
        std::signal(SIGXFSZ, fSinalAnterior);
    }
    LimiteDeTamanho(const LimiteDeTamanho&) = delete;
    LimiteDeTamanho& operator=(const LimiteDeTamanho&) = delete;

private:
    rlimit fAnterior{};
    void (*fSinalAnterior)(int) = SIG_DFL;
};

TEST(FileSystemTest, AFailedDurableWriteKeepsTheOldContent) {
    TempDir pasta;
    const std::string alvo = pasta.file("intpos.001");
    platform::WriteFileDurable(alvo, "conteudo antigo");
    {
        LimiteDeTamanho limite(1 << 20);
        EsperarErro([&] { platform::WriteFileDurable(alvo, std::string((1 << 20) + 1, 'x')); }, alvo,
                    "File too large");
    }
    EXPECT_EQ(platform::ReadFile(alvo), "conteudo antigo");
    EXPECT_EQ(Entradas(pasta.path()), std::vector<std::string>{"intpos.001"});
}

TEST(FileSystemTest, AppendFileCreatesThenAppends) {
    TempDir pasta;
    const std::string log = pasta.file("tef.log");
    platform::AppendFile(log, "linha 1\r\n");
    platform::AppendFile(log, "linha 2\r\n");
    EXPECT_EQ(platform::ReadFile(log), "linha 1\r\nlinha 2\r\n");

    const std::string semPasta = pasta.file("nao-existe/tef.log");
    EsperarErro([&] { platform::AppendFile(semPasta, "x"); }, semPasta, "No such file or directory");
}

} // namespace
