// The workstation's documents: the last Guia, the list, the printed Guia and
// the annulment.
#include "Importacao.h"
#include "ImportacaoVao.h"

#include "BaseDados.h"
#include "CorridasDoPosto.h"
#include "Erro.h"
#include "ImpressaoGuia.h"
#include "LeituraGuia.h"
#include "ParametrosLidos.h"
#include "SessaoErp.h"

std::optional<ChaveDocumento> Importacao::ultimaGuia() const {
    // A Guia whose number the ERP did not tell cannot be found again.
    if (!m_ultimaCorrida || !m_ultimaCorrida->guia || m_ultimaCorrida->guia->Numero == 0)
        return std::nullopt;
    return m_ultimaCorrida->guia;
}

std::vector<DocumentoDoPosto> Importacao::documentos(const QDate& de, const QDate& ate, const QString& procura) {
    const Vao ocupado(*this, &Importacao::ocupado);
    return documentosDoPosto(*m_bd, {m_tiposGuia.tipo, m_corridas ? m_corridas->posto() : QString(), de, ate, procura});
}

int Importacao::copias() const {
    return Parametros::interpretarCopias(caminhoParametros(), LerParametros(Parametros::ChaveCopias));
}

GuiaImpressa Importacao::guiaImpressa(const ChaveDocumento& guia) {
    const Vao ocupado(*this, &Importacao::ocupado);
    return lerGuia(*m_bd, guia, m_empresa);
}

GuiaImpressa Importacao::registarImpressao(const ChaveDocumento& guia) {
    GuiaImpressa g = guiaImpressa(guia);
    const Vao ocupado(*this, &Importacao::ocupado);
    return ::registarImpressao(*m_sessao, std::move(g));
}

std::optional<QString> Importacao::recusaAnulacao(const ChaveDocumento& guia) const {
    if (!m_corridas)
        return QStringLiteral("Este posto não tem diário de execuções: a guia %1 não pode ser anulada aqui.")
            .arg(textoChave(guia));
    return AnulacaoGuia(*m_sessao, *m_corridas).recusa(guia);
}

std::optional<QString> Importacao::recusaMotivo(const ChaveDocumento& guia, const QString& motivo) {
    return AnulacaoGuia::recusaMotivo(guia, motivo);
}

ResultadoAnulacao Importacao::anular(const ChaveDocumento& guia, const QString& motivo) {
    ResultadoAnulacao r;
    if (const auto recusa = recusaAnulacao(guia)) {
        r.mensagens << *recusa;
    } else {
        const Vao ocupado(*this, &Importacao::ocupado);
        r = AnulacaoGuia(*m_sessao, *m_corridas).executar(guia, motivo);
    }
    for (const QString& mensagem : r.mensagens)
        Q_EMIT aviso(mensagem);
    return r;
}
