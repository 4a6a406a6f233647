#pragma once

#include "FactorPreco.h"
#include "LinhaEncomenda.h"
#include "SessaoErp.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

/// The lines of the entry document as parallel arrays; index 0 of each is empty.
struct LinhasEntrada final {
    QStringList artigos{QString()};
    QStringList descricoes{QString()};
    std::vector<double> quantidades{0.0};
    std::vector<double> precos{0.0};
    QStringList textos{QString()};
    int contagem() const { return static_cast<int>(artigos.size()) - 1; }
};

/// The entry lines from the marked lines, in order; prices reduced by the factor.
LinhasEntrada linhasEntrada(const std::vector<LinhaMarcada>& linhas, const FactorPreco& factor);

/// A text from elsewhere (an error's) closed with a full stop, to go on with another sentence.
QString comPonto(const QString& texto);

/// The message listing the entry documents to annul by hand; empty when none.
QString mensagemAnulacaoManual(const std::vector<ChaveDocumento>& chaves);

/// The save mode the ERP is given for the window's save-mode selector.
int modoDeGravacao(qint16 modoGravacao);

/// The client (Terceiro) of the first line that is not `cliente`'s; nothing
/// when all are.
std::optional<QString> clienteDiferente(const std::vector<LinhaMarcada>& linhas, const QString& cliente);
