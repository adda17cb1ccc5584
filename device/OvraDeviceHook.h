#pragma once

#include "OvraDeviceClass.h"

#include <functional>
#include <string>

// Callbacks that stand in for a port (a printer maker's library does the talking).
using TOvraHookAtivar = std::function<void(const std::string& APorta, const std::string& Params)>;
using TOvraHookDesativar = std::function<void(const std::string& APorta)>;
using TOvraHookEnviaString = std::function<void(const std::string& AString)>;
using TOvraHookLeString = std::function<void(int NumBytes, int ATimeOutMilissegundos, std::string& Retorno)>;

class TOvraDeviceHook : public TOvraDeviceClass {
public:
    explicit TOvraDeviceHook(TOvraDevice* AOwner);

    std::string ClassName() const override { return "TOvraDeviceHook"; }

    void Conectar(const std::string& APorta, int ATimeOutMilissegundos) override;
    void Desconectar(bool IgnorarErros = true) override;
    void EnviaString(const std::string& AString) override;
    // With a count: that many bytes; with a terminator: what precedes it (bytes that came after it
    // stay for the next read); with neither: what the first call returns. Stops at the time-out
    // with what it has.
    std::string LeString(int ATimeOutMilissegundos, int NumBytes, const std::string& Terminador) override;
    void Limpar() override;

    TOvraHookAtivar HookAtivar;
    TOvraHookDesativar HookDesativar;
    TOvraHookEnviaString HookEnviaString;
    TOvraHookLeString HookLeString;

private:
    std::string fsPendente;
};
