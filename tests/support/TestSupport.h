#pragma once

// Small fixtures shared by the test programs: a private temporary folder, a fixed clock and a
// locale set for the duration of a test.

#include "platform/Clock.h"
#include "platform/Environment.h"

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>

namespace testsupport {

// A fresh folder that is removed with everything in it when the object dies.
class TempDir {
public:
    TempDir() {
        std::string base = std::filesystem::temp_directory_path().string() + "/quendo-XXXXXX";
        if (::mkdtemp(base.data()) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        fPath = base;
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(fPath, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return fPath; }
    std::string file(const std::string& nome) const { return fPath + "/" + nome; }

private:
    std::string fPath;
};

// A clock that stands still until told otherwise; installed as the program's clock while it lives.
class FixedClock : public platform::Clock {
public:
    explicit FixedClock(platform::TDateTime agora) : fAgora(agora) { platform::SetCurrentClock(this); }
    ~FixedClock() override { platform::SetCurrentClock(nullptr); }

    platform::TDateTime Agora() override { return fAgora; }
    std::uint64_t Ticks() override { return fTicks; }
    void Dormir(std::uint32_t ms) override { fTicks += ms; }

    void Set(platform::TDateTime agora) { fAgora = agora; }

private:
    platform::TDateTime fAgora;
    std::uint64_t fTicks = 0;
};

// Sets LC_ALL for the duration of a test and restores it after.
class ScopedLocale {
public:
    explicit ScopedLocale(const std::string& nome) : fAnterior(platform::GetEnv("LC_ALL")) {
        platform::SetEnv("LC_ALL", nome);
    }
    ~ScopedLocale() {
        if (fAnterior)
            platform::SetEnv("LC_ALL", *fAnterior);
        else
            platform::UnsetEnv("LC_ALL");
    }

private:
    std::optional<std::string> fAnterior;
};

// The text of the error an action raises, or "(no error)": one assertion covers both the error
// and its exact message.
template <typename F> std::string MensagemDoErro(F&& acao) {
    try {
        acao();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(no error)";
}

} // namespace testsupport
