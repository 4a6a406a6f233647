#include "CorridaGuia.h"

#include "CodigosErp.h"
#include "Documentos.h"
#include "Erro.h"
#include "NomesApi.h"

#include <QDate>

namespace {

QVariant curto(int v) {
    return QVariant::fromValue(static_cast<qint16>(v));
}

/// An order line's numbers are written to the ERP as 64-bit integers, the
/// type the company database hands them out in.
QVariant inteiro(qint32 v) {
    return QVariant::fromValue(static_cast<qlonglong>(v));
}

QString hoje() {
    return QDate::currentDate().toString(QStringLiteral("dd-MM-yyyy"));
}

} // namespace

CorridaGuia::CorridaGuia(SessaoErp& sessao, ParametrosGuia guia, ParametrosEntrada entrada, qint16 modoGravacao)
    : m_sessao(sessao), m_guia(std::move(guia)), m_entrada(std::move(entrada)), m_modoGravacao(modoGravacao) {}

ResultadoCorrida CorridaGuia::executar(const std::vector<LinhaMarcada>& linhas, const QString& cliente) {
    ResultadoCorrida r;
    try {
        r.entrada = gravaEntrada(linhas);
    } catch (const Erro& e) {
        if (e.numero() == Erro::RecusadoErp)
            r.mensagens << e.texto();
        else
            r.erro = std::current_exception();
        return r;
    } catch (...) {
        r.erro = std::current_exception();
        return r;
    }

    // The entry is stored: from here on, whatever fails, it is annulled again.
    std::shared_ptr<DocumentoComercial> documento;
    try {
        documento = criaCabecalho(cliente);
        criaLinhas(*documento, linhas);
    } catch (...) {
        r.mensagens << textoDoErro(std::current_exception());
        documento.reset(); // the Guia is let go before the entry is annulled
        r.porAnular = anula({*r.entrada});
        if (!r.porAnular.empty())
            r.mensagens << mensagemAnulacaoManual(r.porAnular);
        return r;
    }
    r.guia = chaveGuia(*documento);
    return r;
}

std::shared_ptr<ObjectoApi> CorridaGuia::criaObjectoApi(const QString& nome) {
    return m_sessao.CriaObjectoApi(nome);
}

ChaveDocumento CorridaGuia::gravaEntrada(const std::vector<LinhaMarcada>& linhas) {
    const LinhasEntrada e = linhasEntrada(linhas, m_entrada.factor);
    m_sessao.setOpcaoEntrada1(true);
    m_sessao.setOpcaoEntrada2(true);
    ChaveDocumento chave;
    bool flag = false;
    m_sessao.CriaDocumentoEntrada(1, 4, m_entrada.tipo, m_entrada.armazem, m_entrada.serie, m_entrada.armazem,
                                  QString(), QString(), hoje(), QString(), m_entrada.observacoes, 0, QString(),
                                  e.artigos, e.descricoes, e.quantidades, e.precos, e.textos, chave, flag);
    qint32 codigo = 0;
    QString texto;
    m_sessao.UltimoErro(codigo, texto);
    if (codigo != CodigosErp::Feito)
        throw Erro(Erro::RecusadoErp, texto);
    return chave;
}

std::shared_ptr<DocumentoComercial> CorridaGuia::criaCabecalho(const QString& cliente) {
    auto documento = std::dynamic_pointer_cast<DocumentoComercial>(criaObjectoApi(NomesApi::Documento));
    if (!documento)
        throw Erro(Erro::Erp, QStringLiteral("O ERP não criou o documento %1.").arg(NomesApi::Documento));
    // One reading of the clock for the year and the date, so they always agree.
    const QDate data = QDate::currentDate();
    ObjectoApi& cab = documento->Cab();
    cab.definir(QStringLiteral("Ano"), curto(data.year()));
    cab.definir(QStringLiteral("Data"), data.toString(QStringLiteral("dd-MM-yyyy")));
    cab.definir(QStringLiteral("AreaGestao"), curto(4));
    cab.definir(QStringLiteral("Sector"), m_guia.sector);
    cab.definir(QStringLiteral("Serie"), m_guia.serieEscrita);
    cab.definir(QStringLiteral("TipoDocumento"), m_guia.tipo);
    cab.definir(QStringLiteral("TipoTerceiro"), curto(2));
    cab.definir(QStringLiteral("Terceiro"), cliente);
    cab.definir(QStringLiteral("TipoPreco"), curto(0));
    documento->Validar();
    cab.definir(QStringLiteral("NumeroContribuinte"), QString());
    cab.definir(QStringLiteral("DescontoCabecalho"), curto(0));
    cab.definir(QStringLiteral("Processo"), QString());
    cab.definir(QStringLiteral("VossoNoDocumento"), QString());
    cab.definir(QStringLiteral("MeiodeTransporte"), QString());
    cab.definir(QStringLiteral("Matricula"), QString());
    cab.definir(QStringLiteral("LocalCarga"), QString());
    cab.definir(QStringLiteral("LocalDescarga"), QString());
    return documento;
}

void CorridaGuia::criaLinhas(DocumentoComercial& documento, const std::vector<LinhaMarcada>& linhas) {
    for (const LinhaMarcada& l : linhas) {
        const LinhaEncomenda& e = l.encomenda;
        const std::shared_ptr<ObjectoApi> linha = criaObjectoApi(NomesApi::Linha);
        if (!linha)
            throw Erro(Erro::Erp, QStringLiteral("O ERP não criou a linha %1.").arg(NomesApi::Linha));
        const QVariant quantidade = QVariant::fromValue(l.quantidade);
        linha->definir(QStringLiteral("TipoDeLinha"), curto(1));
        linha->definir(QStringLiteral("Artigo"), e.artigo);
        linha->definir(QStringLiteral("Armazem"), m_guia.armazem);
        documento.SugereValoresLin(*linha, true, true, false, true, true, false, true);
        linha->definir(QStringLiteral("Descricao"), e.descricao);
        linha->definir(QStringLiteral("Quantidade"), quantidade);
        linha->definir(QStringLiteral("QuantidadeOrigem"), quantidade);
        linha->definir(QStringLiteral("PrecoUnitario"), QVariant::fromValue(e.preco));
        linha->definir(QStringLiteral("OrDoc"), e.chave.tipo);
        linha->definir(QStringLiteral("Orano"), inteiro(e.chave.ano));
        linha->definir(QStringLiteral("OrNum"), inteiro(e.chave.numero));
        linha->definir(QStringLiteral("Orserie"), inteiro(e.chave.serie));
        linha->definir(QStringLiteral("LinhaOriginal"), inteiro(e.chave.linha));
        documento.AdicionaLinha(*linha);
    }
    if (linhas.empty())
        throw Erro(Erro::RecusadoErp, QStringLiteral("Documento inválido. Obrigatório ter linhas."));
    qint16 flag = 0;
    m_sessao.GravaDocumento(modoDeGravacao(m_modoGravacao), documento, flag);
    if (flag == 0)
        return;
    // Not saved, whatever code the ERP's last error holds (0 included).
    qint32 codigo = 0;
    QString texto;
    m_sessao.UltimoErro(codigo, texto);
    throw Erro(Erro::RecusadoErp, texto.isEmpty() ? QStringLiteral("Documento não gravado.") : texto);
}

std::vector<ChaveDocumento> CorridaGuia::anula(const std::vector<ChaveDocumento>& entradas) {
    std::vector<ChaveDocumento> pendentes;
    for (ChaveDocumento chave : entradas) {
        bool anulada = false;
        try {
            EstadoOperacao estado;
            qint16 flag = 0;
            m_sessao.AnulaDocumento(1, chave, estado, flag);
            anulada = estado.Codigo == CodigosErp::Feito;
        } catch (...) {
            // Refused or raising: either way the entry stays, and the operator is told.
        }
        if (!anulada)
            pendentes.push_back(chave);
    }
    return pendentes;
}

ChaveDocumento CorridaGuia::chaveGuia(DocumentoComercial& documento) const {
    ChaveDocumento chave{0, m_guia.tipo, m_guia.serie, 0};
    try {
        ObjectoApi& cab = documento.Cab();
        bool ok = false;
        const int numero = cab.obter(QStringLiteral("Numero")).toInt(&ok);
        if (ok)
            chave.Numero = numero;
        const int ano = cab.obter(QStringLiteral("Ano")).toInt(&ok);
        if (ok)
            chave.Ano = static_cast<qint16>(ano);
    } catch (...) {
        // The key only names the Guia to the operator: an ERP that does not tell it is no failure.
    }
    return chave;
}

QString textoDoErro(const std::exception_ptr& erro) {
    if (!erro)
        return QString();
    try {
        std::rethrow_exception(erro);
    } catch (const Erro& e) {
        return e.texto();
    } catch (const std::exception& e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return QStringLiteral("Erro desconhecido.");
    }
}
