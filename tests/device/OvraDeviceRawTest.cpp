// First, alone: the header must compile by itself.
#include "device/OvraDeviceRaw.h"

#include "device/OvraDevice.h"
#include "platform/FileSystem.h"
#include "tests/support/PrivateCups.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

using testsupport::MensagemDoErro;
using testsupport::PrivateCups;

TEST(OvraDeviceRawTest, ARawJobReachesTheQueueByteForByte) {
    PrivateCups cups;
    std::string captura = cups.AddQueue("Caixa");
    std::string recibo;
    for (int i = 0; i < 256; ++i)
        recibo += static_cast<char>(255 - i);
    for (const char* porta : {"RAW:Caixa", "raw:Caixa", "Caixa"}) {
        TOvraDevice device;
        device.SetPorta(porta);
        ASSERT_TRUE(device.IsRawPort()) << porta;
        device.SetNomeDocumento("Recibo");
        device.SetSendBytesCount(7); // the spooler takes the whole document at once regardless
        device.Ativar();
        device.EnviaString(recibo);
        device.Desativar();
        EXPECT_EQ(PrivateCups::WaitForCapture(captura, recibo.size()), recibo) << porta;
        platform::DeleteFile(captura);
    }
}

TEST(OvraDeviceRawTest, StarIsTheDefaultPrinterOrTheFirst) {
    PrivateCups cups;
    std::string primeira = cups.AddQueue("Primeira");
    std::string segunda = cups.AddQueue("Segunda");
    TOvraDevice device;
    device.SetPorta("RAW:*");
    device.Ativar();
    device.EnviaString("sem padrao");
    EXPECT_EQ(PrivateCups::WaitForCapture(primeira, 10), "sem padrao");
    cups.SetDefault("Segunda");
    device.EnviaString("padrao");
    EXPECT_EQ(PrivateCups::WaitForCapture(segunda, 6), "padrao");
}

TEST(OvraDeviceRawTest, MissingPrintersAreNamed) {
    PrivateCups cups;
    TOvraDevice device;
    device.SetPorta("*");
    EXPECT_EQ(MensagemDoErro([&] { device.Ativar(); }), "Erro Nenhuma impressora Padrão foi detectada");
    device.SetPorta("RAW:Fantasma");
    EXPECT_EQ(MensagemDoErro([&] { device.Ativar(); }), "Impressora não encontrada [Fantasma]");
    EXPECT_FALSE(device.Ativo());
}

TEST(OvraDeviceRawTest, ListsTheInstalledPrinters) {
    PrivateCups cups;
    cups.AddQueue("Balcao");
    cups.AddQueue("Cozinha");
    TOvraDevice device;
    std::vector<std::string> portas;
    device.AcharPortasRAW(portas);
    EXPECT_EQ(portas, (std::vector<std::string>{"RAW:Balcao", "RAW:Cozinha"}));
    std::vector<std::string> todas;
    device.AcharPortas(todas);
    EXPECT_NE(std::find(todas.begin(), todas.end(), "RAW:Cozinha"), todas.end());
}

} // namespace
