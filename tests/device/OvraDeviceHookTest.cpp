// First, alone: the header must compile by itself.
#include "device/OvraDeviceHook.h"

#include "device/OvraDevice.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <deque>

namespace {

// A maker's library behind the hooks: it answers with prepared pieces and records the calls.
struct Biblioteca {
    std::deque<std::string> pecas;
    std::vector<int> pedidos;
    std::vector<std::string> chamadas;
    testsupport::FixedClock relogio{platform::TDateTime(46000.5)};
    TOvraDevice device; // last: freeing it closes the port, which still calls the hooks above

    Biblioteca() {
        device.SetHookAtivar([this](const std::string& p, const std::string& c) {
            chamadas.push_back("Ativar " + p + " " + c);
        });
        device.SetHookDesativar([this](const std::string& p) { chamadas.push_back("Desativar " + p); });
        device.SetHookEnviaString([this](const std::string& s) { chamadas.push_back("Envia " + s); });
        device.SetHookLeString([this](int n, int tempo, std::string& r) {
            pedidos.push_back(n);
            if (pecas.empty()) {
                relogio.Dormir(static_cast<std::uint32_t>(tempo)); // the library waited its time-out
                return;
            }
            r = pecas.front();
            pecas.pop_front();
        });
        device.SetPorta("DLL_Maker");
    }
};

TEST(OvraDeviceHookTest, CallbacksSeeThePortAndTheFullConfiguration) {
    Biblioteca b;
    b.device.SetParamsString("BAUD=38400");
    b.device.Ativar();
    b.device.EnviaString("\x1b@");
    b.device.Desativar();
    EXPECT_EQ(b.chamadas, (std::vector<std::string>{
                              "Ativar DLL_Maker BAUD=38400 DATA=8 PARITY=N STOP=1 HANDSHAKE= MAXBANDWIDTH=0 "
                              "SENDBYTESCOUNT=0 SENDBYTESINTERVAL=0",
                              "Envia \x1b@", "Desativar DLL_Maker"}));
}

TEST(OvraDeviceHookTest, WithoutCallbacksSendsAreDiscardedAndNothingIsRead) {
    TOvraDevice device;
    device.SetPorta("DLL");
    device.Ativar();
    EXPECT_NO_THROW(device.EnviaString("vai para lugar nenhum"));
    EXPECT_EQ(device.LeString(10, 0, "\r"), "");
    EXPECT_NO_THROW(device.Limpar());
}

TEST(OvraDeviceHookTest, ReadsUpToATerminatorAcrossPiecesAndKeepsWhatFollows) {
    Biblioteca b;
    b.device.Ativar();
    b.pecas = {"AB", "C\rD", "E\r"};
    EXPECT_EQ(b.device.LeString(1000, 0, "\r"), "ABC");
    EXPECT_EQ(b.device.LeString(1000, 0, "\r"), "DE");
}

TEST(OvraDeviceHookTest, ReadsAnExactCountAndAPacket) {
    Biblioteca b;
    b.device.Ativar();
    b.pecas = {"12", "345"};
    EXPECT_EQ(b.device.LeString(1000, 4, ""), "1234");
    EXPECT_EQ(b.pedidos, (std::vector<int>{4, 2}));
    EXPECT_EQ(b.device.LeString(1000, 0, ""), "5");
    b.pecas = {"pacote", "outro"};
    EXPECT_EQ(b.device.LeString(1000, 0, ""), "pacote");
    EXPECT_EQ(b.device.LeByte(1000), 'o');
}

TEST(OvraDeviceHookTest, TimeOutReturnsWhatCame) {
    Biblioteca b;
    b.device.Ativar();
    b.pecas = {"AB"};
    EXPECT_EQ(b.device.LeString(300, 5, ""), "AB");
    EXPECT_EQ(b.device.LeString(300, 0, "\r"), "");
}

TEST(OvraDeviceHookTest, LimparReadsUntilNothingComes) {
    Biblioteca b;
    b.device.Ativar();
    b.pecas = {"old", "older"};
    b.device.Limpar();
    EXPECT_TRUE(b.pecas.empty());
    b.pecas = {"new"};
    EXPECT_EQ(b.device.LeString(100, 0, ""), "new");
}

} // namespace
