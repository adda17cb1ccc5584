#include "OvraDeviceRaw.h"

#include "OvraDevice.h"
#include "platform/Spooler.h"
#include "platform/Text.h"

TOvraDeviceRaw::TOvraDeviceRaw(TOvraDevice* AOwner) : TOvraDeviceClass(AOwner) {}

std::string TOvraDeviceRaw::NomeImpressora() const {
    if (fpPorta.size() >= 4 && platform::SameTextAscii(fpPorta.substr(0, 4), "RAW:"))
        return fpPorta.substr(4);
    return fpPorta;
}

std::string TOvraDeviceRaw::AcharImpressora(const std::string& ANome) {
    GravaLog("GetPrinterIndex");
    platform::InstalledPrinters impressoras = platform::ListPrinters();
    std::optional<std::size_t> indice;
    if (ANome == "*") {
        if (impressoras.nomes.empty())
            throw EOvraDevice("Erro Nenhuma impressora Padrão foi detectada");
        indice = impressoras.padrao.value_or(0);
    } else {
        for (std::size_t i = 0; i < impressoras.nomes.size() && !indice; ++i)
            if (impressoras.nomes[i] == ANome)
                indice = i;
        // A network printer ("\\server\share") is found by its share alone.
        for (std::size_t i = 0; i < impressoras.nomes.size() && !indice; ++i) {
            const std::string& nome = impressoras.nomes[i];
            if (nome.rfind("\\\\", 0) != 0)
                continue;
            std::size_t barra = nome.find('\\', 2);
            if (barra != std::string::npos && platform::SameTextAscii(nome.substr(barra + 1), ANome))
                indice = i;
        }
        if (!indice)
            throw EOvraDevice("Impressora não encontrada [" + ANome + "]");
    }
    GravaLog("  " + std::to_string(*indice));
    return impressoras.nomes[*indice];
}

void TOvraDeviceRaw::Conectar(const std::string& APorta, int ATimeOutMilissegundos) {
    TOvraDeviceClass::Conectar(APorta, ATimeOutMilissegundos);
    AcharImpressora(NomeImpressora());
}

void TOvraDeviceRaw::EnviaString(const std::string& AString) {
    GravaLog("  TOvraDeviceRaw.EnviaStringWindows");
    std::string nome = AcharImpressora(NomeImpressora());
    // Nothing to print is not a document: an empty job would only feed a blank page on some printers.
    if (AString.empty())
        return;
    platform::SpoolerPrinter impressora; // closed (and an unfinished document cancelled) on every way out
    if (!impressora.Open(nome))
        throw EOvraDevice("Impressora não encontrada [" + nome + "]");
    impressora.StartDoc(Owner().NomeDocumento(), "RAW");
    impressora.Write(AString);
    impressora.EndPage();
    impressora.EndDoc();
    impressora.Close();
}

void TOvraDeviceRaw::AcharPortasRAW(std::vector<std::string>& AStringList) {
    for (const std::string& nome : platform::ListPrinters().nomes)
        AStringList.push_back("RAW:" + nome);
}
