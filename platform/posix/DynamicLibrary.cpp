#include "platform/DynamicLibrary.h"

#include "platform/PlatformError.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <utility>

namespace platform {

namespace {

// The loader only gives text; callers that branch on the failure want a code too. A file that is
// there but will not load (wrong format, missing dependency, bad architecture) is told apart from a
// file that is not there at all.
std::error_code CodigoDaFalha(const std::string& caminho) {
    struct stat info {};
    if (caminho.find('/') != std::string::npos && ::stat(caminho.c_str(), &info) == 0)
        return std::make_error_code(std::errc::executable_format_error);
    return std::make_error_code(std::errc::no_such_file_or_directory);
}

} // namespace

DynamicLibrary::~DynamicLibrary() {
    Free();
}

DynamicLibrary::DynamicLibrary(DynamicLibrary&& outra) noexcept
    : fHandle(std::exchange(outra.fHandle, nullptr)), fCaminho(std::move(outra.fCaminho)),
      fErro(std::move(outra.fErro)) {}

DynamicLibrary& DynamicLibrary::operator=(DynamicLibrary&& outra) noexcept {
    if (this != &outra) {
        Free();
        fHandle = std::exchange(outra.fHandle, nullptr);
        fCaminho = std::move(outra.fCaminho);
        fErro = std::move(outra.fErro);
    }
    return *this;
}

void DynamicLibrary::Load(const std::string& caminho) {
    std::error_code erro;
    if (!Load(caminho, erro))
        throw PlatformError(fErro, erro);
}

bool DynamicLibrary::Load(const std::string& caminho, std::error_code& erro) {
    Free();
    // RTLD_NOW: a library missing a symbol it needs fails here, with the loader's text, instead of
    // at the first call into it. RTLD_LOCAL: two vendor libraries may export the same names.
    void* handle = ::dlopen(caminho.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* texto = ::dlerror();
        fErro = texto != nullptr ? texto : caminho + ": cannot load library";
        erro = CodigoDaFalha(caminho);
        return false;
    }
    fHandle = handle;
    fCaminho = caminho;
    fErro.clear();
    erro.clear();
    return true;
}

void* DynamicLibrary::Symbol(const char* nome) const {
    // dlsym(nullptr, ...) would search the whole program, never what an empty object means.
    if (fHandle == nullptr)
        return nullptr;
    void* endereco = ::dlsym(fHandle, nome);
    if (endereco == nullptr)
        ::dlerror(); // drop the pending text so a later failure reports only itself
    return endereco;
}

void DynamicLibrary::Free() {
    if (fHandle != nullptr)
        ::dlclose(fHandle);
    fHandle = nullptr;
    fCaminho.clear();
}

} // namespace platform
