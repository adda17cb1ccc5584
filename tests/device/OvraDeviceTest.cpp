// First, alone: the header must compile by itself.
#include "device/OvraDevice.h"

#include "LogDoDevice.h"
#include "platform/FileSystem.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

using testsupport::FixedClock;
using testsupport::MensagemDoErro;
using testsupport::TempDir;

TEST(OvraDeviceTest, PortNamesChooseTheTransport) {
    struct Caso {
        const char* porta;
        TOvraDeviceType tipo;
        const char* guardada;
    };
    const Caso casos[] = {
        {"com3", dtSerial, "COM3"},
        {"  COM1  ", dtSerial, "COM1"},
        {"\\\\.\\COM10", dtSerial, "\\\\.\\COM10"},
        {"lpt1", dtParallel, "LPT1"},
        {"TCP:192.168.0.10:9100", dtTCP, "TCP:192.168.0.10:9100"},
        {"tcp:impressora", dtTCP, "tcp:impressora"},
        {"RAW:Caixa", dtRawPrinter, "RAW:Caixa"},
        {"*", dtRawPrinter, "*"},
        {"BTH:Printer", dtBlueTooth, "BTH:Printer"},
        {"c:\\temp\\ecf.txt", dtFile, "c:\\temp\\ecf.txt"},
        {"recibo.TXT", dtFile, "recibo.TXT"},
        {"FILE:recibo.prn", dtFile, "FILE:recibo.prn"},
        {"\\\\servidor\\recibos", dtFile, "\\\\servidor\\recibos"},
        {"DLL_Elgin", dtHook, "DLL_Elgin"},
        {"USB", dtUSB, "USB"},
        {"\\\\?\\usb#vid_04b8", dtUSB, "\\\\?\\usb#vid_04b8"},
        {"NULL", dtNenhum, "NULL"},
        {"qualquer", dtNenhum, "qualquer"},
        // This system's own device names; a path keeps its case.
        {"/dev/ttyS0", dtSerial, "/dev/ttyS0"},
        {"/dev/ttyUSB0", dtSerial, "/dev/ttyUSB0"},
        {"/dev/ttyACM1", dtSerial, "/dev/ttyACM1"},
        {"/dev/pts/4", dtSerial, "/dev/pts/4"},
        {"/dev/serial/by-id/usb-Printer", dtSerial, "/dev/serial/by-id/usb-Printer"},
        {"/dev/lp0", dtParallel, "/dev/lp0"},
        {"/dev/usb/lp0", dtFile, "/dev/usb/lp0"},
        {"/tmp/Recibo.prn", dtFile, "/tmp/Recibo.prn"},
        {"saida/recibo.prn", dtFile, "saida/recibo.prn"},
    };
    for (const Caso& c : casos) {
        TOvraDevice device;
        device.SetPorta(c.porta);
        EXPECT_EQ(DeviceTypeName(device.DeviceType()), DeviceTypeName(c.tipo)) << c.porta;
        EXPECT_EQ(device.Porta(), c.guardada);
    }
}

TEST(OvraDeviceTest, KindQueriesFollowTheKind) {
    TOvraDevice device;
    device.SetPorta("COM2");
    EXPECT_TRUE(device.IsSerialPort());
    EXPECT_FALSE(device.IsTCPPort());
    device.SetPorta("TCP:x");
    EXPECT_TRUE(device.IsTCPPort());
    device.SetPorta("a.txt");
    EXPECT_TRUE(device.IsTXTFilePort());
    device.SetPorta("DLL");
    EXPECT_TRUE(device.IsDLLPort());
}

TEST(OvraDeviceTest, DeviceTypeMustAgreeWithThePort) {
    TOvraDevice device;
    device.SetPorta("COM1");
    EXPECT_NO_THROW(device.SetDeviceType(dtFile)); // file and serial stand in for each other
    EXPECT_EQ(device.DeviceType(), dtFile);
    EXPECT_NO_THROW(device.SetDeviceType(dtParallel));
    EXPECT_EQ(MensagemDoErro([&] { device.SetDeviceType(dtTCP); }),
              "Tipo de dispositivo informado não condiz com o valor da Porta");
    EXPECT_EQ(device.DeviceType(), dtParallel);
}

TEST(OvraDeviceTest, OpeningWithoutAPortFails) {
    for (const char* porta : {"", "qualquer"}) {
        TOvraDevice device;
        device.SetPorta(porta);
        EXPECT_EQ(MensagemDoErro([&] { device.Ativar(); }), "Porta não definida") << porta;
        EXPECT_FALSE(device.Ativo());
    }
}

TEST(OvraDeviceTest, NullPortOpensAndDiscardsEverything) {
    TOvraDevice device;
    device.SetPorta("NULL");
    device.Ativar();
    EXPECT_TRUE(device.Ativo());
    device.EnviaString("qualquer coisa");
    EXPECT_EQ(device.LeString(10), "");
    EXPECT_EQ(device.LeByte(10), 0);
    EXPECT_EQ(MensagemDoErro([&] { device.SetPorta("COM1"); }),
              "Não é possível mudar a Porta com o Dispositivo Ativo");
    EXPECT_EQ(device.Porta(), "NULL");
    device.SetAtivo(false);
    EXPECT_FALSE(device.Ativo());
    EXPECT_NO_THROW(device.SetPorta("COM1"));
}

TEST(OvraDeviceTest, ParamsStringReadsAndWrites) {
    struct Caso {
        const char* lido;
        const char* curto;
    };
    const Caso casos[] = {
        {"", ""},
        {"baud=19200 stop=2", "BAUD=19200 STOP=2"},
        {"BAUD=115200 PARITY=E HANDSHAKE=RTS/CTS SENDBYTESCOUNT=64",
         "BAUD=115200 PARITY=E HANDSHAKE=RTS/CTS SENDBYTESCOUNT=64"},
        {"  Baud = 4800   data 7 parity=Odd ", "BAUD=4800 DATA=7 PARITY=O"},
        {"STOP=1,5 PARITY=M", "PARITY=M STOP=1,5"},
        {"HARDFLOW", "HANDSHAKE=RTS/CTS"},
        {"SOFTFLOW", "HANDSHAKE=XON/XOFF"},
        {"HARDFLOW HANDSHAKE=DTR/DSR", "HANDSHAKE=DTR/DSR"},
        {"MAXBANDWIDTH=1000 SENDBYTESINTERVAL=20", "MAXBANDWIDTH=1000 SENDBYTESINTERVAL=20"},
        {"BAUD=9600 DATA=8 PARITY=N STOP=1 HANDSHAKE= MAXBANDWIDTH=0", ""},
    };
    for (const Caso& c : casos) {
        TOvraDevice device;
        device.SetParamsString(c.lido);
        EXPECT_EQ(device.ParamsString(), c.curto) << c.lido;
    }
}

TEST(OvraDeviceTest, FullConfigurationStringHasEveryKeyAndReadsBack) {
    TOvraDevice device;
    EXPECT_EQ(
        device.DeviceToString(false),
        "BAUD=9600 DATA=8 PARITY=N STOP=1 HANDSHAKE= MAXBANDWIDTH=0 SENDBYTESCOUNT=0 SENDBYTESINTERVAL=0");
    device.SetParamsString("BAUD=38400 HANDSHAKE=RTS/CTS SENDBYTESCOUNT=10");
    std::string completo = device.DeviceToString(false);
    EXPECT_EQ(completo, "BAUD=38400 DATA=8 PARITY=N STOP=1 HANDSHAKE=RTS/CTS HARDFLOW MAXBANDWIDTH=0 "
                        "SENDBYTESCOUNT=10 SENDBYTESINTERVAL=0");
    TOvraDevice outro;
    outro.SetParamsString(completo);
    EXPECT_EQ(outro.DeviceToString(false), completo);
    outro.SetParamsString(outro.DeviceToString(false).replace(completo.find("RTS/CTS"), 7, ""));
    EXPECT_EQ(outro.HandShake(), hsNenhum);
}

TEST(OvraDeviceTest, BadConfigurationStringsAreRefusedAndChangeNothing) {
    struct Caso {
        const char* texto;
        const char* mensagem;
    };
    const Caso casos[] = {
        {"BAUD=49",
         "Valor deve estar na faixa de 50 a 4000000.\nNormalmente os equipamentos Seriais utilizam: 9600"},
        {"BAUD=96OO", "Valor inválido para BAUD: 96OO"},
        {"DATA=9",
         "Valor deve estar na faixa de 5 a 8.\nNormalmente os equipamentos Seriais utilizam: 7 ou 8"},
        {"PARITY=X", "Valor inválido para PARITY: X"},
        {"STOP=3", "Valor inválido para STOP: 3"},
        {"HANDSHAKE=RTS", "Valor inválido para HANDSHAKE: RTS"},
        {"SENDBYTESCOUNT=-1", "Valor inválido para SENDBYTESCOUNT: -1"},
        {"BUAD=9600", "Parâmetro inválido na configuração da porta: BUAD=9600"},
        {"HARDFLOW=1", "Parâmetro inválido na configuração da porta: HARDFLOW=1"},
    };
    for (const Caso& c : casos) {
        TOvraDevice device;
        device.SetParamsString("BAUD=19200 PARITY=E SENDBYTESCOUNT=32");
        EXPECT_EQ(MensagemDoErro([&] { device.SetParamsString(c.texto); }), c.mensagem) << c.texto;
        EXPECT_EQ(device.ParamsString(), "BAUD=19200 PARITY=E SENDBYTESCOUNT=32") << c.texto;
    }
}

TEST(OvraDeviceTest, TimeOutInSecondsAndMilliseconds) {
    TOvraDevice device;
    EXPECT_EQ(device.TimeOutMilissegundos(), 3000);
    EXPECT_EQ(device.TimeOut(), 3);
    device.SetTimeOut(0);
    EXPECT_EQ(device.TimeOutMilissegundos(), 1000);
    device.SetTimeOutMilissegundos(300);
    EXPECT_EQ(device.TimeOut(), 1);
    device.SetTimeOutMilissegundos(2500);
    EXPECT_EQ(device.TimeOut(), 2);
}

TEST(OvraDeviceTest, DocumentNameIsTrimmedAndDefaultsToTheClassName) {
    TOvraDevice device;
    EXPECT_EQ(device.NomeDocumento(), "TOvraDevice");
    device.SetNomeDocumento("  Recibo 12 ");
    EXPECT_EQ(device.NomeDocumento(), "Recibo 12");
}

// A hook port records what it is sent: the positioning of ImprimePos is seen exactly.
struct DeviceGravado {
    TOvraDevice device;
    std::vector<std::string> enviados;
    DeviceGravado() {
        device.SetHookEnviaString([this](const std::string& s) { enviados.push_back(s); });
        device.SetPorta("DLL");
        device.Ativar();
    }
};

TEST(OvraDeviceTest, ImprimePosMovesByLinesColumnsAndFormFeeds) {
    DeviceGravado g;
    g.device.ImprimePos(2, 5, "X");
    g.device.ImprimePos(1, 0, "Y");
    g.device.ImprimePos(1, 3, "");
    g.device.ImprimePos(-1, 3, "Z");
    ASSERT_EQ(g.enviados.size(), 3u);
    EXPECT_EQ(g.enviados[0], "\n\n     X");
    EXPECT_EQ(g.enviados[1], "\x0C");
    EXPECT_EQ(g.enviados[2], "\n\rY");
    EXPECT_EQ(g.device.PosImp().Linha, 1);
    EXPECT_EQ(g.device.PosImp().Coluna, 1);
}

TEST(OvraDeviceTest, AssignCopiesSettingsAndHooksButNotThePort) {
    TOvraDevice origem;
    origem.SetParamsString("BAUD=57600 DATA=7 PARITY=E STOP=2 HANDSHAKE=XON/XOFF SENDBYTESCOUNT=8 "
                           "SENDBYTESINTERVAL=5 MAXBANDWIDTH=100");
    origem.SetPorta("COM4");
    origem.SetTimeOutMilissegundos(700);
    origem.SetProcessMessages(false);
    bool chamado = false;
    origem.SetHookEnviaString([&](const std::string&) { chamado = true; });

    TOvraDevice destino;
    destino.Assign(origem);
    EXPECT_EQ(destino.ParamsString(), origem.ParamsString());
    EXPECT_TRUE(destino.SoftFlow());
    EXPECT_FALSE(destino.ProcessMessages());
    EXPECT_EQ(destino.Porta(), "");
    EXPECT_EQ(destino.TimeOutMilissegundos(), 3000);
    destino.SetPorta("DLL");
    destino.Ativar();
    destino.EnviaString("x");
    EXPECT_TRUE(chamado);
}

TEST(OvraDeviceTest, LogLinesNameControlBytesAndCarryTheTime) {
    TempDir dir;
    FixedClock relogio(*platform::EncodeDateTime(2026, 3, 7, 9, 5, 4, 32));
    std::string log = dir.file("device.log");
    {
        TOvraDevice device;
        device.SetArqLOG(log);
        device.SetPorta("NULL");
        device.Ativar();
        device.EnviaString(std::string("\x1b@A\x00\xc3\x0a", 6));
        device.LeString(0, 2, "\r\n");
        device.EmLinha(0);
        device.Desativar();
        EXPECT_EQ(MensagemDoErro([&] {
                      device.SetPorta("");
                      device.Ativar();
                  }),
                  "Porta não definida");
    }
    std::string conteudo = platform::ReadFile(log);
    EXPECT_EQ(conteudo.substr(0, 22), "-- 07/03 09:05:04:032 ");
    EXPECT_EQ(conteudo.substr(conteudo.size() - 2), "\r\n");
    std::vector<std::string> esperadas = {
        "SetPorta(NULL)",
        "DeduzirTipoPorta(NULL)",
        "  dtNenhum",
        "Ativar - Porta Nenhum: NULL",
        "   TOvraDeviceClass.Conectar(NULL, 3000)",
        "EnviaString([ESC]@A[NUL][195][LF])",
        "LeString(0, 2, [CR][LF])",
        "  ",
        "EmLinha(0)",
        "  True",
        "Desativar",
        "   TOvraDeviceClass.Desconectar(True)",
        "SetPorta()",
        "DeduzirTipoPorta()",
        "  dtNenhum",
        "Ativar - Porta Nenhum: ",
        "EOvraDevice: Porta não definida",
        "Destroy",
    };
    EXPECT_EQ(LinhasDoLog(log), esperadas);
}

TEST(OvraDeviceTest, AnUnwritableLogIsIgnored) {
    TOvraDevice device;
    device.SetArqLOG("/nonexistent-folder/device.log");
    device.SetPorta("NULL");
    EXPECT_NO_THROW(device.Ativar());
}

TEST(OvraDeviceTest, UsbAndBluetoothPortsSayTheyAreNotAvailableYet) {
    for (const char* porta : {"USB:Epson", "BTH:Impressora"}) {
        TOvraDevice device;
        device.SetPorta(porta);
        EXPECT_THROW(device.Ativar(), EOvraDevice) << porta;
        EXPECT_FALSE(device.Ativo());
    }
}

TEST(OvraDeviceTest, TransportsNeedTheirDevice) {
    EXPECT_EQ(MensagemDoErro([] { TOvraDeviceClass semDono(nullptr); }),
              "Dono de TOvraDeviceClass deve ser TOvraDevice");
}

} // namespace
