// The pending-order load ("&Carregar") and the run of "&Guia".
#include "Importacao.h"
#include "ImportacaoVao.h"

#include "BaseDados.h"
#include "CargaEncomendas.h"
#include "Documentos.h"
#include "Erro.h"
#include "ModeloEncomendas.h"

#include <QScopeGuard>

#include <utility>

void Importacao::carregar(const FiltrosCarga& filtros) {
    if (filtros.cliente.isEmpty()) {
        Q_EMIT aviso(QStringLiteral("Campo Cliente obrigatório!"));
        Q_EMIT focoPedido(Campo::Cliente);
        return;
    }
    if (m_linhasCarregadas == 0)
        refazerGrelha();

    // The same order number, requisition and article loaded together before.
    for (qsizetype i = 0; i < m_filtrosUsados.tamanho(); ++i) {
        if (m_filtrosUsados.numeros.at(i) == filtros.numero &&
            m_filtrosUsados.requisicoes.at(i) == filtros.requisicao &&
            m_filtrosUsados.artigos.at(i) == filtros.artigo) {
            Q_EMIT aviso(QStringLiteral("Estes filtros já foram utilizados!"));
            Q_EMIT focoPedido(Campo::Numero);
            return;
        }
    }

    // No action starts until the load has ended: what came in meanwhile is
    // handled (and refused) while the load is still under way.
    m_aCarregar = true;
    const auto fim = qScopeGuard([this] { m_aCarregar = false; });
    const Vao carga(*this, &Importacao::cargaEmCurso);
    int linha = m_linhasCarregadas;
    int encontradas = 0;
    {
        const Vao ocupado(*this, &Importacao::ocupado);
        // A first repaint before the statement runs (it may take a while).
        Q_EMIT progresso();
        // Order numbers are 32-bit: a longer one names no order.
        const bool numeroPossivel = filtros.numero.isEmpty() || filtros.numero.toLongLong() <= 2147483647LL;
        if (numeroPossivel) {
            const Instrucao instrucao = instrucaoEncomendas(m_tiposEncomenda, filtros);
            RecordSet rs;
            m_bd->consultar(instrucao.sql, instrucao.parametros, rs);
            std::vector<LinhaEncomenda> lidas =
                lerLinhasEncomenda(rs, chavesDe(m_linhas->encomendas()), [this] { Q_EMIT progresso(); });
            encontradas = static_cast<int>(lidas.size());
            linha += encontradas;
            // Written below the lines loaded before (row linhasCarregadas() on).
            if (encontradas > 0)
                m_linhas->acrescentarLinhas(std::move(lidas), linhasDaGrelha(m_linhas->numeroLinhas(), linha));
        }
    }
    m_linhasCarregadas = linha;
    if (encontradas == 0) {
        Q_EMIT aviso(QStringLiteral("Não existem Encomendas para as condições solicitadas!"));
        return;
    }
    m_filtrosUsados.numeros << filtros.numero;
    m_filtrosUsados.requisicoes << filtros.requisicao;
    m_filtrosUsados.artigos << filtros.artigo;
    definirEstado(QStringLiteral("%1 linha(s) pendente(s) na grelha.").arg(m_linhasCarregadas));
}

CorridaGuia Importacao::corrida() {
    if (!m_sessao)
        throw Erro(Erro::Erp, QStringLiteral("Não há sessão aberta no ERP."));
    return CorridaGuia(*m_sessao, m_tiposGuia, m_tiposEntrada, m_modoGravacao, m_corridas);
}

void Importacao::fazerGuia(const QString& cliente) {
    const std::vector<LinhaMarcada> marcadas = m_linhas->linhasMarcadas();
    if (marcadas.empty()) {
        Q_EMIT aviso(QStringLiteral("Não foram seleccionadas Encomendas!"));
        return;
    }
    // The Guia goes to the client in the client field: the marked lines must be that client's.
    if (const auto outro = clienteDiferente(marcadas, cliente)) {
        Q_EMIT aviso(
            QStringLiteral("As linhas marcadas são do cliente %1, não do cliente \"%2\" indicado no campo Cliente. "
                           "Carregue de novo as encomendas do cliente pretendido.")
                .arg(*outro, cliente));
        return;
    }

    Q_EMIT corridaIniciada();
    {
        // Busy only while the ERP works: that ends before any message.
        const Vao ocupado(*this, &Importacao::ocupado);
        m_ultimaCorrida = corrida().executar(marcadas, cliente);
    }
    const ResultadoCorrida& r = *m_ultimaCorrida;
    if (r.erro)
        std::rethrow_exception(r.erro);
    for (const QString& mensagem : r.mensagens)
        Q_EMIT aviso(mensagem);
    limpar();
    if (!r.guia)
        return;
    Q_EMIT focoPedido(Campo::Cliente);
    const QString entrada = textoChave(*r.entrada);
    // No box on success: the status strip names the documents and how to print the Guia.
    definirEstado(r.guia->Numero == 0 ? QStringLiteral("Criados a entrada %1 e a guia.").arg(entrada)
                                      : QStringLiteral("Criados a entrada %1 e a guia %2. Ctrl+P imprime a guia.")
                                            .arg(entrada, textoChave(*r.guia)));
}
