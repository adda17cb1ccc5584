#pragma once

#include "OvraDeviceClass.h"

#include <string>
#include <vector>

// A printer installed in the system, fed raw bytes through the print spooler: "RAW:" + its name,
// or "*" for the default printer.
class TOvraDeviceRaw : public TOvraDeviceClass {
public:
    explicit TOvraDeviceRaw(TOvraDevice* AOwner);

    std::string ClassName() const override { return "TOvraDeviceRaw"; }

    void Conectar(const std::string& APorta, int ATimeOutMilissegundos) override;
    void EnviaString(const std::string& AString) override;

    // Adds "RAW:" + the name of each installed printer, in the spooler's order.
    void AcharPortasRAW(std::vector<std::string>& AStringList);

    // The printer name behind the port: the port without "RAW:".
    std::string NomeImpressora() const;

private:
    // The installed printer the name stands for; raises when there is none.
    std::string AcharImpressora(const std::string& ANome);
};
