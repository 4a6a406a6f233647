// The pending-order load ("&Carregar").
#include "frmImportacao.h"

#include "CampoEntrada.h"
#include "CargaEmCurso.h"
#include "CargaEncomendas.h"
#include "CursorOcupado.h"
#include "InstrucaoEncomendas.h"
#include "ModeloEncomendas.h"

#include <QCoreApplication>
#include <QLabel>

void frmImportacao::btCarga_Click() {
    if (campo[1]->text().isEmpty()) {
        Avisa(QString(), QStringLiteral("Campo Cliente obrigatório!"), 2);
        campo[1]->setFocus();
        return;
    }
    if (LinhasCarregadas == 0)
        Act_Grelha();

    // The same order number, requisition and article loaded together before.
    const QString numero = campo[2]->text(), requisicao = campo[3]->text(), artigo = campo[0]->text();
    for (qsizetype i = 0; i < filtrosUsados.tamanho(); ++i) {
        if (filtrosUsados.numeros.at(i) == numero && filtrosUsados.requisicoes.at(i) == requisicao &&
            filtrosUsados.artigos.at(i) == artigo) {
            Avisa(QString(), QStringLiteral("Estes filtros já foram utilizados!"), 2);
            campo[2]->setFocus();
            return;
        }
    }

    const CargaEmCurso carga(*this);
    int linha = LinhasCarregadas;
    int encontradas = 0;
    {
        CursorOcupado ocupado;
        // The window repaints now and then while the load reads; first before
        // the statement runs (it may take a while), so that the busy cursor
        // and the grid laid out anew show.
        const auto repintar = [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); };
        repintar();
        // Order numbers are 32-bit: a longer one names no order.
        const bool numeroPossivel = numero.isEmpty() || numero.toLongLong() <= 2147483647LL;
        if (numeroPossivel) {
            const Instrucao instrucao =
                instrucaoEncomendas(TiposEncomenda, FiltrosCarga{campo[1]->text(), artigo, numero, requisicao});
            RecordSet rs;
            bd->consultar(instrucao.sql, instrucao.parametros, rs);
            std::vector<LinhaEncomenda> linhas = lerLinhasEncomenda(rs, chavesDe(modeloLinhas->encomendas()), repintar);
            encontradas = static_cast<int>(linhas.size());
            linha += encontradas;
            // Written below the lines loaded before (row LinhasCarregadas on);
            // the views are told, and show the new rows.
            if (encontradas > 0)
                modeloLinhas->acrescentarLinhas(std::move(linhas), linhasDaGrelha(modeloLinhas->numeroLinhas(), linha));
        }
    }
    LinhasCarregadas = linha;
    if (encontradas == 0) {
        Avisa(QString(), QStringLiteral("Não existem Encomendas para as condições solicitadas!"), 2);
        return;
    }
    filtrosUsados.numeros << numero;
    filtrosUsados.requisicoes << requisicao;
    filtrosUsados.artigos << artigo;
    estado->setText(QStringLiteral("%1 linha(s) pendente(s) na grelha.").arg(LinhasCarregadas));
}
