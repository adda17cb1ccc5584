#pragma once

#include "PlatformError.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The system's print spooler, for raw printing: the bytes reach the printer as they are.
struct InstalledPrinters {
    std::vector<std::string> nomes;    // in the spooler's order
    std::optional<std::size_t> padrao; // index of the default printer, when there is one
};

// Throws PlatformError when the spooler cannot be asked.
InstalledPrinters ListPrinters();

// One raw document on one printer: Open, StartDoc, Write..., EndPage, EndDoc, Close. A document
// that was started and not ended when the printer is closed (or the object dies) is cancelled, so
// that half a receipt is never printed as if it were whole. Failures throw PlatformError.
class SpoolerPrinter {
public:
    SpoolerPrinter();
    ~SpoolerPrinter();
    SpoolerPrinter(const SpoolerPrinter&) = delete;
    SpoolerPrinter& operator=(const SpoolerPrinter&) = delete;

    // False when there is no printer of that name.
    bool Open(const std::string& nome);
    void StartDoc(const std::string& nomeDocumento, const std::string& tipoDados);
    void Write(std::string_view dados);
    void EndPage();
    void EndDoc();
    void Close();

private:
    void Cancelar() noexcept;

    std::string fNome;
    bool fAberta = false;
    int fTrabalho = 0; // job id; 0 when no document is open
};

} // namespace platform
