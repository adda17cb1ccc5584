#include "OvraDeviceHook.h"

#include "OvraDevice.h"
#include "platform/Clock.h"

#include <algorithm>

TOvraDeviceHook::TOvraDeviceHook(TOvraDevice* AOwner) : TOvraDeviceClass(AOwner) {}

void TOvraDeviceHook::Conectar(const std::string& APorta, int ATimeOutMilissegundos) {
    TOvraDeviceClass::Conectar(APorta, ATimeOutMilissegundos);
    fsPendente.clear();
    if (HookAtivar)
        HookAtivar(APorta, Owner().DeviceToString(false));
}

void TOvraDeviceHook::Desconectar(bool IgnorarErros) {
    TOvraDeviceClass::Desconectar(IgnorarErros);
    fsPendente.clear();
    if (HookDesativar)
        HookDesativar(fpPorta);
}

void TOvraDeviceHook::EnviaString(const std::string& AString) {
    if (!HookEnviaString)
        return;
    GravaLog("  TOvraDeviceHook.EnviaString");
    HookEnviaString(AString);
}

std::string TOvraDeviceHook::LeString(int ATimeOutMilissegundos, int NumBytes,
                                      const std::string& Terminador) {
    if (!HookLeString)
        return {};
    platform::Clock& relogio = platform::CurrentClock();
    std::uint64_t prazo = relogio.Ticks() + static_cast<std::uint64_t>(std::max(ATimeOutMilissegundos, 0));
    std::string lido;
    lido.swap(fsPendente);
    for (bool primeira = true;; primeira = false) {
        if (!Terminador.empty()) {
            std::size_t achou = lido.find(Terminador);
            if (achou != std::string::npos) {
                fsPendente = lido.substr(achou + Terminador.size());
                return lido.substr(0, achou);
            }
        } else if (NumBytes >= 1) {
            if (lido.size() >= static_cast<std::size_t>(NumBytes)) {
                fsPendente = lido.substr(static_cast<std::size_t>(NumBytes));
                return lido.substr(0, static_cast<std::size_t>(NumBytes));
            }
        } else if (!primeira || !lido.empty()) {
            return lido;
        }
        if (!primeira && relogio.Ticks() >= prazo)
            return lido;
        int falta = NumBytes >= 1 ? NumBytes - static_cast<int>(lido.size()) : 1;
        std::string pedaco;
        HookLeString(std::max(falta, 1), ATimeOutMilissegundos, pedaco);
        if (pedaco.empty())
            relogio.Dormir(10); // a hook that answers at once with nothing must not spin the CPU
        lido += pedaco;
    }
}

void TOvraDeviceHook::Limpar() {
    fsPendente.clear();
    TOvraDeviceClass::Limpar();
}
