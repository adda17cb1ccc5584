// First, alone: the header must compile by itself.
#include "platform/Spooler.h"

#include "tests/support/PrivateCups.h"

#include <gtest/gtest.h>

namespace {

using platform::SpoolerPrinter;
using testsupport::PrivateCups;

TEST(SpoolerTest, ListsTheQueuesAndTheDefault) {
    PrivateCups cups;
    cups.AddQueue("Caixa1");
    cups.AddQueue("Caixa2");
    EXPECT_FALSE(platform::ListPrinters().padrao.has_value());
    cups.SetDefault("Caixa2");
    platform::InstalledPrinters lista = platform::ListPrinters();
    ASSERT_EQ(lista.nomes, (std::vector<std::string>{"Caixa1", "Caixa2"}));
    ASSERT_TRUE(lista.padrao.has_value());
    EXPECT_EQ(lista.nomes[*lista.padrao], "Caixa2");
}

TEST(SpoolerTest, ARawJobArrivesByteForByte) {
    PrivateCups cups;
    std::string captura = cups.AddQueue("Recibos");
    std::string bytes;
    for (int i = 0; i < 256; ++i)
        bytes += static_cast<char>(i);
    bytes += "\x1b@Recibo\n\x1dV\x00";

    SpoolerPrinter impressora;
    ASSERT_TRUE(impressora.Open("Recibos"));
    impressora.StartDoc("Venda 1", "RAW");
    impressora.Write(bytes.substr(0, 100));
    impressora.Write(bytes.substr(100));
    impressora.EndPage();
    impressora.EndDoc();
    impressora.Close();
    EXPECT_EQ(PrivateCups::WaitForCapture(captura, bytes.size()), bytes);
}

TEST(SpoolerTest, UnknownPrinterDoesNotOpen) {
    PrivateCups cups;
    SpoolerPrinter impressora;
    EXPECT_FALSE(impressora.Open("NaoExiste"));
    EXPECT_THROW(impressora.StartDoc("x", "RAW"), platform::PlatformError);
}

} // namespace
