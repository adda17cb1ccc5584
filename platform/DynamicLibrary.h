#pragma once

#include <string>
#include <system_error>

namespace platform {

// A dynamic library loaded by path; freed when the object dies or Free is called.
class DynamicLibrary {
public:
    DynamicLibrary() = default;
    ~DynamicLibrary();
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;
    DynamicLibrary(DynamicLibrary&& outra) noexcept;
    DynamicLibrary& operator=(DynamicLibrary&& outra) noexcept;

    // Throws PlatformError with the system's text; the error_code form reports it in `erro` and
    // keeps the text for ErrorText().
    void Load(const std::string& caminho);
    bool Load(const std::string& caminho, std::error_code& erro);

    // nullptr when the library does not export the name.
    void* Symbol(const char* nome) const;
    template <typename F> F Function(const char* nome) const { return reinterpret_cast<F>(Symbol(nome)); }

    void Free();
    bool Loaded() const { return fHandle != nullptr; }
    const std::string& Path() const { return fCaminho; }
    const std::string& ErrorText() const { return fErro; }

private:
    void* fHandle = nullptr;
    std::string fCaminho;
    std::string fErro;
};

} // namespace platform
