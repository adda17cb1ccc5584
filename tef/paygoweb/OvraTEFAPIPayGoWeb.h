#pragma once

// The TEF API driver over the PayGo Web library: turns each TEF API operation into a PayGo
// operation and its parameters, runs it on the engine it owns, bridges the engine's callbacks to the
// TEF API events, keeps the pending transaction the host reported until the application decides,
// and rebuilds the response with the PayGo Web mapping.

#include "OvraTEFPayGoWebComum.h"
#include "tef/OvraTEFAPI.h"

#include <cstdint>
#include <memory>
#include <string>

class TOvraTEFAPIClassPayGoWeb : public TOvraTEFAPIClass {
public:
    explicit TOvraTEFAPIClassPayGoWeb(TOvraTEFAPI* AOwner);
    ~TOvraTEFAPIClassPayGoWeb() override;

    std::string ClassName() const override { return "TOvraTEFAPIClassPayGoWeb"; }

    TOvraTEFPGWebAPI& TEFPayGoAPI() { return *fpTEFPayGoAPI; }

    // Empty means the TEF API's working directory + "PGWeb"; refused once started.
    const std::string& DiretorioTrabalho() const { return fpDiretorioTrabalho; }
    void SetDiretorioTrabalho(const std::string& valor);

    std::uint8_t OperacaoVenda = PWOPER_SALE;
    std::uint8_t OperacaoAdministrativa = PWOPER_ADMIN;
    std::uint8_t OperacaoCancelamento = PWOPER_SALEVOID;
    // The network (PWINFO_AUTHSYST) sent with payments, administrative functions and cancellations.
    std::string Autorizador;

    void Inicializar() override;
    void DesInicializar() override;
    void IniciarMetodoOperacao(TOvraTEFAPIMetodo Metodo) override;
    void InterpretarDadosDaTransacao() override;
    bool EfetuarPagamento(platform::Currency ValorPagto, TOvraTEFModalidadePagamento Modalidade,
                          TOvraTEFTiposCartao CartoesAceitos, TOvraTEFModalidadeFinanciamento Financiamento,
                          std::uint8_t Parcelas, platform::TDateTime DataPreDatado) override;
    bool EfetuarAdministrativa(TOvraTEFOperacao OperacaoAdm) override;
    bool EfetuarAdministrativa(const std::string& CodOperacaoAdm) override;
    bool CancelarTransacao(const std::string& NSU, const std::string& CodigoAutorizacaoTransacao,
                           platform::TDateTime DataHoraTransacao, double Valor,
                           const std::string& CodigoFinalizacao, const std::string& Rede) override;
    void FinalizarTransacao(const std::string& Rede, const std::string& NSU,
                            const std::string& CodigoFinalizacao, TOvraTEFStatusTransacao AStatus) override;
    void ResolverTransacaoPendente(TOvraTEFStatusTransacao AStatus) override;
    void AbortarTransacaoEmAndamento() override;
    void ExibirMensagemPinPad(const std::string& MsgPinPad) override;
    std::string ObterDadoPinPad(TOvraTEFAPIDadoPinPad TipoDado, std::int16_t TimeOut) override;
    std::uint8_t VerificarPresencaPinPad() override;

private:
    // Runs an operation of the library; a failure to open it is a failed operation, not an error.
    bool ExecutarTransacao(std::uint8_t operacao, const TOvraTEFParametros& parametros);
    // Runs the body of an operation, remembering the text of an error for the response.
    template <typename F> bool Operacao(F&& corpo);
    void LimparPendente();

    void QuandoExibeMensagem(const std::string& Mensagem, TOvraTEFPGWebAPITerminalMensagem Terminal,
                             int MilissegundosExibicao);
    void QuandoExibeMenu(const std::string& Titulo, const std::vector<std::string>& Opcoes,
                         int& ItemSelecionado, bool& Cancelado);
    void QuandoObtemCampo(const TOvraTEFPGWebAPIDefinicaoCampo& DefinicaoCampo, std::string& Resposta,
                          bool& Validado, bool& Cancelado);
    void QuandoAguardaPinPad(TOvraTEFPGWebAPIOperacaoPinPad OperacaoPinPad, bool& Cancelar);
    void QuandoAvaliarTransacaoPendente(std::uint32_t& Status, const std::string& pszReqNum,
                                        const std::string& pszLocRef, const std::string& pszExtRef,
                                        const std::string& pszVirtMerch, const std::string& pszAuthSyst);

    std::unique_ptr<TOvraTEFPGWebAPI> fpTEFPayGoAPI;
    std::string fpDiretorioTrabalho;
    std::string fpndReqNum, fPndLocRef, fPndExtRef, fPndVirtMerch, fPndAuthSyst;
    // Why the operation in progress failed before the library could say so.
    std::string fpErroOperacao;
};
