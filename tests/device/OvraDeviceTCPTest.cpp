// First, alone: the header must compile by itself.
#include "device/OvraDeviceTCP.h"

#include "device/OvraDevice.h"
#include "platform/FileSystem.h"
#include "tests/support/Loopback.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

using testsupport::Loopback;
using testsupport::MensagemDoErro;
using testsupport::TempDir;

bool LogTem(const std::string& arquivo, const std::string& trecho) {
    return platform::FileExists(arquivo) && platform::ReadFile(arquivo).find(trecho) != std::string::npos;
}

TEST(OvraDeviceTCPTest, SendsInChunksAndReadsEachMode) {
    TempDir dir;
    Loopback impressora;
    TOvraDevice device;
    device.SetArqLOG(dir.file("tcp.log"));
    device.SetPorta("TCP:127.0.0.1:" + impressora.PortaTexto());
    device.SetSendBytesCount(4);
    device.Ativar();
    impressora.Aceitar();
    EXPECT_TRUE(LogTem(dir.file("tcp.log"), "  IP:127.0.0.1, Porta:" + impressora.PortaTexto() + ")\r\n"));
    device.EnviaString("\x1b@Recibo\n");
    device.EnviaByte(0x0C);
    EXPECT_EQ(impressora.Ler(10), "\x1b@Recibo\n\x0C");
    EXPECT_TRUE(LogTem(dir.file("tcp.log"), "  BytesToSend:4\r\n"));
    EXPECT_TRUE(LogTem(dir.file("tcp.log"), "  BytesToSend:1\r\n"));

    impressora.Escrever("ST\x03"
                        "AB");
    EXPECT_EQ(device.LeString(500, 0, "\x03"), "ST");
    EXPECT_EQ(device.BytesParaLer(), 2);
    EXPECT_EQ(device.LeString(500, 1, ""), "A");
    EXPECT_EQ(device.LeByte(500), 'B');
    impressora.Escrever("pacote");
    EXPECT_EQ(device.LeString(500), "pacote");
    device.Desativar();
    EXPECT_EQ(impressora.Ler(0), ""); // an orderly close
}

TEST(OvraDeviceTCPTest, LimparKeepsWhatIsStillBeingSent) {
    Loopback impressora;
    TOvraDevice device;
    device.SetPorta("TCP:127.0.0.1:" + impressora.PortaTexto());
    device.Ativar();
    impressora.Aceitar();
    impressora.Escrever("old");
    device.EnviaString("tail");
    EXPECT_EQ(device.LeByte(500), 'o');
    device.Limpar();
    EXPECT_EQ(device.BytesParaLer(), 0);
    EXPECT_EQ(impressora.Ler(4), "tail");
}

TEST(OvraDeviceTCPTest, IPv6LoopbackInBrackets) {
    int fd = ::socket(AF_INET6, SOCK_STREAM, 0);
    sockaddr_in6 a{};
    a.sin6_family = AF_INET6;
    a.sin6_addr = in6addr_loopback;
    socklen_t n = sizeof a;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        ::close(fd);
        GTEST_SKIP() << "no IPv6 loopback on this machine";
    }
    ::listen(fd, 1);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &n);
    TOvraDevice device;
    device.SetPorta("TCP:[::1]:" + std::to_string(ntohs(a.sin6_port)));
    device.Ativar();
    EXPECT_EQ(device.DeviceTCP().IP(), "::1");
    device.Desativar();
    ::close(fd);
}

TEST(OvraDeviceTCPTest, HostAloneUsesTheRawPrintingPort) {
    TempDir dir;
    TOvraDevice device;
    device.SetArqLOG(dir.file("tcp.log"));
    device.SetTimeOutMilissegundos(200);
    device.SetPorta("TCP:127.0.0.1");
    try {
        device.Ativar(); // nothing listens on 9100 here, most likely; either way the port is 9100
        device.Desativar();
    } catch (const std::exception&) {
    }
    EXPECT_EQ(device.DeviceTCP().PortaTCP(), "9100");
    EXPECT_TRUE(LogTem(dir.file("tcp.log"), "  IP:127.0.0.1, Porta:9100)"));
}

TEST(OvraDeviceTCPTest, BadAddressesAreRefusedBeforeAnyConnection) {
    for (const char* porta : {"TCP:", "TCP::9100", "TCP:127.0.0.1:", "TCP:127.0.0.1:abc",
                              "TCP:127.0.0.1:910012", "TCP:127.0.0.1:0", "TCP:127.0.0.1:65536", "TCP:[::1"}) {
        TOvraDevice device;
        device.SetPorta(porta);
        EXPECT_EQ(MensagemDoErro([&] { device.Ativar(); }),
                  std::string("Endereço TCP inválido [") + porta + "]");
        EXPECT_FALSE(device.Ativo());
    }
}

TEST(OvraDeviceTCPTest, RefusedPortIsTheSocketsOwnError) {
    TempDir dir;
    TOvraDevice device;
    device.SetArqLOG(dir.file("tcp.log"));
    device.SetPorta("TCP:127.0.0.1:" + std::to_string(testsupport::PortaRecusada()));
    std::string mensagem = MensagemDoErro([&] { device.Ativar(); });
    EXPECT_NE(mensagem.find("Connection refused"), std::string::npos) << mensagem;
    EXPECT_FALSE(device.Ativo());
    EXPECT_TRUE(LogTem(dir.file("tcp.log"), "PlatformError: " + mensagem));
}

TEST(OvraDeviceTCPTest, ReadTimeOutAndAPeerThatLeftAreErrors) {
    Loopback impressora;
    TOvraDevice device;
    device.SetPorta("TCP:127.0.0.1:" + impressora.PortaTexto());
    device.Ativar();
    impressora.Aceitar();
    EXPECT_THROW(device.LeString(20, 1, ""), platform::PlatformError);
    impressora.Fechar();
    EXPECT_THROW(device.LeString(500), platform::PlatformError);
}

} // namespace
