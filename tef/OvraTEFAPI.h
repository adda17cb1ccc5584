#pragma once
// The TEF API component an application uses, and the base of the drivers that run a real library.

#include "OvraTEFAPIComum.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TOvraTEFAPI;

// The base of the real drivers: adds the PIN-pad operations and the end-of-operation processing.
class TOvraTEFAPIClass : public TOvraTEFAPIComumClass {
public:
    explicit TOvraTEFAPIClass(TOvraTEFAPI* AOwner);

    std::string ClassName() const override { return "TOvraTEFAPIClass"; }

    // Runs the end-of-operation processing, then ends the operation in progress (also when the
    // processing raises).
    void FinalizarMetodoOperacao() override;
    // Interprets the library's answer, stamps the header, stores and, when asked, confirms the
    // response, and hands it to QuandoFinalizarOperacao.
    void ConcluirOperacao() override;

    virtual void ExibirMensagemPinPad(const std::string& MsgPinPad);
    virtual std::string ObterDadoPinPad(TOvraTEFAPIDadoPinPad TipoDado, std::int16_t TimeOut);
    virtual std::uint8_t VerificarPresencaPinPad();

protected:
    TOvraTEFAPI& OvraTEFAPI() const;
};

class TOvraTEFAPI : public TOvraTEFAPIComum {
public:
    using TEsperarOperacao = std::function<void(TOvraTEFAPIOperacaoAPI OperacaoAPI, bool& Cancelar)>;
    using TExibirMensagem = std::function<void(const std::string& Mensagem, TOvraTEFAPITela Terminal,
                                               std::int32_t MilissegundosExibicao)>;
    using TPerguntarMenu = std::function<void(
        const std::string& Titulo, const std::vector<std::string>& Opcoes, std::int32_t& ItemSelecionado)>;
    using TPerguntarCampo = std::function<void(const TOvraTEFAPIDefinicaoCampo& DefinicaoCampo,
                                               std::string& Resposta, bool& Validado, bool& Cancelado)>;
    using TExibirQRCode = std::function<void(const std::string& DadosQRCode)>;

    TOvraTEFAPI();

    std::string ClassName() const override { return "TOvraTEFAPI"; }

    TOvraTEFAPITipo Modelo() const { return fpModelo; }
    // Replaces the driver; refused once started unless the value does not change.
    void SetModelo(TOvraTEFAPITipo AValue);

    TOvraTEFAPIExibicaoQRCode ExibicaoQRCode = qrapiAuto;

    TEsperarOperacao QuandoEsperarOperacao;
    TExibirMensagem QuandoExibirMensagem;
    TPerguntarMenu QuandoPerguntarMenu;
    TPerguntarCampo QuandoPerguntarCampo;
    TExibirQRCode QuandoExibirQRCode;

    void ExibirMensagemPinPad(const std::string& MsgPinPad);
    std::string ObterDadoPinPad(TOvraTEFAPIDadoPinPad TipoDado, std::int16_t TimeOut = 30000);
    std::uint8_t VerificarPresencaPinPad();

    // What the drivers call to reach the application. An event the application did not assign is
    // never called: the mandatory ones raise "Evento %s não foi implementado na sua aplicação";
    // a missing QuandoEsperarOperacao means nobody asks to cancel.
    void ExibirMensagem(const std::string& Mensagem, TOvraTEFAPITela Terminal,
                        std::int32_t MilissegundosExibicao);
    void PerguntarMenu(const std::string& Titulo, const std::vector<std::string>& Opcoes,
                       std::int32_t& ItemSelecionado);
    void PerguntarCampo(const TOvraTEFAPIDefinicaoCampo& DefinicaoCampo, std::string& Resposta,
                        bool& Validado, bool& Cancelado);
    void EsperarOperacao(TOvraTEFAPIOperacaoAPI OperacaoAPI, bool& Cancelar);
    void ExibirQRCode(const std::string& DadosQRCode);

protected:
    // The driver for a model. Tests derive from the component to put a scripted driver here.
    virtual std::unique_ptr<TOvraTEFAPIComumClass> CriarTEF(TOvraTEFAPITipo AModelo);

    void AntesDeIniciarTEF() override;
    void DepoisDeIniciarTEF() override;

private:
    TOvraTEFAPIClass* TEFComPinPad();

    TOvraTEFAPITipo fpModelo = tefApiNenhum;
};
