#include "OvraDevice.h"

#include "OvraDeviceLPT.h"
#include "OvraDeviceRaw.h"
#include "OvraDeviceTCP.h"
#include "platform/Clock.h"
#include "platform/DateTime.h"
#include "platform/FileSystem.h"
#include "platform/PortFile.h"
#include "platform/SerialPort.h"
#include "platform/Spooler.h"
#include "platform/Text.h"

#include <algorithm>
#include <array>
#include <map>
#include <optional>

std::string DeviceTypeName(TOvraDeviceType AValue) {
    static const std::array<const char*, 9> nomes = {"dtNenhum",   "dtFile", "dtSerial",
                                                     "dtParallel", "dtTCP",  "dtRawPrinter",
                                                     "dtHook",     "dtUSB",  "dtBlueTooth"};
    return AValue >= dtNenhum && AValue <= dtBlueTooth ? nomes[AValue] : "dtNenhum";
}

namespace {

// The USB and Bluetooth ports keep their places in the device; until their transports exist,
// opening one says so instead of pretending to print.
class TOvraDeviceIndisponivel : public TOvraDeviceClass {
public:
    TOvraDeviceIndisponivel(TOvraDevice* AOwner, std::string nomeClasse, std::string tipo)
        : TOvraDeviceClass(AOwner), fNomeClasse(std::move(nomeClasse)), fTipo(std::move(tipo)) {}

    std::string ClassName() const override { return fNomeClasse; }
    void Conectar(const std::string& APorta, int ATimeOutMilissegundos) override {
        TOvraDeviceClass::Conectar(APorta, ATimeOutMilissegundos);
        throw EOvraDevice("Porta " + fTipo + " não suportada nesta versão: " + APorta);
    }

private:
    std::string fNomeClasse;
    std::string fTipo;
};

bool ComecaCom(std::string_view texto, std::string_view prefixo) {
    return texto.substr(0, prefixo.size()) == prefixo;
}

std::string Bool(bool valor) {
    return valor ? "True" : "False";
}

} // namespace

TOvraDevice::TOvraDevice()
    : fsDeviceNenhum(std::make_unique<TOvraDeviceClass>(this)),
      fsDeviceSerial(std::make_unique<TOvraDeviceSerial>(this)),
      fsDeviceTCP(std::make_unique<TOvraDeviceTCP>(this)),
      fsDeviceLPT(std::make_unique<TOvraDeviceLPT>(this)),
      fsDeviceHook(std::make_unique<TOvraDeviceHook>(this)),
      fsDeviceRaw(std::make_unique<TOvraDeviceRaw>(this)),
      fsDeviceWinUSB(std::make_unique<TOvraDeviceIndisponivel>(this, "TOvraDeviceWinUSB", "USB")),
      fsDeviceBlueTooth(
          std::make_unique<TOvraDeviceIndisponivel>(this, "TOvraDeviceBlueTooth", "BlueTooth")) {
    fsDeviceAtivo = fsDeviceNenhum.get();
}

TOvraDevice::~TOvraDevice() {
    GravaLog("Destroy");
    // Freeing the device releases the port: nothing is left open behind it.
    try {
        Desativar();
    } catch (...) {
    }
}

std::string TOvraDevice::ErrorClassName(const std::exception& e) {
    if (auto d = dynamic_cast<const EOvraDevice*>(&e))
        return d->ClassName();
    if (dynamic_cast<const platform::SerialError*>(&e))
        return "SerialError";
    if (dynamic_cast<const platform::PlatformError*>(&e))
        return "PlatformError";
    return "Exception";
}

template <typename F> auto TOvraDevice::Protegido(F&& acao) -> decltype(acao()) {
    struct Nivel {
        int& p;
        explicit Nivel(int& profundidade) : p(profundidade) { ++p; }
        ~Nivel() { --p; }
    } nivel(fsProfundidade);
    try {
        return acao();
    } catch (const std::exception& e) {
        if (fsProfundidade == 1)
            GravaLog(ErrorClassName(e) + ": " + e.what());
        throw;
    }
}

void TOvraDevice::GravaLog(const std::string& AString, bool Traduz) const {
    if (fsArqLOG.empty())
        return;
    try {
        std::string linha = "-- " + platform::FormatDateTime("dd/mm hh:nn:ss:zzz", platform::Now()) + " " +
                            (Traduz ? platform::ToLogText(AString) : AString) + "\r\n";
        platform::AppendFile(fsArqLOG, linha);
    } catch (...) {
        // The log must never be the reason a receipt is not printed.
    }
}

void TOvraDevice::ProcessarMensagens() {
    if (fProcessMessages && OnProcessMessages)
        OnProcessMessages();
}

TOvraDeviceClass* TOvraDevice::TransporteDoTipo(TOvraDeviceType AValue) const {
    switch (AValue) {
    case dtFile:
    case dtParallel:
        return fsDeviceLPT.get();
    case dtSerial:
        return fsDeviceSerial.get();
    case dtTCP:
        return fsDeviceTCP.get();
    case dtRawPrinter:
        return fsDeviceRaw.get();
    case dtHook:
        return fsDeviceHook.get();
    case dtUSB:
        return fsDeviceWinUSB.get();
    case dtBlueTooth:
        return fsDeviceBlueTooth.get();
    default:
        return fsDeviceNenhum.get();
    }
}

platform::SerialPort& TOvraDevice::Serial() const {
    return fsDeviceSerial->Serial();
}

platform::TcpSocket& TOvraDevice::Socket() const {
    return fsDeviceTCP->Socket();
}

TOvraDeviceType TOvraDevice::DeduzirTipoPorta(const std::string& APorta) {
    GravaLog("DeduzirTipoPorta(" + APorta + ")");
    std::string p = platform::UpperAscii(APorta);
    auto deduzir = [&]() -> TOvraDeviceType {
        if (APorta == "*")
            return dtRawPrinter;
        if (ComecaCom(p, "NULL"))
            return dtNenhum;
        if (ComecaCom(p, "TCP:"))
            return dtTCP;
        if (ComecaCom(p, "RAW:"))
            return dtRawPrinter;
        if (ComecaCom(p, "BTH:"))
            return dtBlueTooth;
        // The native device names of this system, by the node they name.
        if (ComecaCom(APorta, "/dev/usb/lp"))
            return dtFile; // a USB printer node takes the bytes as a file does
        if (ComecaCom(APorta, "/dev/lp"))
            return dtParallel;
        if (ComecaCom(APorta, "/dev/tty") || ComecaCom(APorta, "/dev/pts/") ||
            ComecaCom(APorta, "/dev/serial/") || ComecaCom(APorta, "/dev/rfcomm"))
            return dtSerial;
        if (p.size() >= 4 && p.substr(p.size() - 4) == ".TXT")
            return dtFile;
        if (ComecaCom(p, "FILE:"))
            return dtFile;
        if (ComecaCom(p, "LPT"))
            return dtParallel;
        if (ComecaCom(p, "COM"))
            return dtSerial;
        if (ComecaCom(APorta, "\\\\.\\"))
            return dtSerial;
        if (ComecaCom(p, "DLL"))
            return dtHook;
        if (ComecaCom(p, "USB"))
            return dtUSB;
        if (platform::UpperAscii(APorta.substr(0, 7)) == "\\\\?\\USB")
            return dtUSB;
        try {
            auto instaladas = platform::ListPrinters().nomes;
            if (std::find(instaladas.begin(), instaladas.end(), APorta) != instaladas.end())
                return dtRawPrinter;
        } catch (...) {
            // No spooler to ask: then it is not one of its printers.
        }
        if (APorta.find('\\') != std::string::npos || APorta.find('/') != std::string::npos)
            return dtFile;
        return dtNenhum;
    };
    TOvraDeviceType tipo = deduzir();
    if (!fsArqLOG.empty())
        GravaLog("  " + DeviceTypeName(tipo));
    return tipo;
}

void TOvraDevice::SetPorta(const std::string& AValue) {
    if (AValue == fsPorta)
        return;
    Protegido([&] {
        GravaLog("SetPorta(" + AValue + ")");
        if (fsAtivo)
            throw EOvraDevice("Não é possível mudar a Porta com o Dispositivo Ativo");
        std::string porta = platform::Trim(AValue);
        std::string p = platform::UpperAscii(porta);
        if (ComecaCom(p, "LPT") || ComecaCom(p, "COM"))
            porta = p;
        TOvraDeviceType tipo = DeduzirTipoPorta(porta);
        fsPorta = porta;
        fsDeviceType = tipo;
        fsDeviceAtivo = TransporteDoTipo(tipo);
        fsDeviceAtivo->SetTimeOutMilissegundos(fsTimeOutMilissegundos);
        fsDeviceAtivo->SetMaxSendBandwidth(fsMaxBandwidth);
    });
}

void TOvraDevice::SetDeviceType(TOvraDeviceType AValue) {
    if (AValue == fsDeviceType)
        return;
    Protegido([&] {
        if (!fsArqLOG.empty())
            GravaLog("SetDeviceType(" + DeviceTypeName(AValue) + ")");
        // Another transport while this one is open would leave the port open behind it.
        if (fsAtivo)
            throw EOvraDevice("Não é possível mudar a Porta com o Dispositivo Ativo");
        if (AValue != dtParallel && AValue != dtNenhum) {
            TOvraDeviceType deduzido = DeduzirTipoPorta(fsPorta);
            bool confere = (AValue == dtFile || AValue == dtSerial)
                               ? (deduzido == dtFile || deduzido == dtSerial)
                               : deduzido == AValue;
            if (!confere)
                throw EOvraDevice("Tipo de dispositivo informado não condiz com o valor da Porta");
        }
        fsDeviceType = AValue;
        fsDeviceAtivo = TransporteDoTipo(AValue);
        fsDeviceAtivo->SetTimeOutMilissegundos(fsTimeOutMilissegundos);
        fsDeviceAtivo->SetMaxSendBandwidth(fsMaxBandwidth);
    });
}

void TOvraDevice::Ativar() {
    if (fsAtivo)
        return;
    Protegido([&] {
        GravaLog("Ativar - Porta " + DeviceTypeName(fsDeviceType).substr(2) + ": " + fsPorta);
        if (fsPorta.empty() ||
            (fsDeviceType == dtNenhum && !ComecaCom(platform::UpperAscii(fsPorta), "NULL")))
            throw EOvraDevice("Porta não definida");
        fsDeviceAtivo->Conectar(fsPorta, fsTimeOutMilissegundos);
        fsAtivo = true;
    });
}

void TOvraDevice::Desativar() {
    if (!fsAtivo)
        return;
    Protegido([&] {
        GravaLog("Desativar");
        struct Fechar {
            bool& ativo;
            ~Fechar() { ativo = false; }
        } fechar{fsAtivo};
        fsDeviceAtivo->Desconectar(true);
    });
}

void TOvraDevice::SetAtivo(bool AValue) {
    if (AValue)
        Ativar();
    else
        Desativar();
}

void TOvraDevice::EnviaString(const std::string& AString) {
    Protegido([&] {
        GravaLog("EnviaString(" + AString + ")", true);
        fsDeviceAtivo->EnviaString(AString);
    });
}

void TOvraDevice::EnviaByte(std::uint8_t AByte) {
    Protegido([&] {
        GravaLog("EnviaByte(" + std::to_string(AByte) + ")");
        fsDeviceAtivo->EnviaByte(AByte);
    });
}

std::string TOvraDevice::LeString(int ATimeOutMilissegundos, int NumBytes, const std::string& Terminador) {
    return Protegido([&] {
        GravaLog("LeString(" + std::to_string(ATimeOutMilissegundos) + ", " + std::to_string(NumBytes) +
                     ", " + Terminador + ")",
                 true);
        int tempo = ATimeOutMilissegundos < 1 ? fsTimeOutMilissegundos : ATimeOutMilissegundos;
        std::string lido = fsDeviceAtivo->LeString(tempo, NumBytes, Terminador);
        GravaLog("  " + lido, true);
        return lido;
    });
}

std::uint8_t TOvraDevice::LeByte(int ATimeOutMilissegundos) {
    return Protegido([&] {
        GravaLog("LeByte(" + std::to_string(ATimeOutMilissegundos) + ")");
        int tempo = ATimeOutMilissegundos < 1 ? fsTimeOutMilissegundos : ATimeOutMilissegundos;
        std::uint8_t valor = fsDeviceAtivo->LeByte(tempo);
        GravaLog("  " + std::to_string(valor));
        return valor;
    });
}

void TOvraDevice::Limpar() {
    Protegido([&] {
        GravaLog("Limpar");
        fsDeviceAtivo->Limpar();
    });
}

int TOvraDevice::BytesParaLer() {
    return Protegido([&] {
        int n = fsDeviceAtivo->BytesParaLer();
        GravaLog("BytesParaLer: " + std::to_string(n));
        return n;
    });
}

bool TOvraDevice::EmLinha(int ATimeOutSegundos) {
    return Protegido([&] {
        GravaLog("EmLinha(" + std::to_string(ATimeOutSegundos) + ")");
        bool r = fsDeviceAtivo->EmLinha(std::max(ATimeOutSegundos, 1) * 1000);
        GravaLog("  " + Bool(r));
        return r;
    });
}

bool TOvraDevice::PedirPermissoes() {
    return Protegido([&] {
        GravaLog("PedirPermissoes");
        bool r = fsDeviceAtivo->PedirPermissoes();
        GravaLog("  " + Bool(r));
        return r;
    });
}

void TOvraDevice::AcharPortasSeriais(std::vector<std::string>& AStringList, int UltimaPorta) {
    fsDeviceSerial->AcharPortasSeriais(AStringList, UltimaPorta);
}

void TOvraDevice::AcharPortasRAW(std::vector<std::string>& AStringList) {
    try {
        fsDeviceRaw->AcharPortasRAW(AStringList);
    } catch (const std::exception& e) {
        // A machine without a spooler running simply has no spooler printers to offer.
        GravaLog(ErrorClassName(e) + ": " + e.what());
    }
}

void TOvraDevice::AcharPortasUSB(std::vector<std::string>& AStringList) {
    GravaLog("AcharPortasUSB");
    // USB printers are reached through their printer nodes, written as files.
    for (const std::string& porta : platform::ListParallelPorts())
        if (ComecaCom(porta, "/dev/usb/"))
            AStringList.push_back(porta);
}

void TOvraDevice::AcharPortasParalelas(std::vector<std::string>& AStringList) {
    for (const std::string& porta : platform::ListParallelPorts())
        if (!ComecaCom(porta, "/dev/usb/"))
            AStringList.push_back(porta);
}

void TOvraDevice::AcharPortasBlueTooth(std::vector<std::string>&, bool) {
    GravaLog("AcharPortasBlueTooth");
}

void TOvraDevice::AcharPortas(std::vector<std::string>& AStringList) {
    AcharPortasUSB(AStringList);
    AcharPortasSeriais(AStringList, 64);
    AcharPortasParalelas(AStringList);
    AcharPortasRAW(AStringList);
    AcharPortasBlueTooth(AStringList, true);
}

namespace {

const char* TextoStop(TOvraSerialStop s) {
    return s == s1eMeio ? "1,5" : s == s2 ? "2" : "1";
}

const char* TextoHandShake(TOvraHandShake h) {
    switch (h) {
    case hsXON_XOFF:
        return "XON/XOFF";
    case hsRTS_CTS:
        return "RTS/CTS";
    case hsDTR_DSR:
        return "DTR/DSR";
    default:
        return "";
    }
}

const char LetrasParidade[] = {'N', 'O', 'E', 'M', 'S'};

} // namespace

std::string TOvraDevice::DeviceToString(bool OnlyException) {
    std::string s;
    auto chave = [&](const char* nome, const std::string& valor, bool diferente) {
        if (!OnlyException || diferente)
            s += std::string(" ") + nome + "=" + valor;
    };
    chave("BAUD", std::to_string(Baud()), Baud() != 9600);
    chave("DATA", std::to_string(Data()), Data() != 8);
    chave("PARITY", std::string(1, LetrasParidade[Parity()]), Parity() != pNone);
    chave("STOP", TextoStop(Stop()), Stop() != s1);
    chave("HANDSHAKE", TextoHandShake(HandShake()), HandShake() != hsNenhum);
    // The flags say again what HANDSHAKE says; the short form leaves them out.
    if (!OnlyException && HardFlow())
        s += " HARDFLOW";
    if (!OnlyException && SoftFlow())
        s += " SOFTFLOW";
    chave("MAXBANDWIDTH", std::to_string(MaxBandwidth()), MaxBandwidth() > 0);
    chave("SENDBYTESCOUNT", std::to_string(SendBytesCount()), SendBytesCount() > 0);
    chave("SENDBYTESINTERVAL", std::to_string(SendBytesInterval()), SendBytesInterval() > 0);
    s = platform::Trim(s);
    GravaLog("  DeviceToString: " + s);
    return s;
}

std::string TOvraDevice::ParamsString() {
    return DeviceToString(true);
}

namespace {

const char* const ChavesComValor[] = {"BAUD",      "DATA",         "PARITY",         "STOP",
                                      "HANDSHAKE", "MAXBANDWIDTH", "SENDBYTESCOUNT", "SENDBYTESINTERVAL"};
const char* const Bandeiras[] = {"HARDFLOW", "SOFTFLOW"};

bool ChaveComValor(std::string_view k) {
    return std::any_of(std::begin(ChavesComValor), std::end(ChavesComValor),
                       [&](const char* c) { return k == c; });
}

bool Bandeira(std::string_view k) {
    return std::any_of(std::begin(Bandeiras), std::end(Bandeiras), [&](const char* c) { return k == c; });
}

// The word's key part (before "="), when it is one of the string's keys.
bool PalavraChave(std::string_view palavra) {
    std::string_view k = palavra.substr(0, palavra.find('='));
    return ChaveComValor(k) || Bandeira(k);
}

std::vector<std::string> Palavras(const std::string& texto) {
    std::vector<std::string> palavras;
    std::size_t i = 0;
    while (i < texto.size()) {
        while (i < texto.size() && texto[i] == ' ')
            ++i;
        std::size_t inicio = i;
        while (i < texto.size() && texto[i] != ' ')
            ++i;
        if (i > inicio)
            palavras.push_back(texto.substr(inicio, i - inicio));
    }
    return palavras;
}

// What a configuration string says, read whole before anything is applied, so that a bad string
// changes nothing.
struct ConfigLida {
    std::map<std::string, std::string> valores; // first occurrence of each key
    bool hardFlow = false;
    bool softFlow = false;
};

ConfigLida LerConfig(const std::string& texto) {
    ConfigLida lida;
    std::vector<std::string> palavras = Palavras(texto);
    for (std::size_t i = 0; i < palavras.size(); ++i) {
        const std::string& palavra = palavras[i];
        std::size_t igual = palavra.find('=');
        std::string chave = palavra.substr(0, igual);
        if (Bandeira(chave)) {
            if (igual != std::string::npos && igual + 1 < palavra.size())
                throw EOvraDevice("Parâmetro inválido na configuração da porta: " + palavra);
            (chave == "HARDFLOW" ? lida.hardFlow : lida.softFlow) = true;
            continue;
        }
        if (!ChaveComValor(chave))
            throw EOvraDevice("Parâmetro inválido na configuração da porta: " + palavra);
        // "KEY=VALUE", "KEY VALUE", "KEY = VALUE", "KEY= VALUE", "KEY =VALUE"; a key right after
        // the "=" means the value is empty ("HANDSHAKE= HARDFLOW", as the full form writes it).
        bool temIgual = igual != std::string::npos;
        std::string valor = temIgual ? palavra.substr(igual + 1) : std::string();
        if (!temIgual && i + 1 < palavras.size() && palavras[i + 1][0] == '=') {
            temIgual = true;
            valor = palavras[++i].substr(1);
        }
        if (valor.empty() && i + 1 < palavras.size() && !PalavraChave(palavras[i + 1]))
            valor = palavras[++i];
        lida.valores.emplace(chave, valor);
    }
    return lida;
}

std::optional<int> Inteiro(const ConfigLida& lida, const char* chave, int minimo) {
    auto it = lida.valores.find(chave);
    if (it == lida.valores.end())
        return std::nullopt;
    auto numero = platform::ParseInt32(it->second);
    if (!numero || *numero < minimo)
        throw EOvraDevice(std::string("Valor inválido para ") + chave + ": " + it->second);
    return numero;
}

} // namespace

void TOvraDevice::SetParamsString(const std::string& AValue) {
    Protegido([&] {
        GravaLog("SetParamsString(" + AValue + ")");
        ConfigLida lida = LerConfig(platform::UpperAscii(platform::Trim(AValue)));

        // Everything is checked first; the setters' own range errors come with their messages.
        std::optional<int> baud = Inteiro(lida, "BAUD", INT32_MIN);
        if (baud && (*baud < 50 || *baud > 4000000))
            throw EOvraDevice(
                "Valor deve estar na faixa de 50 a 4000000.\nNormalmente os equipamentos Seriais "
                "utilizam: 9600");
        std::optional<int> data = Inteiro(lida, "DATA", INT32_MIN);
        if (data && (*data < 5 || *data > 8))
            throw EOvraDevice(
                "Valor deve estar na faixa de 5 a 8.\nNormalmente os equipamentos Seriais utilizam: 7 ou 8");
        std::optional<TOvraSerialParity> paridade;
        if (auto it = lida.valores.find("PARITY"); it != lida.valores.end()) {
            const char* achou = it->second.empty() ? nullptr
                                                   : std::find(std::begin(LetrasParidade),
                                                               std::end(LetrasParidade), it->second[0]);
            if (achou == nullptr || achou == std::end(LetrasParidade))
                throw EOvraDevice("Valor inválido para PARITY: " + it->second);
            paridade = static_cast<TOvraSerialParity>(achou - std::begin(LetrasParidade));
        }
        std::optional<TOvraSerialStop> stop;
        if (auto it = lida.valores.find("STOP"); it != lida.valores.end()) {
            if (it->second == "1")
                stop = s1;
            else if (it->second == "1,5" || it->second == "1.5")
                stop = s1eMeio;
            else if (it->second == "2")
                stop = s2;
            else
                throw EOvraDevice("Valor inválido para STOP: " + it->second);
        }
        std::optional<TOvraHandShake> handShake;
        if (auto it = lida.valores.find("HANDSHAKE"); it != lida.valores.end()) {
            if (it->second == "XON/XOFF")
                handShake = hsXON_XOFF;
            else if (it->second == "RTS/CTS")
                handShake = hsRTS_CTS;
            else if (it->second == "DTR/DSR")
                handShake = hsDTR_DSR;
            else if (it->second.empty())
                handShake = hsNenhum;
            else
                throw EOvraDevice("Valor inválido para HANDSHAKE: " + it->second);
        }
        std::optional<int> banda = Inteiro(lida, "MAXBANDWIDTH", 0);
        std::optional<int> contagem = Inteiro(lida, "SENDBYTESCOUNT", 0);
        std::optional<int> intervalo = Inteiro(lida, "SENDBYTESINTERVAL", 0);

        // The string describes the whole configuration: what it leaves out is at its default.
        fsDeviceSerial->ValoresPadroes();
        fsDeviceSerial->SetBaud(baud.value_or(9600));
        fsDeviceSerial->SetData(data.value_or(8));
        fsDeviceSerial->SetParity(paridade.value_or(pNone));
        fsDeviceSerial->SetStop(stop.value_or(s1));
        fsDeviceSerial->SetHardFlow(lida.hardFlow);
        fsDeviceSerial->SetSoftFlow(lida.softFlow);
        if (handShake)
            fsDeviceSerial->SetHandShake(*handShake);
        SetMaxBandwidth(banda.value_or(0));
        SetSendBytesCount(contagem.value_or(0));
        SetSendBytesInterval(intervalo.value_or(0));
    });
}

void TOvraDevice::SetBaud(int AValue) {
    Protegido([&] { fsDeviceSerial->SetBaud(AValue); });
}

void TOvraDevice::SetData(int AValue) {
    Protegido([&] { fsDeviceSerial->SetData(AValue); });
}

void TOvraDevice::SetParity(TOvraSerialParity AValue) {
    Protegido([&] { fsDeviceSerial->SetParity(AValue); });
}

void TOvraDevice::SetStop(TOvraSerialStop AValue) {
    Protegido([&] { fsDeviceSerial->SetStop(AValue); });
}

void TOvraDevice::SetHandShake(TOvraHandShake AValue) {
    Protegido([&] { fsDeviceSerial->SetHandShake(AValue); });
}

void TOvraDevice::SetHardFlow(bool AValue) {
    Protegido([&] { fsDeviceSerial->SetHardFlow(AValue); });
}

void TOvraDevice::SetSoftFlow(bool AValue) {
    Protegido([&] { fsDeviceSerial->SetSoftFlow(AValue); });
}

void TOvraDevice::SetMaxBandwidth(int AValue) {
    fsMaxBandwidth = AValue < 0 ? 0 : AValue;
    fsDeviceAtivo->SetMaxSendBandwidth(fsMaxBandwidth);
}

int TOvraDevice::TimeOut() const {
    return std::max(1, fsTimeOutMilissegundos / 1000);
}

void TOvraDevice::SetTimeOut(int ASegundos) {
    int milissegundos = std::max(ASegundos, 1) * 1000;
    if (milissegundos == fsTimeOutMilissegundos)
        return;
    GravaLog("SetTimeOut(" + std::to_string(ASegundos) + ")");
    fsTimeOutMilissegundos = milissegundos;
    fsDeviceAtivo->SetTimeOutMilissegundos(milissegundos);
}

void TOvraDevice::SetTimeOutMilissegundos(int AValue) {
    if (AValue == fsTimeOutMilissegundos)
        return;
    GravaLog("SetTimeOutMilissegundos(" + std::to_string(AValue) + ")");
    fsTimeOutMilissegundos = AValue;
    fsDeviceAtivo->SetTimeOutMilissegundos(AValue);
}

std::string TOvraDevice::NomeDocumento() const {
    return fsNomeDocumento.empty() ? ClassName() : fsNomeDocumento;
}

void TOvraDevice::SetNomeDocumento(const std::string& AValue) {
    fsNomeDocumento = platform::Trim(AValue);
}

void TOvraDevice::ImprimePos(int Linha, int Coluna, const std::string& AString) {
    if (AString.empty() || Linha < 0 || Coluna < 0)
        return;
    Protegido([&] {
        std::string comandos;
        if (Linha < fsPosImp.Linha)
            Eject();
        if (fsPosImp.Linha < Linha) {
            comandos.append(static_cast<std::size_t>(Linha - fsPosImp.Linha), '\n');
            fsPosImp.Linha = Linha;
        }
        if (Coluna < fsPosImp.Coluna) {
            comandos += '\r';
            fsPosImp.Coluna = 0;
        }
        if (fsPosImp.Coluna < Coluna) {
            comandos.append(static_cast<std::size_t>(Coluna - fsPosImp.Coluna), ' ');
            fsPosImp.Coluna = Coluna;
        }
        EnviaString(comandos + AString);
        fsPosImp.Coluna += static_cast<int>(AString.size());
    });
}

void TOvraDevice::Eject() {
    EnviaString(std::string(1, '\x0C'));
    fsPosImp.Linha = 0;
}

void TOvraDevice::Assign(const TOvraDevice& Source) {
    Protegido([&] {
        SetBaud(Source.Baud());
        SetData(Source.Data());
        SetParity(Source.Parity());
        SetStop(Source.Stop());
        SetMaxBandwidth(Source.MaxBandwidth());
        SetSendBytesCount(Source.SendBytesCount());
        SetSendBytesInterval(Source.SendBytesInterval());
        SetHandShake(Source.HandShake());
        SetProcessMessages(Source.ProcessMessages());
        SetOnStatus(Source.OnStatus());
        SetHookAtivar(Source.HookAtivar());
        SetHookDesativar(Source.HookDesativar());
        SetHookEnviaString(Source.HookEnviaString());
        SetHookLeString(Source.HookLeString());
    });
}
