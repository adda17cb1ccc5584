// First, alone: the header must compile by itself.
#include "platform/SerialPort.h"

#include "platform/posix/SerialTermios.h"
#include "tests/support/PseudoTerminal.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>

namespace {

using platform::SerialError;
using platform::SerialPort;

using Pty = testsupport::PseudoTerminal;

TEST(SerialPortTest, SendsAndReadsInEveryModeThroughAPseudoTerminal) {
    Pty pty;
    SerialPort porta;
    porta.Open(pty.Nome());
    porta.Configure({});
    EXPECT_EQ(porta.SendBuffer("ABC\x1b"), 4);
    porta.SendByte('\0');
    EXPECT_EQ(pty.Ler(5), std::string("ABC\x1b\0", 5));

    pty.Escrever("OK\rXYZW");
    EXPECT_EQ(porta.RecvUntil("\r", 500), "OK");
    EXPECT_EQ(porta.RecvExact(2, 500), "XY");
    EXPECT_EQ(porta.RecvByte(500), 'Z');
    EXPECT_EQ(porta.BytesWaiting(), 1u);
    EXPECT_EQ(porta.RecvPacket(500), "W");
}

TEST(SerialPortTest, ATimeOutKeepsWhatArrivedForTheNextRead) {
    Pty pty;
    SerialPort porta;
    porta.Open(pty.Nome());
    pty.Escrever("AB");
    try {
        porta.RecvExact(3, 20);
        FAIL() << "no time-out";
    } catch (const SerialError& e) {
        EXPECT_EQ(e.Codigo(), std::errc::timed_out);
    }
    pty.Escrever("C");
    EXPECT_EQ(porta.RecvExact(3, 500), "ABC");
    EXPECT_THROW(porta.RecvPacket(10), SerialError);
}

TEST(SerialPortTest, PurgeInputDropsWhatCameBefore) {
    Pty pty;
    SerialPort porta;
    porta.Open(pty.Nome());
    pty.Escrever("old");
    EXPECT_EQ(porta.RecvByte(500), 'o');
    porta.PurgeInput();
    pty.Escrever("new");
    EXPECT_EQ(porta.RecvExact(3, 500), "new");
}

TEST(SerialPortTest, MissingAndBusyPortsSayWhy) {
    SerialPort porta;
    try {
        porta.Open("/dev/ttyQUENDO-none");
        FAIL() << "opened a missing port";
    } catch (const SerialError& e) {
        EXPECT_TRUE(e.PortaInexistente());
        EXPECT_NE(std::string(e.what()).find("/dev/ttyQUENDO-none"), std::string::npos);
        EXPECT_EQ(porta.LastError(), e.Codigo());
    }

    Pty pty;
    SerialPort primeira, segunda;
    primeira.Open(pty.Nome());
    std::error_code erro;
    segunda.Open(pty.Nome(), erro);
    ASSERT_TRUE(erro);
    EXPECT_TRUE(SerialError("", erro).AcessoNegado());
    primeira.Close();
    segunda.Open(pty.Nome(), erro);
    EXPECT_FALSE(erro) << erro.message();
}

TEST(SerialPortTest, ModemLinesOfAPortWithoutThemDoNotFail) {
    Pty pty;
    SerialPort porta;
    porta.Open(pty.Nome());
    EXPECT_NO_THROW(porta.SetRTS(true));
    EXPECT_NO_THROW(porta.SetDTR(true));
    EXPECT_TRUE(porta.CTS());
    EXPECT_TRUE(porta.DSR());
}

TEST(SerialPortTest, RatesOutsideTheStandardListAreSet) {
    Pty pty;
    SerialPort porta;
    porta.Open(pty.Nome());
    platform::SerialConfig config;
    config.baud = 250000;
    EXPECT_NO_THROW(porta.Configure(config));
    EXPECT_EQ(platform::posix::StandardSpeed(250000), B0);
    EXPECT_EQ(platform::posix::StandardSpeed(115200), B115200);
}

TEST(SerialPortTest, StatusCallbackSeesConnectCountsAndClose) {
    Pty pty;
    SerialPort porta;
    std::vector<std::pair<platform::THookSerialReason, std::string>> vistos;
    porta.OnStatus = [&](SerialPort&, platform::THookSerialReason r, const std::string& v) {
        vistos.emplace_back(r, v);
    };
    porta.Open(pty.Nome());
    porta.SendBuffer("12345");
    porta.Close();
    ASSERT_FALSE(vistos.empty());
    EXPECT_EQ(vistos.front().first, platform::HR_Connect);
    EXPECT_NE(
        std::find(vistos.begin(), vistos.end(), std::make_pair(platform::HR_WriteCount, std::string("5"))),
        vistos.end());
    EXPECT_EQ(vistos.back().first, platform::HR_SerialClose);
}

TEST(SerialPortTest, TermiosCarriesFramingAndFlowControl) {
    struct Caso {
        platform::SerialConfig config;
        tcflag_t tamanho;
        tcflag_t paridade; // PARENB | PARODD | CMSPAR bits expected
        bool doisStop;
        bool rtscts;
        bool xonxoff;
    };
    const Caso casos[] = {
        {{9600, 8, 'N', 0, false, false}, CS8, 0, false, false, false},
        {{9600, 7, 'E', 0, false, false}, CS7, PARENB, false, false, false},
        {{9600, 7, 'O', 2, false, false}, CS7, PARENB | PARODD, true, false, false},
        {{9600, 8, 'M', 0, false, true}, CS8, PARENB | PARODD | CMSPAR, false, true, false},
        {{9600, 6, 'S', 0, true, false}, CS6, PARENB | CMSPAR, false, false, true},
        {{9600, 5, 'N', 1, false, false}, CS5, 0, true, false, false},
    };
    for (const Caso& c : casos) {
        termios t{};
        platform::posix::BuildTermios(t, c.config);
        SCOPED_TRACE(std::string(1, c.config.parity) + std::to_string(c.config.dataBits));
        EXPECT_EQ(t.c_cflag & CSIZE, c.tamanho);
        EXPECT_EQ(t.c_cflag & (PARENB | PARODD | CMSPAR), c.paridade);
        EXPECT_EQ((t.c_cflag & CSTOPB) != 0, c.doisStop);
        EXPECT_EQ((t.c_cflag & CRTSCTS) != 0, c.rtscts);
        EXPECT_EQ((t.c_iflag & IXON) != 0, c.xonxoff);
        EXPECT_EQ(t.c_lflag & (ICANON | ECHO), 0u);
        EXPECT_EQ(t.c_cc[VMIN], 0);
    }
}

TEST(SerialPortTest, ComNamesAreTheUarts) {
    const std::pair<const char*, const char*> casos[] = {
        {"COM1", "/dev/ttyS0"}, {"com10", "/dev/ttyS9"},          {"COM0", "COM0"},
        {"COMX", "COMX"},       {"/dev/ttyUSB0", "/dev/ttyUSB0"}, {"COM", "COM"},
    };
    for (const auto& [nome, caminho] : casos)
        EXPECT_EQ(platform::SerialPortPath(nome), caminho) << nome;
}

} // namespace
