// First, alone: the header must compile by itself.
#include "tef/paygoweb/OvraTEFPayGoComum.h"

#include "platform/DateTime.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

struct Sequencia {
    int inicio;
    std::vector<const char*> nomes;
};
template <typename T> struct Nome {
    T codigo;
    const char* nome;
};

// clang-format off
// Runs of consecutive return codes, as the library documents them; -2476 has no name.
const Sequencia SequenciasPWRET[] = {
    {-2599, {"PWRET_FROMHOSTPENDTRN", "PWRET_FROMHOSTPOSAUTHERR", "PWRET_FROMHOSTUSRAUTHERR", "PWRET_FROMHOST", "PWRET_TLVERR", "PWRET_SRVINVPARAM", "PWRET_REQPARAM", "PWRET_HOSTCONNUNK", "PWRET_INTERNALERR", "PWRET_BLOCKED", "PWRET_FROMHOSTTRNNFOUND", "PWRET_PARAMSFILEERR", "PWRET_NOCARDENTMODE", "PWRET_INVALIDVIRTMERCH", "PWRET_HOSTTIMEOUT", "PWRET_CONFIGREQUIRED", "PWRET_HOSTCONNERR", "PWRET_HOSTCONNLOST", "PWRET_FILEERR", "PWRET_PINPADERR", "PWRET_MAGSTRIPEERR", "PWRET_PPCRYPTERR", "PWRET_SSLCERTERR", "PWRET_SSLNCONN", "PWRET_GPRSATTACHFAILED", "PWRET_EMVDENIEDCARD", "PWRET_EMVDENIEDHOST", "PWRET_NOLINE", "PWRET_NOANSWER", "PWRET_SYNCERROR", "PWRET_CRCERR", "PWRET_DECOMPERR", "PWRET_PROTERR", "PWRET_NOSIM", "PWRET_SIMERROR", "PWRET_SIMBLOCKED", "PWRET_PPPNEGFAILED", "PWRET_WIFICONNERR", "PWRET_WIFINOTFOUND", "PWRET_COMPERR", "PWRET_INVALIDCPFCNPJ", "PWRET_APNERROR", "PWRET_WIFIAUTHERROR", "PWRET_QRCODEERR", "PWRET_QRCODENOTSUPPORTED", "PWRET_QRCODENOTFOUND", "PWRET_DEFAULT_COMM_ERROR", "PWRET_CTLSMAGSTRIPENOTALLOW", "PWRET_PARAMSFILEERRSIZE", "PWRET_EXPLOGMEMERR", "PWRET_EXPLOGPOSTERR", "PWRET_EXPLOGCONFIGERR"}},
    {-2499, {"PWRET_INVPARAM", "PWRET_NOTINST", "PWRET_MOREDATA", "PWRET_NODATA", "PWRET_DISPLAY", "PWRET_INVCALL", "PWRET_NOTHING", "PWRET_BUFOVFLW", "PWRET_CANCEL", "PWRET_TIMEOUT", "PWRET_PPNOTFOUND", "PWRET_TRNNOTINIT", "PWRET_DLLNOTINIT", "PWRET_FALLBACK", "PWRET_WRITERR", "PWRET_PPCOMERR", "PWRET_NOMANDATORY", "PWRET_INVALIDTRN", "PWRET_OFFINVCAP", "PWRET_OFFNOCARDENTMODE", "PWRET_OFFINVCARDENTMODE", "PWRET_OFFNOTABLECARDRANGE", "PWRET_OFFNOTABLEPRODUCT"}},
    {-2475, {"PWRET_OFFNOCARDFULLPAN", "PWRET_OFFINVCARDEXPDT", "PWRET_OFFCARDEXP", "PWRET_OFFNOTRACKS", "PWRET_OFFTRACKERR", "PWRET_OFFCHIPMANDATORY", "PWRET_OFFINVCARD", "PWRET_OFFINVCURR", "PWRET_OFFINVAMOUNT", "PWRET_OFFGREATERAMNT", "PWRET_OFFLOWERAMNT", "PWRET_OFFGREATERINST", "PWRET_OFFLOWERINST", "PWRET_OFFINVCARDTYPE", "PWRET_OFFINVFINTYPE", "PWRET_OFFINVINST", "PWRET_OFFGREATERINSTNUM", "PWRET_OFFLOWERINSTNUM", "PWRET_OFFMANDATORYCVV", "PWRET_OFFINVLASTFOUR", "PWRET_OFFNOAID", "PWRET_OFFNOFALLBACK", "PWRET_OFFNOPINPAD", "PWRET_OFFNOAPOFF", "PWRET_OFFTRNNEEDPP", "PWRET_OFFCARDNACCEPT", "PWRET_OFFTABLEERR", "PWOFF_OFFMAXTABERR", "PWRET_OFFINTERNAL1", "PWRET_OFFINTERNAL2", "PWRET_OFFINTERNAL3", "PWRET_OFFINTERNAL4", "PWRET_OFFINTERNAL5", "PWRET_OFFINTERNAL6", "PWRET_OFFINTERNAL7", "PWRET_OFFINTERNAL8", "PWRET_OFFINTERNAL9", "PWRET_OFFINTERNAL10", "PWRET_OFFINTERNAL11", "PWRET_OFFNOPRODUCT", "PWRET_OFFINTERNAL12", "PWRET_OFFINTERNAL13", "PWRET_OFFINTERNAL14", "PWRET_NOPINPAD", "PWRET_OFFINTERNAL15", "PWRET_OFFINTERNAL16", "PWRET_ABECSERRCOM", "PWRET_OFFCFGNOCARDRANGE", "PWRET_OFFCFGNOPRODUCT", "PWRET_OFFCFGNOTRANSACTION", "PWRET_OFFINTERNAL17", "PWRET_OFFINTERNAL18", "PWRET_PPABORT", "PWRET_OFFINTERNAL19", "PWRET_PPERRTREATMENT", "PWRET_INVPAYMENTMODE", "PWRET_OFFINVALIDOPER", "PWRET_OFFINTERNAL20", "PWRET_OFFINTERNAL21"}},
    {-2185, {"PWRET_PPS_CTLSSAPPNAUT", "PWRET_PPS_CTLSSAPPNAV", "PWRET_PPS_CTLSSPROBLEMS", "PWRET_PPS_CTLSSINVALIDAT", "PWRET_PPS_CTLSSCOMMERR", "PWRET_PPS_CTLSSMULTIPLE"}},
    {-2176, {"PWRET_PPS_ERRFALLBACK", "PWRET_PPS_VCINVCURR", "PWRET_PPS_CARDNOTEFFECT", "PWRET_PPS_LIMITEXC", "PWRET_PPS_NOBALANCE", "PWRET_PPS_CARDAPPNAUT", "PWRET_PPS_CARDAPPNAV", "PWRET_PPS_CARDINVDATA", "PWRET_PPS_CARDPROBLEMS", "PWRET_PPS_CARDINVALIDAT", "PWRET_PPS_CARDERRSTRUCT", "PWRET_PPS_CARDEXPIRED", "PWRET_PPS_CARDNAUTH", "PWRET_PPS_CARDBLOCKED", "PWRET_PPS_CARDINV", "PWRET_PPS_ERRCARD", "PWRET_PPS_DUMBCARD"}},
    {-2152, {"PWRET_PPS_SAMINV", "PWRET_PPS_NOSAM", "PWRET_PPS_SAMERR"}},
    {-2144, {"PWRET_PPS_PINBUSY", "PWRET_PPS_NOCARD", "PWRET_PPS_ERRPIN", "PWRET_PPS_MCDATAERR", "PWRET_PPS_INTERR"}},
    {-2134, {"PWRET_PPS_COMMTOUT", "PWRET_PPS_RSPERR", "PWRET_PPS_UNKNOWNSTAT", "PWRET_PPS_COMMERR", "PWRET_PPS_PORTERR"}},
    {-2122, {"PWRET_PPS_NOAPPSLIC", "PWRET_PPS_TABERR", "PWRET_PPS_TABEXP"}},
    {-2118, {"PWRET_PPS_NOFUNC", "PWRET_PPS_INVMODEL", "PWRET_PPS_EXECERR", "PWRET_PPS_NOTOPEN", "PWRET_PPS_ALREADYOPEN", "PWRET_PPS_CANCEL", "PWRET_PPS_TIMEOUT", "PWRET_PPS_INVPARM", "PWRET_PPS_INVCALL"}},
    {-2108, {"PWRET_PPS_BACKSP", "PWRET_PPS_F4", "PWRET_PPS_F3", "PWRET_PPS_F2", "PWRET_PPS_F1"}},
    {-2102, {"PWRET_PPS_NOTIFY", "PWRET_PPS_PROCESSING", "PWRET_PPS_OK"}},
};
const Nome<std::uint16_t> NomesPWINFO[] = {
    {0, "PWINFO_RET"}, {2, "PWINFO_OPERATION"}, {3, "PWINFO_PPPPWD"}, {9, "PWINFO_LOCALIP"},
    {10, "PWINFO_GATEWAY"}, {11, "PWINFO_SUBNETMASK"}, {12, "PWINFO_SSID"}, {17, "PWINFO_POSID"},
    {21, "PWINFO_AUTNAME"}, {22, "PWINFO_AUTVER"}, {23, "PWINFO_AUTDEV"}, {27, "PWINFO_DESTTCPIP"},
    {28, "PWINFO_MERCHCNPJCPF"}, {36, "PWINFO_AUTCAP"}, {37, "PWINFO_TOTAMNT"}, {38, "PWINFO_CURRENCY"},
    {39, "PWINFO_CURREXP"}, {40, "PWINFO_FISCALREF"}, {41, "PWINFO_CARDTYPE"}, {42, "PWINFO_PRODUCTNAME"},
    {49, "PWINFO_DATETIME"}, {50, "PWINFO_REQNUM"}, {53, "PWINFO_AUTHSYST"}, {54, "PWINFO_VIRTMERCH"},
    {56, "PWINFO_AUTMERCHID"}, {58, "PWINFO_PHONEFULLNO"}, {59, "PWINFO_FINTYPE"}, {60, "PWINFO_INSTALLMENTS"},
    {61, "PWINFO_INSTALLMDATE"}, {62, "PWINFO_PRODUCTID"}, {66, "PWINFO_RESULTMSG"}, {67, "PWINFO_CNFREQ"},
    {68, "PWINFO_AUTLOCREF"}, {69, "PWINFO_AUTEXTREF"}, {70, "PWINFO_AUTHCODE"}, {71, "PWINFO_AUTRESPCODE"},
    {72, "PWINFO_AUTDATETIME"}, {73, "PWINFO_DISCOUNTAMT"}, {74, "PWINFO_CASHBACKAMT"}, {75, "PWINFO_CARDNAME"},
    {76, "PWINFO_ONOFF"}, {77, "PWINFO_BOARDINGTAX"}, {78, "PWINFO_TIPAMOUNT"}, {79, "PWINFO_INSTALLM1AMT"},
    {80, "PWINFO_INSTALLMAMNT"}, {82, "PWINFO_RCPTFULL"}, {83, "PWINFO_RCPTMERCH"}, {84, "PWINFO_RCPTCHOLDER"},
    {85, "PWINFO_RCPTCHSHORT"}, {87, "PWINFO_TRNORIGDATE"}, {88, "PWINFO_TRNORIGNSU"}, {89, "PWINFO_SALDOVOUCHER"},
    {96, "PWINFO_TRNORIGAMNT"}, {98, "PWINFO_TRNORIGAUTH"}, {108, "PWINFO_LANGUAGE"}, {111, "PWINFO_PROCESSMSG"},
    {114, "PWINFO_TRNORIGREQNUM"}, {115, "PWINFO_TRNORIGTIME"}, {116, "PWINFO_CNCDSPMSG"}, {117, "PWINFO_CNCPPMSG"},
    {120, "PWINFO_TRNORIGLOCREF"}, {135, "PWINFO_AUTHSYSTEXTENDED"}, {192, "PWINFO_CARDENTMODE"}, {193, "PWINFO_CARDFULLPAN"},
    {194, "PWINFO_CARDEXPDATE"}, {196, "PWINFO_CARDNAMESTD"}, {197, "PWINFO_PRODNAMEDESC"}, {200, "PWINFO_CARDPARCPAN"},
    {207, "PWINFO_CHOLDVERIF"}, {214, "PWINFO_EMVRESPCODE"}, {216, "PWINFO_AID"}, {233, "PWINFO_BARCODENTMODE"},
    {234, "PWINFO_BARCODE"}, {240, "PWINFO_MERCHADDDATA1"}, {241, "PWINFO_MERCHADDDATA2"}, {242, "PWINFO_MERCHADDDATA3"},
    {243, "PWINFO_MERCHADDDATA4"}, {244, "PWINFO_RCPTPRN"}, {245, "PWINFO_AUTHMNGTUSER"}, {246, "PWINFO_AUTHTECHUSER"},
    {250, "PWINFO_MERCHNAMERCPT"}, {251, "PWINFO_PRODESTABRCPT"}, {252, "PWINFO_PRODCLIRCPT"}, {253, "PWINFO_EMVCRYPTTYPE"},
    {254, "PWINFO_TRNORIGAUTHCODE"}, {7969, "PWINFO_PAYMNTTYPE"}, {7990, "PWINFO_GRAPHICRCPHEADER"}, {7991, "PWINFO_GRAPHICRCPFOOTER"},
    {7992, "PWINFO_CHOLDERNAME"}, {7993, "PWINFO_MERCHNAMEPDC"}, {8000, "PWINFO_TRANSACDESCRIPT"}, {8001, "PWINFO_ARQC"},
    {8002, "PWINFO_DEFAULTCARDPARCPAN"}, {8003, "PWINFO_SOFTDESCRIPTOR"}, {8004, "PWINFO_RCPTADDINFOESTABCLI"}, {8005, "PWINFO_RCPTADDINFOCLI"},
    {8006, "PWINFO_RCPTADDINFOESTAB"}, {8025, "PWINFO_SPLITPAYMENT"}, {8055, "PWINFO_AUTHPOSQRCODE"}, {8065, "PWINFO_WALLETUSERIDTYPE"},
    {8081, "PWINFO_RCPTECVID"}, {32513, "PWINFO_USINGPINPAD"}, {32514, "PWINFO_PPCOMMPORT"}, {32516, "PWINFO_IDLEPROCTIME"},
    {32517, "PWINFO_PNDAUTHSYST"}, {32518, "PWINFO_PNDVIRTMERCH"}, {32519, "PWINFO_PNDREQNUM"}, {32520, "PWINFO_PNDAUTLOCREF"},
    {32521, "PWINFO_PNDAUTEXTREF"}, {32522, "PWINFO_LOCALINFO1"}, {32523, "PWINFO_SERVERPND"}, {32533, "PWINFO_PPINFO"},
    {32534, "PWINFO_RESULTID"}, {32535, "PWINFO_DSPCHECKOUT1"}, {32536, "PWINFO_DSPCHECKOUT2"}, {32537, "PWINFO_DSPCHECKOUT3"},
    {32538, "PWINFO_DSPCHECKOUT4"}, {32539, "PWINFO_DSPCHECKOUT5"}, {32540, "PWINFO_CTLSCAPTURE"}, {32541, "PWINFO_CHOLDERGRARCP"},
    {32542, "PWINFO_MERCHGRARCP"}, {32543, "PWINFO_AUTADDRESS"}, {32544, "PWINFO_APN"}, {32545, "PWINFO_LIBVERSION"},
    {32560, "PWINFO_TSTKEYTYPE"}, {32562, "PWINFO_TKPINDUKPT3DES"}, {32563, "PWINFO_TKPINMK3DES"}, {32564, "PWINFO_TKPINMKDES"},
    {32565, "PWINFO_TKDADOSDUKPT3DES"}, {32566, "PWINFO_TKDADOSMK3DES"}, {32567, "PWINFO_TKDADOSMKDES"}, {32568, "PWINFO_DSPTESTKEY"},
    {32569, "PWINFO_GETKSNPIN"}, {32576, "PWINFO_GETKSNDATA"}, {32577, "PWINFO_PINDUKPT3DESNAME"}, {32578, "PWINFO_PINMK3DESNAME"},
    {32579, "PWINFO_PINMKDESNAME"}, {32580, "PWINFO_DATADUKPT3DESNAME"}, {32581, "PWINFO_DATAMK3DESNAME"}, {32582, "PWINFO_DATAMKDESNAME"},
    {32583, "PWINFO_SERNUM"}, {32584, "PWINFO_MACADDR"}, {32585, "PWINFO_IMEI"}, {32586, "PWINFO_IPADDRESS"},
    {32587, "PWINFO_SSID_IDX"}, {32588, "PWINFO_DNSSERVER_P"}, {32589, "PWINFO_DNSSERVER_S"}, {32590, "PWINFO_OSVERSION"},
    {32591, "PWINFO_APPDOWNLOADVER"}, {32592, "PWINFO_DSPQRPREF"}, {32593, "PWINFO_SELFATT"}, {40722, "PWINFO_GRAPHICRCP"},
    {40727, "PWINFO_OPERATIONORIG"}, {48902, "PWINFO_DUEAMNT"}, {48905, "PWINFO_READJUSTEDAMNT"}, {48909, "PWINFO_TRNORIGDATETIME"},
    {48910, "PWINFO_DATETIMERCPT"}, {49040, "PWINFO_UNIQUEID"}, {65500, "PWINFO_CONFTRANSIDENT"},
};
const Nome<std::uint8_t> NomesPWOPER[] = {
    {0, "PWOPER_NULL"}, {1, "PWOPER_INSTALL"}, {2, "PWOPER_PARAMUPD"}, {16, "PWOPER_REPRINT"},
    {17, "PWOPER_RPTTRUNC"}, {18, "PWOPER_RPTDETAIL"}, {19, "PWOPER_REPRNTNTRANSACTION"}, {20, "PWOPER_COMMTEST"},
    {21, "PWOPER_RPTSUMMARY"}, {22, "PWOPER_TRANSACINQ"}, {23, "PWOPER_ROUTINGINQ"}, {32, "PWOPER_ADMIN"},
    {33, "PWOPER_SALE"}, {34, "PWOPER_SALEVOID"}, {35, "PWOPER_PREPAID"}, {36, "PWOPER_CHECKINQ"},
    {37, "PWOPER_RETBALINQ"}, {38, "PWOPER_CRDBALINQ"}, {39, "PWOPER_INITIALIZ"}, {40, "PWOPER_SETTLEMNT"},
    {41, "PWOPER_PREAUTH"}, {42, "PWOPER_PREAUTVOID"}, {43, "PWOPER_CASHWDRWL"}, {44, "PWOPER_LOCALMAINT"},
    {45, "PWOPER_FINANCINQ"}, {46, "PWOPER_ADDRVERIF"}, {47, "PWOPER_SALEPRE"}, {48, "PWOPER_LOYCREDIT"},
    {49, "PWOPER_LOYCREDVOID"}, {50, "PWOPER_LOYDEBIT"}, {51, "PWOPER_LOYDEBVOID"}, {52, "PWOPER_BILLPAYMENT"},
    {53, "PWOPER_DOCPAYMENTQ"}, {54, "PWOPER_LOGON"}, {55, "PWOPER_SRCHPREAUTH"}, {56, "PWOPER_ADDPREAUTH"},
    {57, "PWOPER_VOID"}, {64, "PWOPER_STATISTICS"}, {65, "PWOPER_CARDPAYMENT"}, {68, "PWOPER_CARDPAYMENTVOID"},
    {69, "PWOPER_CASHWDRWLVOID"}, {70, "PWOPER_CARDUNLOCK"}, {72, "PWOPER_UPDATEDCHIP"}, {73, "PWOPER_RPTPROMOTIONAL"},
    {74, "PWOPER_SALESUMMARY"}, {75, "PWOPER_STATISTICSAUTHORIZER"}, {76, "PWOPER_OTHERADMIN"}, {78, "PWOPER_BILLPAYMENTVOID"},
    {240, "PWOPER_TSTKEY"}, {241, "PWOPER_EXPORTLOGS"}, {250, "PWOPER_COMMONDATA"}, {251, "PWOPER_SHOWPDC"},
    {252, "PWOPER_VERSION"}, {253, "PWOPER_CONFIG"}, {254, "PWOPER_MAINTENANCE"},
};
const Nome<std::uint32_t> NomesPWCNF[] = {
    {289, "PWCNF_CNF_AUTO"}, {12833, "PWCNF_CNF_MANU_AUT"}, {12849, "PWCNF_REV_MANU_AUT"}, {78129, "PWCNF_REV_PRN_AUT"},
    {143665, "PWCNF_REV_DISP_AUT"}, {209201, "PWCNF_REV_COMM_AUT"}, {274737, "PWCNF_REV_ABORT"}, {471345, "PWCNF_REV_OTHER_AUT"},
    {536881, "PWCNF_REV_PWR_AUT"}, {602417, "PWCNF_REV_FISC_AUT"},
};
// clang-format on

TEST(OvraTEFPayGoComumTest, EveryNamedReturnCodeHasItsName) {
    int total = 1;
    EXPECT_EQ(PWRETParaString(0), "PWRET_OK");
    for (const auto& sequencia : SequenciasPWRET) {
        int codigo = sequencia.inicio;
        for (const char* nome : sequencia.nomes) {
            EXPECT_EQ(PWRETParaString(static_cast<std::int16_t>(codigo)), nome) << codigo;
            ++codigo;
            ++total;
        }
    }
    const Nome<std::int16_t> avulsos[] = {
        {-2200, "PWRET_PPS_XXX"}, {-402, "PWRET_PPS_CANCEL2"}, {-400, "PWRET_PPS_TIMEOUT2"}};
    for (const auto& [codigo, nome] : avulsos) {
        EXPECT_EQ(PWRETParaString(codigo), nome);
        ++total;
    }
    EXPECT_EQ(total, 194); // the library's documented count, so a run left out shows here
}

TEST(OvraTEFPayGoComumTest, TheCodesTheEngineTestsHaveTheirValues) {
    const Nome<std::int16_t> casos[] = {{PWRET_OK, "0"},
                                        {PWRET_FROMHOSTPENDTRN, "-2599"},
                                        {PWRET_INVPARAM, "-2499"},
                                        {PWRET_NOTINST, "-2498"},
                                        {PWRET_MOREDATA, "-2497"},
                                        {PWRET_NODATA, "-2496"},
                                        {PWRET_DISPLAY, "-2495"},
                                        {PWRET_INVCALL, "-2494"},
                                        {PWRET_NOTHING, "-2493"},
                                        {PWRET_BUFOVFLW, "-2492"},
                                        {PWRET_CANCEL, "-2491"},
                                        {PWRET_TIMEOUT, "-2490"},
                                        {PWRET_TRNNOTINIT, "-2488"},
                                        {PWRET_DLLNOTINIT, "-2487"},
                                        {PWRET_FALLBACK, "-2486"},
                                        {PWRET_WRITERR, "-2485"},
                                        {PWRET_PPCOMERR, "-2484"},
                                        {PWRET_NOMANDATORY, "-2483"},
                                        {PWRET_INVALIDTRN, "-2482"},
                                        {PWRET_PPS_CANCEL, "-2113"},
                                        {PWRET_PPS_TIMEOUT, "-2112"},
                                        {PWRET_PPS_CANCEL2, "-402"},
                                        {PWRET_PPS_TIMEOUT2, "-400"}};
    for (const auto& [codigo, valor] : casos)
        EXPECT_EQ(std::to_string(codigo), valor);
    EXPECT_EQ(PWRETParaString(-2448), "PWOFF_OFFMAXTABERR");
}

TEST(OvraTEFPayGoComumTest, EveryNamedInformationOperationAndConfirmationCode) {
    for (const auto& [codigo, nome] : NomesPWINFO) {
        EXPECT_EQ(PWINFOParaString(codigo), nome);
        EXPECT_TRUE(PWINFONomeado(codigo)) << codigo;
    }
    EXPECT_EQ(std::size(NomesPWINFO), 159u);
    for (const auto& [codigo, nome] : NomesPWOPER)
        EXPECT_EQ(PWOPERParaString(codigo), nome);
    EXPECT_EQ(std::size(NomesPWOPER), 55u);
    for (const auto& [codigo, nome] : NomesPWCNF)
        EXPECT_EQ(PWCNFParaString(codigo), nome);
    EXPECT_EQ(std::size(NomesPWCNF), 10u);
}

TEST(OvraTEFPayGoComumTest, TheCaptureFamiliesHaveTheirNames) {
    EXPECT_EQ(PWDATParaString(1), "PWDAT_MENU");
    EXPECT_EQ(PWDATParaString(20), "PWDAT_DSPQRCODE");
    EXPECT_EQ(PWVALParaString(6), "PWVAL_DuplaDigitacao");
    EXPECT_EQ(PWTYPParaString(7), "PWTYP_AlfaNumEsp");
    EXPECT_EQ(PWDPINParaString(14), "PWDPIN_REDIGITE_O_CNPJ");
}

TEST(OvraTEFPayGoComumTest, AnUnnamedCodeIsItsPrefixAndNumberInTheFamilysWidth) {
    struct Caso {
        std::string obtido, esperado;
    };
    const Caso casos[] = {
        {PWRETParaString(-2476), "PWRET_-2476"},
        {PWRETParaString(-1), "PWRET_-1"},
        {PWRETParaString(1), "PWRET_1"},
        {PWINFOParaString(1), "PWINFO_1"},
        {PWINFOParaString(65535), "PWINFO_65535"},
        {PWOPERParaString(200), "PWOPER_200"},
        {PWOPERParaString(255), "PWOPER_255"},
        {PWCNFParaString(0), "PWCNF_0"},
        {PWCNFParaString(4294967295u), "PWCNF_4294967295"},
        {PWDATParaString(4), "PWDAT_4"},
        {PWVALParaString(100), "PWVAL_100"},
        {PWTYPParaString(4), "PWTYP_4"},
        {PWDPINParaString(0), "PWDPIN_0"},
    };
    for (const auto& caso : casos)
        EXPECT_EQ(caso.obtido, caso.esperado);
    EXPECT_FALSE(PWINFONomeado(1));
}

// ---------------------------------------------------------------------------------------------
// The response mapping

class RespostaPayGoWeb : public ::testing::Test {
protected:
    void Linha(std::uint16_t codigo, const std::string& valor) {
        resp.Conteudo().GravaInformacao(codigo, 0, valor);
    }
    void Mapear() { resp.ConteudoToProperty(); }

    testsupport::FixedClock relogio{*platform::EncodeDateTime(2025, 6, 1, 12, 0, 0)};
    TOvraTEFRespPayGoWeb resp;
};

TEST_F(RespostaPayGoWeb, ACancelledRunIsNotASuccessAndCarriesTheMessage) {
    Linha(PWINFO_RET, "-2491");
    Linha(PWINFO_RESULTMSG, "OPERACAO CANCELADA");
    Mapear();
    EXPECT_FALSE(resp.Sucesso);
    EXPECT_EQ(resp.TextoEspecialOperador, "OPERACAO CANCELADA");

    Linha(PWINFO_CNCDSPMSG, "CANCELADA PELO CLIENTE");
    Mapear();
    EXPECT_EQ(resp.TextoEspecialOperador, "CANCELADA PELO CLIENTE");

    resp.Conteudo().Clear();
    Linha(PWINFO_RET, "-2491");
    Mapear();
    EXPECT_EQ(resp.TextoEspecialOperador, "TRANSACAO FINALIZADA");
}

TEST_F(RespostaPayGoWeb, AResponseWithoutAResultCodeWasNeverApproved) {
    Linha(PWINFO_RESULTMSG, "APROVADA");
    Mapear();
    EXPECT_FALSE(resp.Sucesso);
    Linha(PWINFO_RET, "0");
    Mapear();
    EXPECT_TRUE(resp.Sucesso);
    EXPECT_EQ(resp.TextoEspecialOperador, "APROVADA");
}

TEST_F(RespostaPayGoWeb, ALeadingCarriageReturnOfTheMessageIsDropped) {
    Linha(PWINFO_RET, "0");
    Linha(PWINFO_RESULTMSG, "\\x0DAPROVADA\\x0D\\x0AAUT 123");
    Mapear();
    EXPECT_EQ(resp.TextoEspecialOperador, "APROVADA\r\nAUT 123");
}

TEST_F(RespostaPayGoWeb, ReceiptCopiesFollowWhatTheHostAsksToPrint) {
    Linha(PWINFO_RET, "0");
    Linha(PWINFO_RCPTPRN, "1");
    Linha(PWINFO_RCPTFULL, "LINHA 1\\x0D\\x0ALINHA 2\\x0D\\x0A");
    Mapear();
    EXPECT_EQ(resp.ImagemComprovante1aVia(), (std::vector<std::string>{"LINHA 1", "LINHA 2"}));
    EXPECT_TRUE(resp.ImagemComprovante2aVia().empty());
    EXPECT_EQ(resp.QtdLinhasComprovante, 2);

    // The reduced copy asked for but not given: the full customer copy.
    resp.ViaClienteReduzida = true;
    Linha(PWINFO_RCPTCHOLDER, "VIA CLIENTE");
    Linha(PWINFO_RCPTMERCH, "VIA LOJA\\x0D\\x0AFIM");
    Mapear();
    EXPECT_EQ(resp.ImagemComprovante1aVia(), std::vector<std::string>{"VIA CLIENTE"});
    // A merchant copy given is printed even when only the customer's was asked for.
    EXPECT_EQ(resp.ImagemComprovante2aVia(), (std::vector<std::string>{"VIA LOJA", "FIM"}));
    EXPECT_EQ(resp.QtdLinhasComprovante, 2);

    Linha(PWINFO_RCPTCHSHORT, "REDUZIDA");
    Mapear();
    EXPECT_EQ(resp.ImagemComprovante1aVia(), std::vector<std::string>{"REDUZIDA"});
}

TEST_F(RespostaPayGoWeb, InstalmentsShareTheTotalToTheCent) {
    struct Caso {
        const char* primeira;
        const char* regular;
        std::vector<double> valores;
    };
    const Caso casos[] = {
        {"", "", {33.33, 33.33, 33.34}},
        {"4000", "3000", {40.00, 30.00, 30.00}},
    };
    for (const auto& caso : casos) {
        resp.Conteudo().Clear();
        Linha(PWINFO_RET, "0");
        Linha(PWINFO_TOTAMNT, "10000");
        Linha(PWINFO_INSTALLMENTS, "3");
        Linha(PWINFO_INSTALLM1AMT, caso.primeira);
        Linha(PWINFO_INSTALLMAMNT, caso.regular);
        Linha(PWINFO_AUTEXTREF, "NSU9");
        Linha(PWINFO_DATETIME, "20250110143000");
        Mapear();
        ASSERT_EQ(resp.Parcelas().Count(), 3);
        for (int i = 0; i < 3; ++i) {
            EXPECT_DOUBLE_EQ(resp.Parcelas()[i].Valor, caso.valores[static_cast<std::size_t>(i)]);
            EXPECT_EQ(resp.Parcelas()[i].NSUParcela, "NSU9");
        }
        // Thirty days apart from thirty days after the transaction: 9 Feb, 11 Mar, 10 Apr 2025.
        EXPECT_EQ(resp.Parcelas()[0].Vencimento, *platform::EncodeDate(2025, 2, 9));
        EXPECT_EQ(resp.Parcelas()[1].Vencimento, *platform::EncodeDate(2025, 3, 11));
        EXPECT_EQ(resp.Parcelas()[2].Vencimento, *platform::EncodeDate(2025, 4, 10));
    }
}

TEST_F(RespostaPayGoWeb, ADamagedInstalmentCountMakesNoList) {
    Linha(PWINFO_TOTAMNT, "10000");
    Linha(PWINFO_INSTALLMENTS, "2000000000");
    Mapear();
    EXPECT_EQ(resp.Parcelas().Count(), 0);

    Linha(PWINFO_INSTALLMENTS, "1");
    Mapear();
    ASSERT_EQ(resp.Parcelas().Count(), 1);
    EXPECT_DOUBLE_EQ(resp.Parcelas()[0].Valor, 100.0);
}

TEST_F(RespostaPayGoWeb, TheNetworkGivesTheAcquirersData) {
    struct Caso {
        const char* rede;
        const char* codigo;
        const char* cnpj;
        const char* bandeira;
    };
    const Caso casos[] = {
        {"ALELO", "999", "04.740.876/0001-25", "ALELO"},
        {"REDE", "025", "01.425.787/0001-04", "REDE"},
        {"stone", "999", "16.501.555/0001-57", "STONE"},
    };
    for (const auto& caso : casos) {
        resp.Conteudo().Clear();
        resp.Clear();
        Linha(PWINFO_AUTHSYST, caso.rede);
        Mapear();
        EXPECT_EQ(resp.Rede, caso.rede);
        EXPECT_EQ(resp.NFCeSAT().CodCredenciadora, caso.codigo);
        EXPECT_EQ(resp.NFCeSAT().CNPJCredenciadora, caso.cnpj);
        EXPECT_EQ(resp.NFCeSAT().Bandeira, caso.bandeira);
    }
}

TEST_F(RespostaPayGoWeb, TheStandardCardNameWinsOverTheNetworkAndTheDefaultPanOverTheFullOne) {
    Linha(PWINFO_AUTHSYST, "REDE");
    Linha(PWINFO_CARDNAME, "MC");
    Linha(PWINFO_CARDNAMESTD, "MASTERCARD");
    Linha(PWINFO_CARDFULLPAN, "5555666677778884");
    Linha(PWINFO_DEFAULTCARDPARCPAN, "555566******1234");
    Mapear();
    EXPECT_EQ(resp.NFCeSAT().Bandeira, "MASTERCARD");
    EXPECT_EQ(resp.CodigoBandeiraPadrao, "MC");
    EXPECT_EQ(resp.BIN, "555566******1234");
    EXPECT_EQ(resp.NFCeSAT().UltimosQuatroDigitos, "1234");
}

TEST_F(RespostaPayGoWeb, AQRCodeTransactionMustBeConfirmed) {
    Linha(PWINFO_RET, "0");
    Linha(PWINFO_AUTHPOSQRCODE, "00020101021226");
    Mapear();
    EXPECT_TRUE(resp.Confirmar);
    EXPECT_EQ(resp.QRCode, "00020101021226");
}

TEST_F(RespostaPayGoWeb, FieldsOfASale) {
    Linha(PWINFO_RET, "0");
    Linha(PWINFO_TOTAMNT, "1999");
    Linha(PWINFO_CURRENCY, "986");
    Linha(PWINFO_CARDTYPE, "4");
    Linha(PWINFO_FINTYPE, "4");
    Linha(PWINFO_REQNUM, "123");
    Linha(PWINFO_CNFREQ, " 1 ");
    Linha(PWINFO_AUTLOCREF, "LOC1");
    Linha(PWINFO_AUTEXTREF, "EXT1");
    Linha(PWINFO_VIRTMERCH, "ESTAB");
    Linha(PWINFO_CARDENTMODE, "256");
    Linha(PWINFO_TIPAMOUNT, "150");
    Linha(PWINFO_BOARDINGTAX, "50");
    Linha(PWINFO_INSTALLMDATE, "10022025");
    Linha(PWINFO_CHOLDERNAME, "JOS\\xC9 DA SILVA");
    Mapear();
    EXPECT_DOUBLE_EQ(resp.ValorTotal, 19.99);
    EXPECT_EQ(resp.Moeda, 0);
    EXPECT_TRUE(resp.Voucher);
    EXPECT_FALSE(resp.Credito);
    EXPECT_EQ(resp.ParceladoPor, parcLoja);
    EXPECT_EQ(resp.TipoOperacao, opParcelado);
    EXPECT_EQ(resp.NumeroLoteTransacao, 123);
    EXPECT_EQ(resp.NSU_TEF, "123");
    EXPECT_TRUE(resp.Confirmar);
    EXPECT_EQ(resp.Finalizacao, "LOC1");
    EXPECT_EQ(resp.NSU, "EXT1");
    EXPECT_EQ(resp.NFCeSAT().Autorizacao, "EXT1");
    EXPECT_EQ(resp.Estabelecimento, "ESTAB");
    EXPECT_TRUE(resp.Digitado);
    EXPECT_DOUBLE_EQ(resp.TaxaServico, 2.00);
    // Only a post-dated payment keeps its date.
    EXPECT_TRUE(resp.DataPreDatado.Vazio());
    // The library's single-byte text arrives as UTF-8.
    EXPECT_EQ(resp.NFCeSAT().DonoCartao, "JOSÉ DA SILVA");
}

TEST_F(RespostaPayGoWeb, AStoredResponseRebuildsTheSameFields) {
    testsupport::TempDir pasta;
    Linha(PWINFO_RET, "0");
    Linha(PWINFO_TOTAMNT, "1999");
    Linha(PWINFO_AUTEXTREF, "EXT1");
    Linha(PWINFO_RCPTFULL, "A\\x0D\\x0AB");
    resp.Conteudo().GravarArquivo(pasta.file("Ovra_001.tef"));

    TOvraTEFRespPayGoWeb lida;
    lida.LeArquivo(pasta.file("Ovra_001.tef"));
    EXPECT_TRUE(lida.Sucesso);
    EXPECT_DOUBLE_EQ(lida.ValorTotal, 19.99);
    EXPECT_EQ(lida.NSU, "EXT1");
    EXPECT_EQ(lida.ImagemComprovante1aVia(), (std::vector<std::string>{"A", "B"}));
}

} // namespace
