#include "platform/Spooler.h"

#include <cups/cups.h>

#include <memory>

namespace platform {

namespace {

// The server is read from the environment (CUPS_SERVER) at the first call and then cached; asking
// for it afresh each time keeps a change of the environment from going unnoticed.
void ServidorDoAmbiente() {
    ::cupsSetServer(nullptr);
}

[[noreturn]] void Falhar(const std::string& acao) {
    std::string texto = ::cupsLastErrorString() ? ::cupsLastErrorString() : "unknown error";
    throw PlatformError("cannot " + acao + ": " + texto);
}

struct Destinos {
    cups_dest_t* lista = nullptr;
    int quantos = 0;
    ~Destinos() { ::cupsFreeDests(quantos, lista); }
};

} // namespace

InstalledPrinters ListPrinters() {
    ServidorDoAmbiente();
    Destinos d;
    d.quantos = ::cupsGetDests2(CUPS_HTTP_DEFAULT, &d.lista);
    if (d.quantos == 0 && ::cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE &&
        ::cupsLastError() != IPP_STATUS_ERROR_NOT_FOUND)
        Falhar("list the printers");
    InstalledPrinters r;
    for (int i = 0; i < d.quantos; ++i) {
        // Instances ("queue/instance") are option presets of one queue, not printers of their own.
        if (d.lista[i].instance != nullptr)
            continue;
        if (d.lista[i].is_default)
            r.padrao = r.nomes.size();
        r.nomes.emplace_back(d.lista[i].name);
    }
    return r;
}

SpoolerPrinter::SpoolerPrinter() = default;

SpoolerPrinter::~SpoolerPrinter() {
    Cancelar();
}

bool SpoolerPrinter::Open(const std::string& nome) {
    Close();
    ServidorDoAmbiente();
    cups_dest_t* destino = ::cupsGetNamedDest(CUPS_HTTP_DEFAULT, nome.c_str(), nullptr);
    if (destino == nullptr)
        return false;
    ::cupsFreeDests(1, destino);
    fNome = nome;
    fAberta = true;
    return true;
}

void SpoolerPrinter::StartDoc(const std::string& nomeDocumento, const std::string& tipoDados) {
    if (!fAberta)
        throw PlatformError("cannot start a document: no printer is open");
    // "RAW" is the only data type the device asks for: the bytes go to the printer untouched.
    const char* formato = tipoDados == "RAW" ? CUPS_FORMAT_RAW : CUPS_FORMAT_AUTO;
    int trabalho = ::cupsCreateJob(CUPS_HTTP_DEFAULT, fNome.c_str(), nomeDocumento.c_str(), 0, nullptr);
    if (trabalho == 0)
        Falhar("start a document on '" + fNome + "'");
    fTrabalho = trabalho;
    if (::cupsStartDocument(CUPS_HTTP_DEFAULT, fNome.c_str(), fTrabalho, nomeDocumento.c_str(), formato, 1) !=
        HTTP_STATUS_CONTINUE) {
        Cancelar();
        Falhar("start a document on '" + fNome + "'");
    }
}

void SpoolerPrinter::Write(std::string_view dados) {
    if (fTrabalho == 0)
        throw PlatformError("cannot write to '" + fNome + "': no document is open");
    if (dados.empty())
        return;
    if (::cupsWriteRequestData(CUPS_HTTP_DEFAULT, dados.data(), dados.size()) != HTTP_STATUS_CONTINUE) {
        std::string acao = "write to '" + fNome + "'";
        Cancelar();
        Falhar(acao);
    }
}

void SpoolerPrinter::EndPage() {
    // A raw job has no pages of its own: the printer's commands inside the bytes cut the paper.
}

void SpoolerPrinter::EndDoc() {
    if (fTrabalho == 0)
        return;
    int trabalho = fTrabalho;
    fTrabalho = 0;
    if (::cupsFinishDocument(CUPS_HTTP_DEFAULT, fNome.c_str()) != IPP_STATUS_OK) {
        ::cupsCancelJob2(CUPS_HTTP_DEFAULT, fNome.c_str(), trabalho, 0);
        Falhar("finish the document on '" + fNome + "'");
    }
}

void SpoolerPrinter::Close() {
    Cancelar();
    fAberta = false;
}

void SpoolerPrinter::Cancelar() noexcept {
    if (fTrabalho == 0)
        return;
    int trabalho = fTrabalho;
    fTrabalho = 0;
    // Ending the request first lets the connection be used again; the job is then cancelled.
    ::cupsFinishDocument(CUPS_HTTP_DEFAULT, fNome.c_str());
    ::cupsCancelJob2(CUPS_HTTP_DEFAULT, fNome.c_str(), trabalho, 0);
}

} // namespace platform
