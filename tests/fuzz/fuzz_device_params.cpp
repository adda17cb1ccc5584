// Any bytes as a serial configuration string: it is either refused with a device error, changing
// nothing, or accepted, and then what the device writes back reads as the same configuration.

#include "device/OvraDevice.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#define Exigir(condicao) ((condicao) ? (void)0 : Falhar(#condicao, __LINE__))

namespace {

[[noreturn]] void Falhar(const char* condicao, int linha) {
    std::fprintf(stderr, "fuzz_device_params.cpp:%d: falhou: %s\n", linha, condicao);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* dados, std::size_t tamanho) {
    std::string texto(reinterpret_cast<const char*>(dados), tamanho);
    TOvraDevice device;
    device.SetParamsString("BAUD=19200 PARITY=E SENDBYTESCOUNT=32");
    const std::string antes = device.DeviceToString(false);
    try {
        device.SetParamsString(texto);
    } catch (const EOvraDevice&) {
        Exigir(device.DeviceToString(false) == antes);
        return 0;
    }
    const std::string completo = device.DeviceToString(false);
    const std::string curto = device.ParamsString();
    TOvraDevice copia;
    copia.SetParamsString(completo);
    Exigir(copia.DeviceToString(false) == completo);
    copia.SetParamsString(curto);
    Exigir(copia.DeviceToString(false) == completo);
    return 0;
}
