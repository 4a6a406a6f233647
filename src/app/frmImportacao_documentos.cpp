// Document generation ("&Guia"): the entry document, then the Guia; the entry
// is annulled again when the Guia cannot be made.
#include "frmImportacao.h"

#include "CampoEntrada.h"
#include "ColunasGrelha.h"
#include "CursorOcupado.h"
#include "Documentos.h"
#include "Erro.h"
#include "Grelha.h"

#include <QDate>
#include <QLabel>

namespace {

SessaoErp& sessao() {
    SessaoErp* s = SessaoErp::global();
    if (!s)
        throw Erro(Erro::Erp, QStringLiteral("Não há sessão aberta no ERP."));
    return *s;
}

QVariant curto(int v) {
    return QVariant::fromValue(static_cast<qint16>(v));
}

} // namespace

std::shared_ptr<ObjectoApi> frmImportacao::ErpCreateApiObject(const QString& sObjectName) {
    const QString nome = sObjectName;
    return sessao().CriaObjectoApi(nome);
}

bool frmImportacao::LibertaDocumento() {
    DocComercial.reset();
    return true;
}

bool frmImportacao::CriaCabecalho() {
    if (DocComercial)
        return true;
    auto documento = std::dynamic_pointer_cast<DocumentoComercial>(ErpCreateApiObject(NomeDocumentoComercial));
    if (!documento)
        throw Erro(Erro::Erp, QStringLiteral("O ERP não criou o documento %1.").arg(NomeDocumentoComercial));
    DocComercial = documento;
    // One reading of the clock for the year and the date, so they always agree.
    const QDate hoje = QDate::currentDate();
    ObjectoApi& cab = DocComercial->Cab();
    cab.definir(QStringLiteral("Ano"), curto(hoje.year()));
    cab.definir(QStringLiteral("Data"), hoje.toString(QStringLiteral("dd-MM-yyyy")));
    cab.definir(QStringLiteral("AreaGestao"), curto(4));
    cab.definir(QStringLiteral("Sector"), TiposGuia.at(2));
    cab.definir(QStringLiteral("Serie"), TiposGuia.at(1));
    cab.definir(QStringLiteral("TipoDocumento"), TiposGuia.at(0));
    cab.definir(QStringLiteral("TipoTerceiro"), curto(2));
    cab.definir(QStringLiteral("Terceiro"), campo[1]->text());
    cab.definir(QStringLiteral("TipoPreco"), curto(0));
    DocComercial->Validar();
    cab.definir(QStringLiteral("NumeroContribuinte"), QString());
    cab.definir(QStringLiteral("DescontoCabecalho"), curto(0));
    cab.definir(QStringLiteral("Processo"), QString());
    cab.definir(QStringLiteral("VossoNoDocumento"), QString());
    cab.definir(QStringLiteral("MeiodeTransporte"), QString());
    cab.definir(QStringLiteral("Matricula"), QString());
    cab.definir(QStringLiteral("LocalCarga"), QString());
    cab.definir(QStringLiteral("LocalDescarga"), QString());
    return true;
}

bool frmImportacao::CriaLinhas(qint32& erro, QString& TextoErro) {
    try {
        const ModeloGrelha& m = *modeloLinhas;
        const int linhas = m.numeroLinhas();
        int contagem = 0;
        for (int r = 0; r < linhas; ++r) {
            // A ticked empty row has no article: it is no order line.
            if (!linhaParaDocumento(m, r))
                continue;
            ++contagem;
            std::shared_ptr<ObjectoApi> linha = ErpCreateApiObject(NomeLinhaDocumento);
            if (!linha)
                throw Erro(Erro::Erp, QStringLiteral("O ERP não criou a linha %1.").arg(NomeLinhaDocumento));
            linha->definir(QStringLiteral("TipoDeLinha"), curto(1));
            linha->definir(QStringLiteral("Artigo"), m.valor(r, Col::Artigo));
            linha->definir(QStringLiteral("Armazem"), TiposGuia.at(3));
            DocComercial->SugereValoresLin(*linha, true, true, false, true, true, false, true);
            linha->definir(QStringLiteral("Descricao"), m.valor(r, Col::Designacao));
            linha->definir(QStringLiteral("Quantidade"), m.valor(r, Col::Qtd));
            linha->definir(QStringLiteral("QuantidadeOrigem"), m.valor(r, Col::Qtd));
            linha->definir(QStringLiteral("PrecoUnitario"), m.valor(r, Col::Preco));
            linha->definir(QStringLiteral("OrDoc"), m.valor(r, Col::TpDoc));
            linha->definir(QStringLiteral("Orano"), m.valor(r, Col::AnoEnc));
            linha->definir(QStringLiteral("OrNum"), m.valor(r, Col::NoDoc));
            linha->definir(QStringLiteral("Orserie"), m.valor(r, Col::Serie));
            linha->definir(QStringLiteral("LinhaOriginal"), m.valor(r, Col::LinhaEnc));
            DocComercial->AdicionaLinha(*linha);
        }
        if (contagem == 0) {
            erro = -1;
            TextoErro = QStringLiteral("Documento inválido. Obrigatório ter linhas.");
            return false;
        }
        qint16 flag = 0;
        sessao().GravaDocumento(modoDeGravacao(ModoGravacao), *DocComercial, flag);
        if (flag != 0)
            sessao().UltimoErro(erro, TextoErro);
        return flag == 0;
    } catch (const Erro& e) {
        erro = -1;
        TextoErro = e.texto();
        return false;
    } catch (const std::exception& e) {
        erro = -1;
        TextoErro = QString::fromLocal8Bit(e.what());
        return false;
    }
}

void frmImportacao::GravaEntrada(qint32& erro, QString& TextoErro) {
    const LinhasEntrada e = linhasEntrada(*modeloLinhas, TiposEntrada.at(4));
    SessaoErp& s = sessao();
    s.setOpcaoEntrada1(true);
    s.setOpcaoEntrada2(true);
    ChaveDocumento chave;
    bool flag = false;
    s.CriaDocumentoEntrada(1, 4, TiposEntrada.at(0), TiposEntrada.at(2),
                           static_cast<qint16>(TiposEntrada.at(1).toInt()), TiposEntrada.at(2), QString(), QString(),
                           QDate::currentDate().toString(QStringLiteral("dd-MM-yyyy")), QString(), TiposEntrada.at(3),
                           0, QString(), e.artigos, e.descricoes, e.quantidades, e.precos, e.textos, chave, flag);
    s.UltimoErro(erro, TextoErro);
    if (erro == -1)
        DocumentosCriados.push_back(chave);
}

void frmImportacao::btEnc_Click() {
    const ModeloGrelha& m = *modeloLinhas;
    bool algumaMarcada = false;
    for (int r = 0; r < m.numeroLinhas(); ++r)
        algumaMarcada = algumaMarcada || linhaParaDocumento(m, r);
    if (!algumaMarcada) {
        Avisa(QString(), QStringLiteral("Não foram seleccionadas Encomendas!"), 2);
        return;
    }
    // The Guia goes to the client in the client field: the marked lines must be that client's.
    const QString cliente = campo[1]->text();
    if (const auto outro = clienteDiferente(m, cliente)) {
        Avisa(QString(),
              QStringLiteral("As linhas marcadas são do cliente %1, não do cliente \"%2\" indicado no campo Cliente. "
                             "Carregue de novo as encomendas do cliente pretendido.")
                  .arg(*outro, cliente),
              2);
        return;
    }

    CursorOcupado ocupado;
    DesActiva();
    qint32 erro = 0;
    QString TextoErro;
    GravaEntrada(erro, TextoErro);
    if (erro != -1) {
        Avisa(QString(), TextoErro, 2);
        LimparForm();
        return;
    }

    qint32 erroGuia = 0;
    try {
        LibertaDocumento();
        CriaCabecalho();
        CriaLinhas(erroGuia, TextoErro);
    } catch (const Erro& e) {
        // Whatever fails after the entry was stored, the entry must not stay without its Guia.
        erroGuia = -1;
        TextoErro = e.texto();
    }
    if (erroGuia != 0) {
        Avisa(QString(), TextoErro, 2);
        LibertaDocumento();
        QStringList pendentes;
        for (size_t i = 1; i < DocumentosCriados.size(); ++i) {
            EstadoOperacao estado;
            qint16 flag = 0;
            try {
                sessao().AnulaDocumento(1, DocumentosCriados[i], estado, flag);
            } catch (const Erro& e) {
                estado.Codigo = e.numero() == -1 ? 0 : e.numero();
                estado.TextoEstado = e.texto();
            }
            if (estado.Codigo != -1)
                pendentes << textoChave(DocumentosCriados[i]);
        }
        const QString aviso = mensagemAnulacaoManual(pendentes);
        if (!aviso.isEmpty())
            Avisa(QString(), aviso, 2);
        LimparForm();
        return;
    }
    const QString entrada = textoChave(DocumentosCriados.back());
    QString guia;
    try {
        ObjectoApi& cab = DocComercial->Cab();
        guia = QStringLiteral("%1/%2/%3/%4")
                   .arg(TiposGuia.at(0), TiposGuia.at(1), cab.obter(QStringLiteral("Numero")).toString(),
                        cab.obter(QStringLiteral("Ano")).toString());
    } catch (const Erro&) {
        // The number only goes to the status line; an ERP that does not tell it is no failure.
    }
    LimparForm();
    LibertaDocumento();
    campo[1]->setFocus();
    estado->setText(guia.isEmpty() ? QStringLiteral("Criados a entrada %1 e a guia.").arg(entrada)
                                   : QStringLiteral("Criados a entrada %1 e a guia %2.").arg(entrada, guia));
}
