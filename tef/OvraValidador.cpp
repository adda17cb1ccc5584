#include "OvraValidador.h"

#include <algorithm>

namespace {

bool SoDigitos(std::string_view texto) {
    return !texto.empty() &&
           std::all_of(texto.begin(), texto.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool UmSoDigito(std::string_view digitos) {
    return std::all_of(digitos.begin(), digitos.end(), [&](char c) { return c == digitos.front(); });
}

// The modulus-11 check digit of the first `n` digits, the weights rising from 2 at the right up to
// `pesoMaximo` and starting again at 2.
int DigitoModulo11(std::string_view digitos, std::size_t n, int pesoMaximo) {
    int soma = 0, peso = 2;
    for (std::size_t i = n; i-- > 0;) {
        soma += (digitos[i] - '0') * peso;
        peso = peso == pesoMaximo ? 2 : peso + 1;
    }
    const int resto = soma % 11;
    return resto < 2 ? 0 : 11 - resto;
}

bool ValidarModulo11(std::string_view digitos, std::size_t tamanho, int pesoMaximo) {
    if (digitos.size() != tamanho || !SoDigitos(digitos) || UmSoDigito(digitos))
        return false;
    return DigitoModulo11(digitos, tamanho - 2, pesoMaximo) == digitos[tamanho - 2] - '0' &&
           DigitoModulo11(digitos, tamanho - 1, pesoMaximo) == digitos[tamanho - 1] - '0';
}

} // namespace

std::string OvraSoDigitos(std::string_view texto) {
    std::string r;
    for (char c : texto)
        if (c >= '0' && c <= '9')
            r += c;
    return r;
}

int OvraDigitoModulo10(std::string_view digitos) {
    if (!SoDigitos(digitos))
        return -1;
    int soma = 0, peso = 2;
    for (std::size_t i = digitos.size(); i-- > 0;) {
        const int produto = (digitos[i] - '0') * peso;
        soma += produto > 9 ? produto / 10 + produto % 10 : produto;
        peso = peso == 2 ? 1 : 2;
    }
    const int digito = 10 - soma % 10;
    return digito == 10 ? 0 : digito;
}

bool OvraValidarModulo10(std::string_view digitos) {
    if (digitos.size() < 2 || !SoDigitos(digitos))
        return false;
    return OvraDigitoModulo10(digitos.substr(0, digitos.size() - 1)) == digitos.back() - '0';
}

bool OvraValidarCPF(std::string_view digitos) {
    // Every weight of a CPF is below 12: the tenth digit weighs 10 and 11 in the two passes.
    return ValidarModulo11(digitos, 11, 11);
}

bool OvraValidarCNPJ(std::string_view digitos) {
    return ValidarModulo11(digitos, 14, 9);
}

bool OvraValidarCPFouCNPJ(std::string_view digitos) {
    return digitos.size() > 11 ? OvraValidarCNPJ(digitos) : OvraValidarCPF(digitos);
}
