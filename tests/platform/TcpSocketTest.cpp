// First, alone: the header must compile by itself.
#include "platform/TcpSocket.h"

#include "tests/support/Loopback.h"

#include <gtest/gtest.h>

#include <fcntl.h>

#include <thread>
#include <vector>

namespace {

using platform::PlatformError;
using platform::TcpSocket;
using testsupport::Loopback;

template <typename F> std::error_code CodigoDoErro(F&& acao) {
    try {
        acao();
    } catch (const PlatformError& e) {
        return e.Codigo();
    }
    return {};
}

TEST(TcpSocketTest, SendsAndReadsEachModeOverLoopback) {
    Loopback servidor;
    TcpSocket s;
    s.Connect("127.0.0.1", servidor.PortaTexto());
    servidor.Aceitar();
    s.Send(std::string("\x1b@texto\0", 8));
    s.SendByte('\n');
    EXPECT_EQ(servidor.Ler(9), std::string("\x1b@texto\0\n", 9));

    servidor.Escrever("OK\r\nXY1");
    EXPECT_EQ(s.RecvUntil("\r\n", 500), "OK");
    EXPECT_EQ(s.RecvExact(2, 500), "XY");
    EXPECT_EQ(s.BytesWaiting(), 1u);
    EXPECT_EQ(s.RecvByte(500), '1');
}

TEST(TcpSocketTest, PartialArrivalsAreJoinedAndATimeOutLosesNothing) {
    Loopback servidor;
    TcpSocket s;
    s.Connect("localhost", servidor.PortaTexto());
    servidor.Aceitar();
    servidor.Escrever("AB");
    EXPECT_EQ(CodigoDoErro([&] { s.RecvExact(3, 20); }), std::errc::timed_out);
    servidor.Escrever("C");
    EXPECT_EQ(s.RecvExact(3, 500), "ABC");
    servidor.Escrever("late");
    EXPECT_EQ(s.RecvPacket(500), "late");
}

TEST(TcpSocketTest, PurgeInputDropsOnlyWhatCame) {
    Loopback servidor;
    TcpSocket s;
    s.Connect("127.0.0.1", servidor.PortaTexto());
    servidor.Aceitar();
    servidor.Escrever("stale");
    EXPECT_EQ(s.RecvByte(500), 's');
    s.PurgeInput();
    EXPECT_EQ(s.BytesWaiting(), 0u);
    s.Send("still sent");
    EXPECT_EQ(servidor.Ler(10), "still sent");
}

TEST(TcpSocketTest, RefusedPortAndClosedPeerAreErrors) {
    TcpSocket s;
    std::error_code erro;
    s.Connect("127.0.0.1", std::to_string(testsupport::PortaRecusada()), erro);
    EXPECT_EQ(erro, std::errc::connection_refused);
    try {
        s.Connect("127.0.0.1", std::to_string(testsupport::PortaRecusada()));
        FAIL() << "connected to nobody";
    } catch (const PlatformError& e) {
        EXPECT_NE(std::string(e.what()).find("Connection refused"), std::string::npos) << e.what();
    }

    Loopback servidor;
    s.Connect("127.0.0.1", servidor.PortaTexto());
    servidor.Aceitar();
    servidor.Fechar();
    EXPECT_EQ(CodigoDoErro([&] { s.RecvPacket(500); }), std::errc::connection_reset);
}

TEST(TcpSocketTest, ConnectGivesUpAtTheTimeOutWhenTheBacklogIsFull) {
    Loopback servidor(0);
    // Nobody accepts: once the queue is full the listener ignores new connection requests.
    std::vector<int> enchimento;
    for (int i = 0; i < 8; ++i) {
        int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(static_cast<uint16_t>(servidor.Porta()));
        ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        enchimento.push_back(fd);
    }
    TcpSocket s;
    s.SetTimeout(50);
    std::error_code erro;
    s.Connect("127.0.0.1", servidor.PortaTexto(), erro);
    EXPECT_EQ(erro, std::errc::timed_out) << erro.message();
    for (int fd : enchimento)
        ::close(fd);
}

TEST(TcpSocketTest, CloseLetsThePeerReceiveTheWholeTail) {
    Loopback servidor;
    std::string recibo(1 << 20, 'x');
    recibo.back() = 'Z';
    std::string recebido;
    TcpSocket s;
    s.Connect("127.0.0.1", servidor.PortaTexto());
    servidor.Aceitar();
    servidor.Escrever("unread status"); // unread input would turn a plain close into a reset
    std::thread leitor([&] { recebido = servidor.Ler(0); });
    s.Send(recibo);
    s.Close();
    leitor.join();
    EXPECT_EQ(recebido.size(), recibo.size());
    EXPECT_EQ(recebido, recibo);
}

TEST(TcpSocketTest, UnknownServiceIsAnError) {
    TcpSocket s;
    std::error_code erro;
    s.Connect("127.0.0.1", "no-such-service", erro);
    EXPECT_TRUE(erro);
    EXPECT_FALSE(s.IsConnected());
}

} // namespace
