// First, alone: the header must compile by itself.
#include "device/OvraDeviceLPT.h"

#include "device/OvraDevice.h"
#include "platform/FileSystem.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using testsupport::MensagemDoErro;
using testsupport::TempDir;

TEST(OvraDeviceLPTTest, EachActivationStartsAFileAndEverySendIsKept) {
    TempDir dir;
    for (std::string prefixo : {"", "FILE:", "file:"}) {
        std::string arquivo = dir.file("recibo.prn");
        platform::AppendFile(arquivo, "left from yesterday");
        TOvraDevice device;
        device.SetPorta(prefixo + arquivo);
        ASSERT_TRUE(device.IsTXTFilePort()) << prefixo;
        device.Ativar();
        EXPECT_EQ(platform::ReadFile(arquivo), "");
        device.EnviaString(std::string("one\0", 4));
        device.EnviaString("two");
        device.Desativar();
        EXPECT_EQ(platform::ReadFile(arquivo), std::string("one\0two", 7));
        device.Ativar();
        device.EnviaString("three");
        EXPECT_EQ(platform::ReadFile(arquivo), "three");
    }
}

TEST(OvraDeviceLPTTest, ChunksAreLogged) {
    TempDir dir;
    TOvraDevice device;
    device.SetArqLOG(dir.file("lpt.log"));
    platform::AppendFile(dir.file("saida.txt"), "old");
    device.SetPorta(dir.file("saida.txt"));
    device.SetSendBytesCount(3);
    device.Ativar();
    device.EnviaString("abcdefg");
    EXPECT_EQ(platform::ReadFile(dir.file("saida.txt")), "abcdefg");
    std::string log = platform::ReadFile(dir.file("lpt.log"));
    EXPECT_NE(log.find("  NomeArq: " + dir.file("saida.txt") + "\r\n"), std::string::npos);
    EXPECT_NE(log.find("  DeleteFile(" + dir.file("saida.txt") + ")\r\n"), std::string::npos);
    EXPECT_NE(log.find("  TOvraDeviceLPT.EnviaString \r\n"), std::string::npos);
    EXPECT_NE(log.find("  BytesToSend:1\r\n"), std::string::npos);
}

TEST(OvraDeviceLPTTest, UnreachablePortsAndFilesSayWhy) {
    TempDir dir;
    {
        TOvraDevice device;
        device.SetPorta("LPT9");
        EXPECT_EQ(MensagemDoErro([&] { device.Ativar(); }), "Porta LPT9 não acessível");
        EXPECT_FALSE(device.Ativo());
    }
    {
        TOvraDevice device;
        device.SetPorta(dir.file("no/such/folder.txt"));
        std::string mensagem = MensagemDoErro([&] { device.Ativar(); });
        EXPECT_NE(mensagem.find("No such file or directory"), std::string::npos) << mensagem;
        device.DeviceLPT().UsarStream = true;
        EXPECT_THROW(device.Ativar(), EOvraDeviceStream);
    }
}

TEST(OvraDeviceLPTTest, StreamModeRefusesASecondWriter) {
    TempDir dir;
    TOvraDevice a, b;
    for (TOvraDevice* d : {&a, &b}) {
        d->SetPorta(dir.file("x.txt"));
        d->DeviceLPT().UsarStream = true;
    }
    a.Ativar();
    a.EnviaString("a");
    platform::PortFile dono;
    dono.Open(dir.file("x.txt"), platform::PortFile::Anexar, true);
    EXPECT_THROW(a.EnviaString("b"), EOvraDeviceStream);
    dono.Close();
    a.EnviaString("c");
    EXPECT_EQ(platform::ReadFile(dir.file("x.txt")), "ac");
}

TEST(OvraDeviceLPTTest, ThreadedSendDeliversEverything) {
    TempDir dir;
    TOvraDevice device;
    int mensagens = 0;
    device.OnProcessMessages = [&] { ++mensagens; };
    device.SetPorta(dir.file("thread.txt"));
    device.DeviceLPT().UsarThread = true;
    device.Ativar();
    std::string texto;
    for (int i = 0; i < 1000; ++i)
        texto += static_cast<char>(i % 251);
    device.EnviaString(texto);
    EXPECT_EQ(platform::ReadFile(dir.file("thread.txt")), texto);
    EXPECT_GE(mensagens, 1);
}

TEST(OvraDeviceLPTTest, ThreadedSendGivesUpOnAStalledPortAndWaitsForItsWorker) {
    TempDir dir;
    std::string fifo = dir.file("lp0");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    int leitor = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK); // a printer that takes nothing more
    int escritor = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    std::string cheio(4096, 'x');
    while (::write(escritor, cheio.data(), cheio.size()) > 0) {
    }
    ::close(escritor);

    testsupport::FixedClock relogio(platform::TDateTime(46000.5));
    TOvraDevice device;
    device.SetPorta(fifo);
    device.SetDeviceType(dtParallel);
    device.DeviceLPT().UsarThread = true;
    device.Ativar();
    EXPECT_EQ(MensagemDoErro([&] { device.EnviaString("receipt"); }), "Erro gravando em: " + fifo + " ");
    // The worker is gone: draining the pipe shows nothing of the receipt was written after.
    std::string resto;
    char b[65536];
    ssize_t n;
    while ((n = ::read(leitor, b, sizeof b)) > 0)
        resto.append(b, static_cast<std::size_t>(n));
    EXPECT_EQ(resto.find("receipt"), std::string::npos);
    ::close(leitor);
}

TEST(OvraDeviceLPTTest, TheWorkerNeedsItsTransport) {
    EXPECT_EQ(MensagemDoErro([] { TOvraThreadEnviaLPT t(nullptr, "x"); }),
              "Uso Inválido da TOvraThreadEnviaLPT");
}

} // namespace
