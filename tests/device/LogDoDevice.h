#pragma once

#include "platform/FileSystem.h"

#include <string>
#include <vector>

// The lines of a device log without their time stamps ("-- dd/mm hh:nn:ss:zzz ").
inline std::vector<std::string> LinhasDoLog(const std::string& arquivo) {
    std::vector<std::string> linhas;
    const std::string conteudo = platform::FileExists(arquivo) ? platform::ReadFile(arquivo) : "";
    std::size_t inicio = 0;
    while (inicio < conteudo.size()) {
        const std::size_t fim = conteudo.find("\r\n", inicio);
        const std::string linha = conteudo.substr(inicio, fim - inicio);
        linhas.push_back(linha.size() > 22 ? linha.substr(22) : linha);
        inicio = fim == std::string::npos ? conteudo.size() : fim + 2;
    }
    return linhas;
}
