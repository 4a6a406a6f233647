#pragma once

#include "ModeloGrelha.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

/// The names of the ERP's document API objects.
inline const QString NomeDocumentoComercial = QStringLiteral("ErpApi.DocumentoComercial");
inline const QString NomeLinhaDocumento = QStringLiteral("ErpApi.DocumentosGcLin");

/// Whether a grid row goes into the documents: marked and with an article.
bool linhaParaDocumento(const ModeloGrelha& modelo, int linha);

/// The lines of the entry document as parallel arrays; index 0 of each is empty.
struct LinhasEntrada final {
    QStringList artigos{QString()};
    QStringList descricoes{QString()};
    std::vector<double> quantidades{0.0};
    std::vector<double> precos{0.0};
    QStringList textos{QString()};
    int contagem() const { return static_cast<int>(artigos.size()) - 1; }
};

/// The entry lines from the marked rows, in row order; prices reduced by the
/// factor (item 4 of the entry parameters).
LinhasEntrada linhasEntrada(const ModeloGrelha& modelo, const QString& factor);

/// The message listing the entry documents to annul by hand; empty when none.
QString mensagemAnulacaoManual(const QStringList& chaves);

/// The save mode the ERP is given for the window's save-mode selector.
int modoDeGravacao(qint16 modoGravacao);

/// Among the rows that go into the documents, the client (Terceiro) of the
/// first one that is not `cliente`; nothing when all are.
std::optional<QString> clienteDiferente(const ModeloGrelha& modelo, const QString& cliente);
