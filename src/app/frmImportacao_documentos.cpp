// The workstation's documents from the window: Ctrl+P previews the last
// Guia, "&Documentos" lists the workstation's Guias; from either the Guia is
// previewed, printed, saved as PDF, and from the list annulled.
#include "frmImportacao.h"

#include "DesenhoGuia.h"
#include "DialogoPrevisao.h"
#include "Erro.h"
#include "Guarda.h"
#include "Impressora.h"
#include "ListaDocumentos.h"
#include "Mensagens.h"
#include "ModeloDocumentos.h"
#include "PdfGuia.h"

#include <QDir>
#include <QStandardPaths>

namespace {

/// "GR-1-45-2026.pdf": the Guia's key, with what a file name cannot hold replaced.
QString nomeFicheiroPdf(const ChaveDocumento& guia) {
    QString nome = textoChave(guia);
    for (QChar& c : nome)
        if (!c.isLetterOrNumber() && c != u'-' && c != u'_')
            c = u'-';
    return nome + QStringLiteral(".pdf");
}

} // namespace

bool frmImportacao::dizerFalha(const QString& inicio, const std::function<void()>& f) {
    // What fails here (the printer, the file, the database, the ERP) is told
    // and the window goes on: none of it ends the program.
    try {
        f();
        return true;
    } catch (const Erro& e) {
        Avisa(QString(), inicio + QStringLiteral(": ") + e.texto(), 2);
        return false;
    }
}

void frmImportacao::imprimirUltima() {
    const std::optional<ChaveDocumento> guia = m_importacao.ultimaGuia();
    if (!guia) {
        Avisa(QString(),
              QStringLiteral("Ainda não foi feita nenhuma guia desde que a janela abriu. As guias deste posto estão em "
                             "\"Documentos\"."),
              2);
        return;
    }
    previsualizar(*guia, this);
}

void frmImportacao::previsualizar(const ChaveDocumento& guia, QWidget* pai) {
    // Read before the preview opens, so that a Guia that cannot be read is
    // told at once; every redraw (after a print) reads it again, and keeps
    // what it showed when that fails.
    int copias = 0;
    std::shared_ptr<DesenhoGuia> desenho;
    if (!dizerFalha(QStringLiteral("A guia %1 não pode ser pré-visualizada").arg(textoChave(guia)), [&] {
            copias = m_importacao.copias();
            desenho = std::make_shared<DesenhoGuia>(m_importacao.guiaImpressa(guia));
        }))
        return;
    bool primeira = true;
    auto* previsao = new DialogoPrevisao(
        QStringLiteral("Guia %1").arg(textoChave(guia)),
        [this, guia, copias, desenho, primeira](QPagedPaintDevice& dispositivo) mutable {
            if (!primeira) {
                try {
                    desenho = std::make_shared<DesenhoGuia>(m_importacao.guiaImpressa(guia));
                } catch (const Erro&) {
                    // The pages stay as they were.
                }
            }
            primeira = false;
            desenho->desenhar(dispositivo, copias);
        },
        m_guarda, pai);
    previsao->setAttribute(Qt::WA_DeleteOnClose);
    previsao->setWindowModality(Qt::WindowModal);
    connect(previsao, &DialogoPrevisao::imprimirPedido, previsao, [this, guia, previsao] {
        m_guarda([&] {
            imprimir(guia);
            previsao->actualizar();
        });
    });
    connect(previsao, &DialogoPrevisao::guardarPedido, previsao, [this, guia, previsao] {
        m_guarda([&] {
            if (guardarPdf(guia))
                previsao->actualizar();
        });
    });
    previsao->show();
}

void frmImportacao::imprimir(const ChaveDocumento& guia) {
    dizerFalha(QStringLiteral("A guia %1 não foi impressa").arg(textoChave(guia)), [&] {
        // The printer is found before the print is recorded.
        const ImpressoraPorOmissao impressora;
        const int copias = m_importacao.copias();
        const DesenhoGuia desenho(m_importacao.registarImpressao(guia));
        impressora.imprimir(desenho.guia().nomeTipo + QLatin1Char(' ') + desenho.guia().identificacao(),
                            [&](QPagedPaintDevice& dispositivo) { desenho.desenhar(dispositivo, copias); });
    });
}

bool frmImportacao::guardarPdf(const ChaveDocumento& guia) {
    const QString sugerido =
        QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)).filePath(nomeFicheiroPdf(guia));
    const QString caminho = m_guarda.mensagens().pedirFicheiro(
        QStringLiteral("Guardar a guia %1 como PDF").arg(textoChave(guia)), sugerido, QStringLiteral("PDF (*.pdf)"));
    if (caminho.isEmpty())
        return false;
    return dizerFalha(QStringLiteral("A guia %1 não foi guardada em PDF").arg(textoChave(guia)), [&] {
        // The file is opened before the print is recorded: a path that cannot
        // be written is told first.
        FicheiroPdf ficheiro(caminho);
        const int copias = m_importacao.copias();
        ficheiro.escrever(DesenhoGuia(m_importacao.registarImpressao(guia)), copias);
    });
}

bool frmImportacao::anular(const DocumentoDoPosto& documento) {
    const ChaveDocumento& guia = documento.guia;
    const QString nome = textoChave(guia);
    std::optional<QString> recusa;
    if (!dizerFalha(QStringLiteral("A guia %1 não foi anulada").arg(nome),
                    [&] { recusa = m_importacao.recusaAnulacao(guia); }))
        return false;
    if (recusa) {
        Avisa(QString(), *recusa, 2);
        return false;
    }
    QStringList valores{QString()};
    for (;;) {
        if (!m_guarda.mensagens().pedirValores(QStringLiteral("Anular a guia %1").arg(nome), {QStringLiteral("Motivo")},
                                               valores, {}))
            return false;
        const auto recusa = Importacao::recusaMotivo(guia, valores.value(0));
        if (!recusa)
            break;
        Avisa(QString(), *recusa, 2);
    }
    const QString pergunta =
        documento.entrada.isEmpty()
            ? QStringLiteral("Anular a guia %1? As quantidades das suas linhas voltam a ficar pendentes nas "
                             "encomendas.")
                  .arg(nome)
            : QStringLiteral("Anular a guia %1 e a entrada %2? As quantidades das linhas da guia voltam a ficar "
                             "pendentes nas encomendas.")
                  .arg(nome, documento.entrada);
    if (Avisa(QString(), pergunta, 4) != Mensagens::RespostaSim)
        return false;
    m_importacao.anular(guia, valores.value(0));
    return true;
}

void frmImportacao::btDocumentos_Click() {
    auto* modelo = new ModeloDocumentos(this);
    auto* lista = new ListaDocumentos(modelo, QDate::currentDate(), this);
    modelo->setParent(lista);
    lista->setAttribute(Qt::WA_DeleteOnClose);
    lista->setWindowModality(Qt::WindowModal);
    // The list read again: the same Guia stays selected, else the newest.
    const auto recarregar = [this, lista, modelo](std::optional<ChaveDocumento> manter, bool focar) {
        dizerFalha(QStringLiteral("Os documentos deste posto não puderam ser lidos"),
                   [&] { modelo->definir(m_importacao.documentos(lista->de(), lista->ate(), lista->procura())); });
        lista->seleccionar(manter ? modelo->linhaDe(*manter) : 0, focar);
    };
    const auto emLinha = [this, modelo](auto accao) {
        return [this, modelo, accao](int linha) { m_guarda([&] { accao(modelo->documento(linha)); }); };
    };
    connect(lista, &ListaDocumentos::filtroMudou, lista, [recarregar] { recarregar(std::nullopt, false); });
    connect(lista, &ListaDocumentos::previsualizarPedido, lista,
            emLinha([this, lista](const DocumentoDoPosto& d) { previsualizar(d.guia, lista); }));
    connect(lista, &ListaDocumentos::imprimirPedido, lista,
            emLinha([this](const DocumentoDoPosto& d) { imprimir(d.guia); }));
    connect(lista, &ListaDocumentos::guardarPedido, lista,
            emLinha([this](const DocumentoDoPosto& d) { guardarPdf(d.guia); }));
    connect(lista, &ListaDocumentos::anularPedido, lista, emLinha([this, recarregar](const DocumentoDoPosto& d) {
                const ChaveDocumento guia = d.guia;
                if (anular(d))
                    recarregar(guia, true);
            }));
    recarregar(std::nullopt, true);
    lista->show();
}
