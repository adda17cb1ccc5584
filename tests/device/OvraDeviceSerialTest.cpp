// First, alone: the header must compile by itself.
#include "device/OvraDeviceSerial.h"

#include "LogDoDevice.h"
#include "device/OvraDevice.h"
#include "platform/FileSystem.h"
#include "tests/support/PseudoTerminal.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

using testsupport::MensagemDoErro;
using testsupport::PseudoTerminal;
using testsupport::TempDir;

std::vector<std::string> ComPrefixo(const std::vector<std::string>& linhas, const std::string& prefixo) {
    std::vector<std::string> r;
    for (const auto& l : linhas)
        if (l.rfind(prefixo, 0) == 0)
            r.push_back(l);
    return r;
}

TEST(OvraDeviceSerialTest, SettersCheckTheirRanges) {
    TOvraDevice device;
    EXPECT_EQ(
        MensagemDoErro([&] { device.SetBaud(49); }),
        "Valor deve estar na faixa de 50 a 4000000.\nNormalmente os equipamentos Seriais utilizam: 9600");
    EXPECT_EQ(device.Baud(), 9600);
    device.SetBaud(50);
    EXPECT_EQ(device.Baud(), 50);
    EXPECT_THROW(device.SetBaud(4000001), EOvraDevice);
    EXPECT_EQ(MensagemDoErro([&] { device.SetData(4); }),
              "Valor deve estar na faixa de 5 a 8.\nNormalmente os equipamentos Seriais utilizam: 7 ou 8");
    EXPECT_EQ(device.Data(), 8);
    device.SetParity(pSpace);
    EXPECT_EQ(device.Parity(), pSpace);
    device.SetStop(s1eMeio);
    EXPECT_EQ(device.Stop(), s1eMeio);
}

TEST(OvraDeviceSerialTest, FlowFlagsAndHandshakeAgree) {
    TOvraDevice device;
    device.SetHandShake(hsRTS_CTS);
    EXPECT_TRUE(device.HardFlow());
    EXPECT_FALSE(device.SoftFlow());
    device.SetSoftFlow(true);
    EXPECT_EQ(device.HandShake(), hsXON_XOFF);
    EXPECT_FALSE(device.HardFlow()); // what reads back is what the port does
    EXPECT_TRUE(device.SoftFlow());
    device.SetHardFlow(false); // not the handshake in force: nothing changes
    EXPECT_EQ(device.HandShake(), hsXON_XOFF);
    device.SetSoftFlow(false);
    EXPECT_EQ(device.HandShake(), hsNenhum);
    device.SetHandShake(hsDTR_DSR);
    EXPECT_FALSE(device.HardFlow());
    EXPECT_FALSE(device.SoftFlow());
}

TEST(OvraDeviceSerialTest, SendsInChunksAndReadsEachModeThroughAPseudoTerminal) {
    TempDir dir;
    PseudoTerminal pty;
    TOvraDevice device;
    device.SetArqLOG(dir.file("serial.log"));
    device.SetPorta(pty.Nome());
    ASSERT_TRUE(device.IsSerialPort());
    device.SetParamsString("BAUD=115200 SENDBYTESCOUNT=10");
    device.Ativar();
    std::string texto = "0123456789abcdefghijKLMNO";
    device.EnviaString(texto);
    EXPECT_EQ(pty.Ler(texto.size()), texto);
    EXPECT_EQ(ComPrefixo(LinhasDoLog(dir.file("serial.log")), "  BytesToSend:"),
              (std::vector<std::string>{"  BytesToSend:10", "  BytesToSend:10", "  BytesToSend:5"}));
    device.EnviaByte(0x1b);
    EXPECT_EQ(pty.Ler(1), "\x1b");

    pty.Escrever("OK\r\nRESTO");
    EXPECT_EQ(device.LeString(500, 0, "\r\n"), "OK");
    EXPECT_EQ(device.LeString(500, 2, ""), "RE");
    EXPECT_EQ(device.BytesParaLer(), 3);
    EXPECT_EQ(device.LeByte(500), 'S');
    EXPECT_EQ(device.LeString(500), "TO");
    device.Desativar();
}

TEST(OvraDeviceSerialTest, ZeroTimeOutReadsWithTheDevicesTimeOut) {
    PseudoTerminal pty;
    TOvraDevice device;
    device.SetPorta(pty.Nome());
    device.SetTimeOutMilissegundos(20);
    device.Ativar();
    pty.Escrever("AB");
    EXPECT_EQ(device.LeString(0, 2, ""), "AB");
    // Nothing more comes: the device's own 20 ms end the wait.
    EXPECT_THROW(device.LeString(0, 1, ""), platform::SerialError);
}

TEST(OvraDeviceSerialTest, LimparDropsInputButNotOutput) {
    PseudoTerminal pty;
    TOvraDevice device;
    device.SetPorta(pty.Nome());
    device.Ativar();
    pty.Escrever("old status");
    device.EnviaString("receipt tail");
    device.Limpar();
    EXPECT_EQ(pty.Ler(12), "receipt tail");
    pty.Escrever("\x12");
    EXPECT_EQ(device.LeByte(500), 0x12);
}

TEST(OvraDeviceSerialTest, MissingPortIsNamed) {
    for (const char* porta : {"/dev/ttyQUENDO9", "COM200"}) {
        TOvraDevice device;
        device.SetPorta(porta);
        EXPECT_EQ(MensagemDoErro([&] { device.Ativar(); }),
                  std::string("Porta ") + porta + " não encontrada");
        EXPECT_FALSE(device.Ativo());
    }
}

TEST(OvraDeviceSerialTest, APortHeldByAnotherProgramIsRefusedAndTheDeviceStaysClosed) {
    PseudoTerminal pty;
    platform::SerialPort outro;
    outro.Open(pty.Nome());
    TOvraDevice device;
    device.SetPorta(pty.Nome());
    EXPECT_THROW(device.Ativar(), EOvraDevice);
    EXPECT_FALSE(device.Ativo());
    outro.Close();
    EXPECT_NO_THROW(device.Ativar());
    EXPECT_TRUE(device.Ativo());
}

TEST(OvraDeviceSerialTest, APortThatTakesNothingTenTimesFailsWithoutSendingAByteTwice) {
    TempDir dir;
    PseudoTerminal pty;
    TOvraDevice device;
    device.SetArqLOG(dir.file("serial.log"));
    device.SetPorta(pty.Nome());
    device.SetTimeOutMilissegundos(5);
    device.Ativar();
    // Nobody reads the other end: once its buffer is full the port takes nothing more.
    std::string grande;
    for (int i = 0; i < 200000; ++i)
        grande += static_cast<char>('A' + i % 26);
    EXPECT_EQ(MensagemDoErro([&] { device.EnviaString(grande); }),
              "Erro ao enviar dados para a porta: " + pty.Nome());
    std::vector<std::string> falhas = ComPrefixo(LinhasDoLog(dir.file("serial.log")), "  FailCount:");
    ASSERT_GE(falhas.size(), 10u);
    EXPECT_EQ(falhas.back(), "  FailCount:10");
    // What did get through is the start of the text, each byte once.
    std::string chegou = pty.Ler(grande.size(), 50);
    ASSERT_FALSE(chegou.empty());
    EXPECT_EQ(chegou, grande.substr(0, chegou.size()));
}

TEST(OvraDeviceSerialTest, OnlineFollowsTheHandshakeLine) {
    PseudoTerminal pty;
    testsupport::FixedClock relogio(platform::TDateTime(46000.5));
    TOvraDevice device;
    EXPECT_FALSE(device.DeviceSerial().EmLinha(100)); // not open
    device.SetPorta(pty.Nome());
    device.SetHandShake(hsRTS_CTS);
    device.Ativar();
    // A pseudo-terminal has no modem lines; a line that is not there does not hold printing back.
    EXPECT_TRUE(device.EmLinha(1));
}

TEST(OvraDeviceSerialTest, StatusCallbackIsTheSerialPorts) {
    PseudoTerminal pty;
    TOvraDevice device;
    std::vector<platform::THookSerialReason> motivos;
    device.SetOnStatus([&](platform::SerialPort&, platform::THookSerialReason r, const std::string&) {
        motivos.push_back(r);
    });
    device.SetPorta(pty.Nome());
    device.Ativar();
    device.Desativar();
    ASSERT_FALSE(motivos.empty());
    EXPECT_EQ(motivos.front(), platform::HR_Connect);
    EXPECT_EQ(motivos.back(), platform::HR_SerialClose);
}

TEST(OvraDeviceSerialTest, ListingComPortsSkipsWhatIsNotThere) {
    TOvraDevice device;
    std::vector<std::string> portas;
    device.AcharPortasSeriais(portas, 0);
    EXPECT_TRUE(portas.empty());
    device.AcharPortasSeriais(portas, 64);
    for (const auto& p : portas)
        EXPECT_TRUE(p.rfind("COM", 0) == 0 || p.rfind("/dev/", 0) == 0) << p;
}

} // namespace
