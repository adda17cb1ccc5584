#include "platform/FileSystem.h"

#include "platform/PlatformError.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <memory>

namespace platform {

namespace {

std::error_code UltimoErro() {
    return {errno, std::generic_category()};
}

[[noreturn]] void Falhar(const std::string& acao, const std::string& caminho, std::error_code codigo) {
    throw PlatformError("cannot " + acao + " '" + caminho + "': " + codigo.message(), codigo);
}

[[noreturn]] void Falhar(const std::string& acao, const std::string& caminho) {
    Falhar(acao, caminho, UltimoErro());
}

// Closes on every way out; errors from close matter only where data was written, and there the
// caller closes by hand through Fechar().
class Descritor {
public:
    explicit Descritor(int fd) : fFd(fd) {}
    ~Descritor() {
        if (fFd >= 0)
            ::close(fFd);
    }
    Descritor(const Descritor&) = delete;
    Descritor& operator=(const Descritor&) = delete;

    int get() const { return fFd; }
    bool Fechar() {
        int fd = fFd;
        fFd = -1;
        // Linux frees the descriptor even when close reports EINTR, so it is never retried.
        return ::close(fd) == 0 || errno == EINTR;
    }

private:
    int fFd;
};

bool EscreverTudo(int fd, std::string_view conteudo) {
    while (!conteudo.empty()) {
        ssize_t escritos = ::write(fd, conteudo.data(), conteudo.size());
        if (escritos < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (escritos == 0) { // nothing taken and no reason given: do not spin
            errno = EIO;
            return false;
        }
        conteudo.remove_prefix(static_cast<std::size_t>(escritos));
    }
    return true;
}

bool Sincronizar(int fd) {
    while (::fsync(fd) != 0) {
        if (errno != EINTR)
            return false;
    }
    return true;
}

// The same rules as the mask of the Windows build: '*' is any run of characters, '?' is one, the
// rest compares exactly ('[' is an ordinary character, as it is in Windows file names).
bool Casa(std::string_view nome, std::string_view mascara) {
    std::size_t n = 0, m = 0;
    std::size_t estrela = std::string_view::npos, retomada = 0;
    while (n < nome.size()) {
        if (m < mascara.size() && (mascara[m] == '?' || mascara[m] == nome[n])) {
            ++n;
            ++m;
        } else if (m < mascara.size() && mascara[m] == '*') {
            estrela = m++;
            retomada = n;
        } else if (estrela != std::string_view::npos) {
            m = estrela + 1;
            n = ++retomada;
        } else {
            return false;
        }
    }
    while (m < mascara.size() && mascara[m] == '*')
        ++m;
    return m == mascara.size();
}

std::string NomeTemporario(const std::string& caminho) {
    // Hidden and named after its target, so a folder listing for "intpos.*" never picks up a file
    // half written, and a left-over (after a power cut) still tells whose it was. The process id
    // and a counter keep writers in different processes and threads apart.
    static std::atomic<unsigned> contador{0};
    std::string pasta = ExtractFileDir(caminho);
    std::string prefixo = pasta.empty() ? std::string() : IncludeTrailingPathDelimiter(pasta);
    return prefixo + "." + ExtractFileName(caminho) + "." + std::to_string(::getpid()) + "." +
           std::to_string(contador++) + ".tmp";
}

void SincronizarPasta(const std::string& caminho) {
    std::string pasta = ExtractFileDir(caminho);
    if (pasta.empty())
        pasta = ".";
    Descritor fd(::open(pasta.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() < 0)
        Falhar("open folder of", caminho);
    // Some file systems cannot flush a folder and say so with EINVAL; the rename is then as durable
    // as they make it.
    if (!Sincronizar(fd.get()) && errno != EINVAL)
        Falhar("flush folder of", caminho);
}

} // namespace

std::string CurrentDirectory() {
    std::string buffer(256, '\0');
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) {
            std::error_code codigo = UltimoErro();
            throw PlatformError("cannot read the current folder: " + codigo.message(), codigo);
        }
        buffer.resize(buffer.size() * 2);
    }
    buffer.resize(buffer.find('\0'));
    return buffer;
}

std::string ExecutableDirectory() {
    std::string buffer(256, '\0');
    for (;;) {
        ssize_t tamanho = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (tamanho < 0)
            Falhar("read", "/proc/self/exe");
        // readlink truncates silently; a full buffer may mean the path did not fit.
        if (static_cast<std::size_t>(tamanho) < buffer.size()) {
            buffer.resize(static_cast<std::size_t>(tamanho));
            return ExtractFileDir(buffer);
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::string IncludeTrailingPathDelimiter(std::string_view pasta) {
    std::string resultado(pasta);
    // An empty folder means the current one; turning it into "/" would send files to the root.
    if (!resultado.empty() && resultado.back() != PathDelim)
        resultado += PathDelim;
    return resultado;
}

std::string ExtractFileDir(std::string_view caminho) {
    std::size_t barra = caminho.rfind(PathDelim);
    if (barra == std::string_view::npos)
        return {};
    std::size_t fim = caminho.find_last_not_of(PathDelim, barra);
    if (fim == std::string_view::npos)
        return std::string(1, PathDelim); // the root keeps its only separator
    return std::string(caminho.substr(0, fim + 1));
}

std::string ExtractFileName(std::string_view caminho) {
    std::size_t barra = caminho.rfind(PathDelim);
    return std::string(barra == std::string_view::npos ? caminho : caminho.substr(barra + 1));
}

bool FileExists(const std::string& caminho) {
    struct stat info {};
    return ::stat(caminho.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool DirectoryExists(const std::string& caminho) {
    struct stat info {};
    return ::stat(caminho.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::vector<std::string> ListFiles(const std::string& pasta, const std::string& mascara) {
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(pasta.c_str()), ::closedir);
    if (!dir) {
        if (errno == ENOENT || errno == ENOTDIR)
            return {};
        Falhar("list", pasta);
    }
    std::vector<std::string> nomes;
    while (const dirent* entrada = ::readdir(dir.get())) {
        std::string_view nome = entrada->d_name;
        if (!Casa(nome, mascara))
            continue;
        bool regular = entrada->d_type == DT_REG;
        // Links count by what they point at; some file systems do not fill d_type at all.
        if (entrada->d_type == DT_LNK || entrada->d_type == DT_UNKNOWN) {
            struct stat info {};
            regular = ::fstatat(::dirfd(dir.get()), entrada->d_name, &info, 0) == 0 && S_ISREG(info.st_mode);
        }
        if (regular)
            nomes.emplace_back(nome);
    }
    std::sort(nomes.begin(), nomes.end());
    return nomes;
}

void CreateDirectories(const std::string& pasta) {
    if (pasta.empty())
        return;
    // Each prefix ending before a separator is a parent; the whole path is the last one.
    std::size_t pos = 0;
    for (;;) {
        pos = pasta.find(PathDelim, pos + 1);
        std::string parte = pasta.substr(0, pos);
        if (::mkdir(parte.c_str(), 0777) != 0) {
            if (errno != EEXIST)
                Falhar("create folder", pasta);
            if (!DirectoryExists(parte))
                Falhar("create folder", pasta, std::make_error_code(std::errc::not_a_directory));
        }
        if (pos == std::string::npos)
            return;
    }
}

bool DeleteFile(const std::string& caminho) {
    if (::unlink(caminho.c_str()) == 0)
        return true;
    if (errno == ENOENT)
        return false;
    Falhar("delete", caminho);
}

bool ReadFile(const std::string& caminho, std::string& conteudo, std::error_code& erro) {
    conteudo.clear();
    Descritor fd(::open(caminho.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        erro = UltimoErro();
        return false;
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) == 0 && info.st_size > 0)
        conteudo.reserve(static_cast<std::size_t>(info.st_size));
    char bloco[65536];
    for (;;) {
        ssize_t lidos = ::read(fd.get(), bloco, sizeof bloco);
        if (lidos == 0)
            break;
        if (lidos < 0) {
            if (errno == EINTR)
                continue;
            erro = UltimoErro();
            conteudo.clear();
            return false;
        }
        conteudo.append(bloco, static_cast<std::size_t>(lidos));
    }
    erro.clear();
    return true;
}

std::string ReadFile(const std::string& caminho) {
    std::string conteudo;
    std::error_code erro;
    if (!ReadFile(caminho, conteudo, erro))
        Falhar("read", caminho, erro);
    return conteudo;
}

void WriteFileDurable(const std::string& caminho, std::string_view conteudo) {
    struct stat anterior {};
    const bool existia = ::stat(caminho.c_str(), &anterior) == 0;

    std::string temporario;
    int criado = -1;
    for (int tentativa = 0; criado < 0 && tentativa < 100; ++tentativa) {
        temporario = NomeTemporario(caminho);
        // 0644 through open lets the kernel apply the umask, as for any new file of the program.
        criado = ::open(temporario.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (criado < 0 && errno != EEXIST)
            break;
    }
    if (criado < 0)
        Falhar("write", caminho);
    Descritor fd(criado);

    auto desistir = [&](std::error_code codigo) {
        ::unlink(temporario.c_str());
        Falhar("write", caminho, codigo);
    };
    // Whoever set the old file's permissions (a shared folder, a restricted log) keeps them.
    if (existia && ::fchmod(fd.get(), anterior.st_mode & 07777) != 0)
        desistir(UltimoErro());
    if (!EscreverTudo(fd.get(), conteudo) || !Sincronizar(fd.get()) || !fd.Fechar())
        desistir(UltimoErro());
    if (::rename(temporario.c_str(), caminho.c_str()) != 0)
        desistir(UltimoErro());
    // The rename lives in the folder; until the folder reaches the disk a crash may undo it.
    SincronizarPasta(caminho);
}

void AppendFile(const std::string& caminho, std::string_view conteudo) {
    Descritor fd(::open(caminho.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
    if (fd.get() < 0)
        Falhar("append to", caminho);
    if (!EscreverTudo(fd.get(), conteudo) || !fd.Fechar())
        Falhar("append to", caminho);
}

} // namespace platform
