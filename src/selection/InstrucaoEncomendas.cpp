#include "InstrucaoEncomendas.h"

#include <utility>
#include <vector>

namespace {

/// Builds a statement piece by piece; a value goes in as a placeholder.
class Construtor {
public:
    Construtor& operator<<(const QString& texto) {
        m_i.sql += texto;
        return *this;
    }
    /// A value as a placeholder; `aspas` tells how it is shown with literals.
    Construtor& valor(const QVariant& v, bool aspas) {
        m_i.sql += QLatin1Char('?');
        m_i.parametros << v;
        m_i.entreAspas << aspas;
        return *this;
    }
    Instrucao fim() { return std::move(m_i); }

private:
    Instrucao m_i;
};

/// A series as the database holds it: a whole number when it reads as one.
QVariant serie(const QString& texto) {
    bool ok = false;
    const qlonglong n = texto.toLongLong(&ok);
    return ok ? QVariant(n) : QVariant(texto);
}

} // namespace

QString Instrucao::comLiterais() const {
    QString r;
    r.reserve(sql.size() + 64);
    qsizetype p = 0;
    for (const QChar c : sql) {
        if (c != QLatin1Char('?') || p >= parametros.size()) {
            r += c;
            continue;
        }
        const QString v = parametros.at(p).toString();
        if (entreAspas.value(p, true)) {
            r += QLatin1Char('\'');
            r += QString(v).replace(QLatin1Char('\''), QLatin1String("''"));
            r += QLatin1Char('\'');
        } else {
            r += v;
        }
        ++p;
    }
    return r;
}

namespace {

/// A (type, series) pair as it is bound.
using TipoSerie = std::pair<QString, QVariant>;

Instrucao encomendas(const std::vector<TipoSerie>& tipos, const FiltrosCarga& f) {
    Construtor c;
    c << QStringLiteral(
             " SELECT     DOCGCLIN.TPDOCUM, DOCGCLIN.NNUMDOC, DOCGCLIN.ARTIGO, DOCGCLIN.DESCR, DOCGCLIN.PRUNIT,"
             " DOCGCLIN.QUANT, DOCGCLIN.SERIE, DOCGCLIN.ANO,")
      << QStringLiteral("  DOCGCLIN.DATA, DOCGCCAB.VNUMDOC,DOCGCLIN.QTDORIG,DOCGCLIN.NUMLINHA,DOCGCCAB.TERCEIRO,"
                        "DocGcCab.Data as DataDoc")
      << QStringLiteral(" FROM         DOCGCLIN INNER JOIN")
      << QStringLiteral(" DOCGCCAB ON DOCGCLIN.NNUMDOC = DOCGCCAB.NNUMDOC AND DOCGCLIN.TPDOCUM = DOCGCCAB.TPDOC AND"
                        " DOCGCLIN.SERIE = DOCGCCAB.SERIE AND")
      << QStringLiteral(" DOCGCLIN.Ano = DOCGCCAB.Ano") << QStringLiteral(" Where (");
    for (std::size_t i = 0; i < tipos.size(); ++i) {
        c << (i == 0 ? QStringLiteral(" (DOCGCLIN.TPDOCUM =") : QStringLiteral(" OR (DOCGCLIN.TPDOCUM ="));
        c.valor(tipos[i].first, true) << QStringLiteral(" and DOCGCLIN.Serie =");
        c.valor(tipos[i].second, true) << QStringLiteral(")");
    }
    c << QStringLiteral(" )") << QStringLiteral(" and docgclin.quant>0 and docgclin.linanu<>-1");
    if (!f.cliente.isEmpty()) {
        c << QStringLiteral(" AND (DOCGCCAB.TERCEIRO = ");
        c.valor(f.cliente, true) << QStringLiteral(")");
    }
    if (!f.artigo.isEmpty()) {
        c << QStringLiteral(" AND (DOCGCLIN.ARTIGO = ");
        c.valor(f.artigo, true) << QStringLiteral(")");
    }
    if (!f.numero.isEmpty()) {
        c << QStringLiteral(" AND (DOCGCLIN.NNUMDOC = ");
        c.valor(f.numero.toLongLong(), false) << QStringLiteral(")");
    }
    if (!f.requisicao.isEmpty()) {
        c << QStringLiteral(" AND (DOCGCCAB.VNUMDOC = ");
        c.valor(f.requisicao, true) << QStringLiteral(")");
    }
    c << QStringLiteral(" Order by DOCGCCAB.Data");
    return c.fim();
}

} // namespace

Instrucao instrucaoEncomendas(std::span<const TipoEncomenda> tiposEncomenda, const FiltrosCarga& filtros) {
    std::vector<TipoSerie> tipos;
    tipos.reserve(tiposEncomenda.size());
    for (const TipoEncomenda& t : tiposEncomenda)
        tipos.emplace_back(t.tipo, QVariant(static_cast<qlonglong>(t.serie)));
    return encomendas(tipos, filtros);
}

Instrucao instrucaoEncomendas(const QStringList& tiposEncomenda, const FiltrosCarga& filtros) {
    std::vector<TipoSerie> tipos;
    for (qsizetype i = 0; i + 1 < tiposEncomenda.size(); i += 2)
        tipos.emplace_back(tiposEncomenda.at(i), serie(tiposEncomenda.at(i + 1)));
    return encomendas(tipos, filtros);
}

Instrucao instrucaoCliente(const QString& codigo) {
    Construtor c;
    c << QStringLiteral("SELECT * FROM Clientes  where Clientes.CODIGO=");
    c.valor(codigo, true) << QStringLiteral(" and Clientes.Inactivo<>-1 ");
    return c.fim();
}

Instrucao instrucaoArtigo(const QString& codigo) {
    Construtor c;
    c << QStringLiteral("SELECT * FROM Artigos  where Artigos.CODIGO=");
    c.valor(codigo, true) << QStringLiteral(" and Artigos.Inactivo<>-1 ");
    return c.fim();
}

QString consultaListaClientes() {
    return QStringLiteral("SELECT Codigo AS Cliente, Nome AS Nome From Clientes  ORDER BY Codigo");
}

QString consultaListaArtigos() {
    return QStringLiteral("SELECT Codigo AS Artigo, Nome AS Nome From Artigos  ORDER BY Codigo");
}
