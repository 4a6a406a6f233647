// Document generation ("&Guia"): the window's side of the run. The run itself
// (entry, Guia, annulment) is CorridaGuia's; the window hands it the marked
// lines and shows its outcome.
#include "frmImportacao.h"

#include "CampoEntrada.h"
#include "CodigosErp.h"
#include "CorridaGuia.h"
#include "CursorOcupado.h"
#include "Documentos.h"
#include "Erro.h"
#include "ModeloEncomendas.h"

#include <QLabel>

namespace {

SessaoErp& sessao() {
    SessaoErp* s = SessaoErp::global();
    if (!s)
        throw Erro(Erro::Erp, QStringLiteral("Não há sessão aberta no ERP."));
    return *s;
}

CorridaGuia corridaGuia(const frmImportacao& w) {
    return CorridaGuia(sessao(), w.TiposGuia, w.TiposEntrada, w.ModoGravacao, w.corridas);
}

} // namespace

std::shared_ptr<ObjectoApi> frmImportacao::ErpCreateApiObject(const QString& sObjectName) {
    return corridaGuia(*this).criaObjectoApi(sObjectName);
}

bool frmImportacao::LibertaDocumento() {
    DocComercial.reset();
    return true;
}

bool frmImportacao::CriaCabecalho() {
    if (!DocComercial)
        DocComercial = corridaGuia(*this).criaCabecalho(campo[1]->text());
    return true;
}

bool frmImportacao::CriaLinhas(qint32& erro, QString& TextoErro) {
    try {
        if (!DocComercial)
            throw Erro(Erro::Erp, QStringLiteral("Não há documento a que juntar as linhas."));
        corridaGuia(*this).criaLinhas(*DocComercial, modeloLinhas->linhasMarcadas());
        return true;
    } catch (...) {
        erro = -1;
        TextoErro = textoDoErro(std::current_exception());
        return false;
    }
}

void frmImportacao::GravaEntrada(qint32& erro, QString& TextoErro) {
    try {
        DocumentosCriados.push_back(corridaGuia(*this).gravaEntrada(modeloLinhas->linhasMarcadas()));
        erro = CodigosErp::Feito;
    } catch (const Erro& e) {
        // A refusal or a failure of the database is reported; any other error
        // the ERP raised passes on.
        if (e.numero() != Erro::RecusadoErp && !falhaDaBaseDados(std::current_exception()))
            throw;
        erro = e.numero();
        TextoErro = e.texto();
    }
}

void frmImportacao::btEnc_Click() {
    const std::vector<LinhaMarcada> linhas = modeloLinhas->linhasMarcadas();
    if (linhas.empty()) {
        Avisa(QString(), QStringLiteral("Não foram seleccionadas Encomendas!"), 2);
        return;
    }
    // The Guia goes to the client in the client field: the marked lines must be that client's.
    const QString cliente = campo[1]->text();
    if (const auto outro = clienteDiferente(linhas, cliente)) {
        Avisa(QString(),
              QStringLiteral("As linhas marcadas são do cliente %1, não do cliente \"%2\" indicado no campo Cliente. "
                             "Carregue de novo as encomendas do cliente pretendido.")
                  .arg(*outro, cliente),
              2);
        return;
    }

    DesActiva();
    ResultadoCorrida r;
    {
        // Busy only while the ERP works: the cursor is down again before any box.
        CursorOcupado ocupado;
        r = corridaGuia(*this).executar(linhas, cliente);
    }
    if (r.erro)
        std::rethrow_exception(r.erro);
    for (const QString& mensagem : r.mensagens)
        Avisa(QString(), mensagem, 2);
    LimparForm();
    if (!r.guia)
        return;
    campo[1]->setFocus();
    const QString entrada = textoChave(*r.entrada);
    estado->setText(r.guia->Numero == 0
                        ? QStringLiteral("Criados a entrada %1 e a guia.").arg(entrada)
                        : QStringLiteral("Criados a entrada %1 e a guia %2.").arg(entrada, textoChave(*r.guia)));
}
