#pragma once

// A print server of the test's own: a cupsd listening on a unix socket in a temporary folder, with
// a "capture" backend that appends each job to the file named in its device URI. CUPS_SERVER
// points at it while the object lives. Nothing here talks to the machine's own print server.

#include "tests/support/TestSupport.h"

#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace testsupport {

class PrivateCups {
public:
    PrivateCups() : fAnterior(platform::GetEnv("CUPS_SERVER")) {
        namespace fs = std::filesystem;
        std::string cupsd = Achar({"/usr/sbin/cupsd", "/usr/local/sbin/cupsd"});
        std::string daemon = Achar({"/usr/lib/cups/daemon", "/usr/libexec/cups/daemon"});
        fLpadmin = Achar({"/usr/sbin/lpadmin", "/usr/local/sbin/lpadmin", "/usr/bin/lpadmin"});

        const std::string& raiz = fPasta.path();
        for (const char* sub : {"bin/backend", "spool", "cache", "state", "tmp"})
            fs::create_directories(raiz + "/" + sub);
        fs::create_directory_symlink(daemon, raiz + "/bin/daemon");
        std::string backend = raiz + "/bin/backend/capture";
        Escrever(backend, "#!/bin/sh\n"
                          "if [ $# -eq 0 ]; then echo 'direct capture \"Unknown\" \"Capture\"'; exit 0; fi\n"
                          "out=\"${DEVICE_URI#capture:}\"\n"
                          "if [ $# -ge 6 ]; then cat \"$6\" >> \"$out\"; else cat >> \"$out\"; fi\n"
                          "exit 0\n");
        // 0700: cupsd runs a backend that only its owner may run as that owner (root here).
        ::chmod(backend.c_str(), 0700);
        fSocket = raiz + "/cups.sock";
        Escrever(raiz + "/cupsd.conf",
                 "Listen " + fSocket +
                     "\nWebInterface No\nLogLevel warn\nDefaultAuthType None\n"
                     "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                     "<Policy default>\n  <Limit All>\n    Order deny,allow\n    Allow all\n"
                     "  </Limit>\n</Policy>\n");
        Escrever(raiz + "/cups-files.conf", "ServerRoot " + raiz + "\nRequestRoot " + raiz +
                                                "/spool\nCacheDir " + raiz + "/cache\nStateDir " + raiz +
                                                "/state\nTempDir " + raiz + "/tmp\nServerBin " + raiz +
                                                "/bin\nAccessLog " + raiz + "/access_log\nErrorLog " + raiz +
                                                "/error_log\nPageLog " + raiz + "/page_log\n");

        posix_spawnattr_t atributos;
        posix_spawnattr_init(&atributos);
        posix_spawnattr_setflags(&atributos, POSIX_SPAWN_SETPGROUP);
        posix_spawnattr_setpgroup(&atributos, 0); // a group of its own, so that it stops whole
        std::string conf = raiz + "/cupsd.conf", files = raiz + "/cups-files.conf";
        std::vector<char*> argv = {const_cast<char*>(cupsd.c_str()),
                                   const_cast<char*>("-f"),
                                   const_cast<char*>("-c"),
                                   conf.data(),
                                   const_cast<char*>("-s"),
                                   files.data(),
                                   nullptr};
        int r = ::posix_spawn(&fPid, cupsd.c_str(), nullptr, &atributos, argv.data(), environ);
        posix_spawnattr_destroy(&atributos);
        if (r != 0)
            throw std::runtime_error("cannot start cupsd");
        platform::SetEnv("CUPS_SERVER", fSocket);
        EsperarSocket();
    }

    ~PrivateCups() {
        if (fPid > 0) {
            ::kill(-fPid, SIGTERM);
            int status = 0;
            ::waitpid(fPid, &status, 0);
        }
        if (fAnterior)
            platform::SetEnv("CUPS_SERVER", *fAnterior);
        else
            platform::UnsetEnv("CUPS_SERVER");
    }

    PrivateCups(const PrivateCups&) = delete;
    PrivateCups& operator=(const PrivateCups&) = delete;

    // Adds a raw queue that captures its jobs; returns the capture file.
    std::string AddQueue(const std::string& nome) {
        std::string arquivo = fPasta.file(nome + ".captured");
        Rodar({fLpadmin, "-p", nome, "-E", "-v", "capture:" + arquivo});
        return arquivo;
    }

    void SetDefault(const std::string& nome) { Rodar({fLpadmin, "-d", nome}); }

    // The capture file once it holds `tamanho` bytes; the job goes through the server's own
    // process, so the test waits for it (up to ten seconds, normally a few milliseconds).
    static std::string WaitForCapture(const std::string& arquivo, std::size_t tamanho) {
        auto prazo = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        std::string conteudo;
        while (std::chrono::steady_clock::now() < prazo) {
            std::ifstream in(arquivo, std::ios::binary);
            std::ostringstream s;
            s << in.rdbuf();
            conteudo = s.str();
            if (conteudo.size() >= tamanho)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return conteudo;
    }

    const std::string& Socket() const { return fSocket; }

private:
    static std::string Achar(std::initializer_list<const char*> caminhos) {
        for (const char* c : caminhos)
            if (std::filesystem::exists(c))
                return c;
        // CI installs the print server; a machine without it must not pass these tests unseen.
        throw std::runtime_error(std::string("not installed: ") + *caminhos.begin() +
                                 " (scripts/setup.sh installs cups-daemon and cups-client)");
    }

    static void Escrever(const std::string& caminho, const std::string& conteudo) {
        std::ofstream(caminho, std::ios::binary) << conteudo;
    }

    void EsperarSocket() {
        auto prazo = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < prazo) {
            int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un endereco{};
            endereco.sun_family = AF_UNIX;
            fSocket.copy(endereco.sun_path, sizeof endereco.sun_path - 1);
            bool pronto = ::connect(fd, reinterpret_cast<sockaddr*>(&endereco), sizeof endereco) == 0;
            ::close(fd);
            if (pronto)
                return;
            int status = 0;
            if (::waitpid(fPid, &status, WNOHANG) == fPid) {
                fPid = -1;
                throw std::runtime_error("cupsd ended at start; see " + fPasta.file("error_log"));
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        throw std::runtime_error("cupsd did not start listening");
    }

    static void Rodar(std::vector<std::string> args) {
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        pid_t pid = 0;
        if (::posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
            throw std::runtime_error("cannot run " + args[0]);
        int status = 0;
        ::waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            throw std::runtime_error(args[0] + " failed");
    }

    TempDir fPasta;
    std::optional<std::string> fAnterior;
    std::string fLpadmin;
    std::string fSocket;
    pid_t fPid = -1;
};

} // namespace testsupport
