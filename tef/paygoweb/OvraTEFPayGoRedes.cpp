#include "OvraTEFPayGoRedes.h"

#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"
#include "tef/OvraTEFComum.h"

#include <stdexcept>

namespace {

// The networks text as it ships: one network per line, "|" between the fields, CR LF line ends.
// clang-format off
constexpr std::string_view RedesPayGo =
    "#Cod_PayGo|NomePayGo_IP|NomePayGo_Web|Cod_SATCFe|CNPJ\r\n"
    "000|VISANET||012|01.027.058/0001-91\r\n"
    "001|REDECARD||025|01.425.787/0001-04\r\n"
    "004|BANRISUL|||92.702.067/0001-96\r\n"
    "006|CSHOP|CSHOP||62.895.230/0001-13\r\n"
    "008|TRIBANCO||034|\r\n"
    "009|POLICARD||023|\r\n"
    "011|FANCARD|||\r\n"
    "012|BANCRED|||\r\n"
    "013|BCARD|||03.847.413/0001-02\r\n"
    "014|ACCORD|||\r\n"
    "015|COOPERCR|||\r\n"
    "016|ORGCARD|||\r\n"
    "017|GETNET|||10.440.482/0001-54\r\n"
    "018|REPOM|||\r\n"
    "019|VLCARD||033|\r\n"
    "020|MUXX|MUXX||06.167.186/0001-54\r\n"
    "021|TKTCAR|TKTCAR|032|47.866.934/0001-74\r\n"
    "022|PREMMIA|||\r\n"
    "023|NEUS|||\r\n"
    "025|ALGORIX|||\r\n"
    "026|SENFF|||11.970.623/0001-03\r\n"
    "027|VERYCARD|||\r\n"
    "043|FILLIP|FILLIP||\r\n"
    "044|VISANET|CIELO|012|01.027.058/0001-91\r\n"
    "045|ELAVON|ELAVON||12.592.831/0001-89\r\n"
    "046|LIBCARD|LIBERCARD||09.370.323/0001-41\r\n"
    "047|RV|RV||05.022.353/0001-06\r\n"
    "048|FSTDATA|BIN||04.962.772/0001-65\r\n"
    "049|FDCORBAN|FDCORBAN||04.962.772/0001-65\r\n"
    "050|CONDUCT|CONDUCTOR||03.645.772/0001-79\r\n"
    "052|REDECARD|REDE|025|01.425.787/0001-04\r\n"
    "053|CREDSYST|CREDSYSTEM||04.670.195/0001-38\r\n"
    "054|ICARDS|INFOCARDS||01.583.361/0001-70\r\n"
    "056|NDDCARGO|NDDCARGO||06.255.692/0001-03\r\n"
    "057|BANRISUL|VERO||92.702.067/0001-96\r\n"
    "058|GLOBAL|GLOBAL||17.887.874/0001-05\r\n"
    "059|GAX|GAX||28.653.025/0001-03\r\n"
    "060|STONE|STONE||16.501.555/0001-57\r\n"
    "061|DMCARD|DMCARD||16.581.207/0001-37\r\n"
    "062|CTF|CTF||72.840.002/0001-08\r\n"
    "063|TKTLOG|TICKETLOG||03.506.307/0001-57\r\n"
    "064|GETNET|GETNET||10.440.482/0001-54\r\n"
    "065|VCMAIS|VCMAIS||\r\n"
    "066|SAFRA|SAFRA|005|58.160.789/0001-28\r\n"
    "067|PAGSEG|PAGSEG||08.561.701/0001-01\r\n"
    "068|BEBLUE|BEBLUE||20.551.972/0001-81\r\n"
    "069|MERCPAG|MERCPAG||10.573.521/0001-91\r\n"
    "070|FEPAS|FEPAS||\r\n"
    "071|ACCENTIV|||\r\n"
    "072|ASPEB|||\r\n"
    "073|FLEETCOF|||\r\n"
    "074|VALLEEXP|||\r\n"
    "075|GOLDICAR|||\r\n"
    "076|FLEETCOR|||\r\n"
    "077|GREENCAR|||\r\n"
    "078|FLEETCAR|||\r\n"
    "079|DAYCARD|||\r\n"
    "080|GREENCF|||\r\n"
    "081|VERDECAR|||\r\n"
    "082|HUBPREPA|||\r\n"
    "083|GOODCARD|GOODCARD||10.956.143/0001-25\r\n"
    "084|JGV|JGV||\r\n"
    "085|RVCARDS|||\r\n"
    "086|REDEUSE|||\r\n"
    "087|SOFTLAB|||\r\n"
    "088|NUCASH|||\r\n"
    "089|VELOE|VELOE||04.740.876/0001-25\r\n"
    "090|IZPAY|IZPAY||24.734.420/0001-60 \r\n"
    "091|BANCOPAN|||\r\n"
    "092|REDETREL|||\r\n"
    "093|WIZEO|||\r\n"
    "094|VALOREM|||\r\n"
    "095|ALELO|ALELO||04.740.876/0001-25\r\n"
    "096|VEE|VEE||26.401.688/0001-05\r\n"
    "097|PASSEPAY|PASSEPAY||\r\n"
    "098|ITAU|ITI||60.701.190/0001-04\r\n"
    "099|TICKET|TICKET||47.866.934/0001-74\r\n"
    "100|DEMO|DEMO||\r\n"
    "101|C6BANK|C6BANK||31.872.495/0001-72\r\n"
    "102|AME|AME||32.778.350/0001-70\r\n"
    "103|PAGBANK|PAGBANK||08.561.701/0001-01\r\n"
    "104|RAPPI|RAPPI||26.900.161/0001-25\r\n"
    "105|SENFF|SENFF||11.970.623/0001-03\r\n"
    "106|BCARD|BANESECARD||03.847.413/0001-02\r\n"
    "107|ALELO|ALELO||04.740.876/0001-25\r\n"
    "108|C6PIX|C6PIX||31.872.495/0001-72\r\n"
    ;
// clang-format on

// The fields of one line, split at "|"; a field that starts with a double quote runs to the closing
// one ("" inside stands for one quote) and may then hold "|".
std::vector<std::string> Campos(std::string_view linha) {
    std::vector<std::string> campos;
    std::size_t i = 0;
    for (;;) {
        std::string campo;
        if (i < linha.size() && linha[i] == '"') {
            ++i;
            while (i < linha.size()) {
                if (linha[i] == '"') {
                    if (i + 1 < linha.size() && linha[i + 1] == '"') {
                        campo += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                campo += linha[i++];
            }
        }
        while (i < linha.size() && linha[i] != '|')
            campo += linha[i++];
        campos.push_back(std::move(campo));
        if (i >= linha.size())
            break;
        ++i; // the "|"
    }
    return campos;
}

} // namespace

TOvraTEFPayGoTabelaRedes::TOvraTEFPayGoTabelaRedes(std::string fileName, std::string resourceName)
    : fpFileName(std::move(fileName)), fpResourceName(std::move(resourceName)) {}

void TOvraTEFPayGoTabelaRedes::SetFileName(const std::string& fileName) {
    if (fileName == fpFileName)
        return;
    if (!fileName.empty() && !platform::FileExists(fileName))
        throw EOvraTEFArquivo("Arquivo: " + fileName + " não encontrado");
    fpFileName = fileName;
    fpCarregada = false;
}

void TOvraTEFPayGoTabelaRedes::SetResourceName(const std::string& resourceName) {
    if (resourceName == fpResourceName)
        return;
    fpResourceName = resourceName;
    fpCarregada = false;
}

void TOvraTEFPayGoTabelaRedes::Carregar() {
    fpRedes.clear();
    if (!fpFileName.empty() && platform::FileExists(fpFileName))
        CarregarTexto(platform::AnsiToUtf8(platform::ReadFile(fpFileName)));
    else
        CarregarTexto(OvraTEFPayGoRecurso(fpResourceName));
    fpCarregada = true;
}

void TOvraTEFPayGoTabelaRedes::CarregarDeTexto(std::string_view texto) {
    fpRedes.clear();
    CarregarTexto(texto);
    fpCarregada = true;
}

void TOvraTEFPayGoTabelaRedes::CarregarSeNecessario() {
    if (!fpCarregada)
        Carregar();
}

void TOvraTEFPayGoTabelaRedes::CarregarTexto(std::string_view texto) {
    std::size_t inicio = 0;
    while (inicio < texto.size()) {
        std::size_t fim = texto.find_first_of("\r\n", inicio);
        if (fim == std::string_view::npos)
            fim = texto.size();
        const std::string_view linha = texto.substr(inicio, fim - inicio);
        inicio = fim + 1;
        if (linha.empty() || linha.front() == '#')
            continue;
        const auto campos = Campos(linha);
        if (campos.size() < 4)
            continue;
        const auto codigo = platform::ParseInt32(platform::Trim(campos[0]));
        if (!codigo)
            continue;
        TOvraTEFPayGoRede rede;
        rede.Codigo = *codigo;
        rede.NomeTrad = platform::Trim(campos[1]);
        rede.NomePGWeb = platform::Trim(campos[2]);
        rede.CodSATCFe = platform::ParseInt32(platform::Trim(campos[3])).value_or(999);
        if (campos.size() > 4)
            rede.CNPJ = campos[4];
        fpRedes.push_back(std::move(rede));
    }
}

const TOvraTEFPayGoRede* TOvraTEFPayGoTabelaRedes::FindPGWeb(std::string_view nomePGWeb) {
    CarregarSeNecessario();
    const std::string procurado = platform::UpperAscii(platform::Trim(nomePGWeb));
    // Networks without a host name are never the answer to one.
    if (procurado.empty())
        return nullptr;
    for (const auto& rede : fpRedes)
        if (platform::UpperAscii(rede.NomePGWeb) == procurado)
            return &rede;
    return nullptr;
}

const TOvraTEFPayGoRede* TOvraTEFPayGoTabelaRedes::Find(std::int32_t codigo) {
    CarregarSeNecessario();
    for (const auto& rede : fpRedes)
        if (rede.Codigo == codigo)
            return &rede;
    return nullptr;
}

int TOvraTEFPayGoTabelaRedes::Count() {
    CarregarSeNecessario();
    return static_cast<int>(fpRedes.size());
}

const TOvraTEFPayGoRede& TOvraTEFPayGoTabelaRedes::operator[](int indice) {
    CarregarSeNecessario();
    if (indice < 0 || indice >= static_cast<int>(fpRedes.size()))
        throw std::out_of_range("TOvraTEFPayGoTabelaRedes: índice fora da tabela");
    return fpRedes[static_cast<std::size_t>(indice)];
}

TOvraTEFPayGoTabelaRedes& OvraTEFPayGoTabelaRedes() {
    static TOvraTEFPayGoTabelaRedes tabela(
        platform::IncludeTrailingPathDelimiter(platform::ExecutableDirectory()) + "RedesPayGo.txt",
        "RedesPayGo");
    return tabela;
}

std::string_view OvraTEFPayGoRecurso(std::string_view nome) {
    if (nome == "RedesPayGo")
        return RedesPayGo;
    return {};
}
