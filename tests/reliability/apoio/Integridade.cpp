#include "Integridade.h"

#include "Esquema.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

/// Every row of a query, each as a list of values.
std::vector<QVariantList> linhas(BaseTeste& base, const QString& sql) {
    QSqlQuery q(base.db());
    if (!q.exec(sql))
        qFatal("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
    std::vector<QVariantList> r;
    while (q.next()) {
        QVariantList l;
        for (int i = 0; i < q.record().count(); ++i)
            l << q.value(i);
        r.push_back(l);
    }
    return r;
}

Moeda moeda(const QVariant& v) {
    const auto m = Moeda::deVariant(v);
    if (!m)
        qFatal("not a quantity: %s", qPrintable(v.toString()));
    return *m;
}

QString chave(const QVariantList& l, int desde, int quantos) {
    QStringList p;
    for (int i = desde; i < desde + quantos; ++i)
        p << l.at(i).toString();
    return p.join(QLatin1Char('/'));
}

} // namespace

Pendentes pendentesDasEncomendas(BaseTeste& base) {
    Pendentes r;
    for (const QVariantList& l : linhas(base, QStringLiteral("SELECT TPDOCUM, SERIE, NNUMDOC, ANO, NUMLINHA, QUANT"
                                                             " FROM DOCGCLIN WHERE TPDOCUM IN ('ENC', 'ENV')")))
        r.insert(chave(l, 0, 5), moeda(l.at(5)));
    return r;
}

QString EstadoBase::resumo() const {
    return Integridade::texto(relatorio) + pendentesAlterados.join(QLatin1Char('\n'));
}

EstadoBase verificarBase(BaseTeste& base, const Pendentes& inicio) {
    EstadoBase r;
    r.relatorio = Integridade::verificar(base.db(), {QStringLiteral("ENT"), QStringLiteral("GR")});

    // Pending now plus what live Guias took: what was pending at the start.
    QHash<QString, Moeda> tomado;
    for (const QVariantList& l :
         linhas(base, QStringLiteral("SELECT l.ORDOC, l.ORSERIE, l.ORNUM, l.ORANO, l.LINHAORIGINAL, l.QUANT"
                                     " FROM DOCGCLIN l JOIN DOCGCCAB c ON c.TPDOC = l.TPDOCUM AND c.SERIE = l.SERIE"
                                     " AND c.NNUMDOC = l.NNUMDOC AND c.ANO = l.ANO"
                                     " WHERE l.TPDOCUM = 'GR' AND c.ANULADO <> -1")))
        tomado[chave(l, 0, 5)] = tomado.value(chave(l, 0, 5)) + moeda(l.at(5));
    const Pendentes agora = pendentesDasEncomendas(base);
    for (auto i = inicio.cbegin(); i != inicio.cend(); ++i) {
        const Moeda pendente = agora.value(i.key());
        if (pendente < Moeda() || pendente + tomado.value(i.key()) != i.value())
            r.pendentesAlterados << QStringLiteral("%1: no início %2, agora %3, tomado %4")
                                        .arg(i.key(), i.value().paraTextoC(), pendente.paraTextoC(),
                                             tomado.value(i.key()).paraTextoC());
    }
    for (auto i = tomado.cbegin(); i != tomado.cend(); ++i)
        if (!inicio.contains(i.key()))
            r.pendentesAlterados << QStringLiteral("%1: linha de encomenda desconhecida").arg(i.key());
    return r;
}

QString retratoDaBase(BaseTeste& base) {
    QString r;
    for (const QString& tabela : Esquema::tabelas(base.db())) {
        r += QLatin1String("# ") + tabela + QLatin1Char('\n');
        QStringList filas;
        for (const QVariantList& l : linhas(base, QStringLiteral("SELECT * FROM %1").arg(tabela))) {
            QStringList v;
            for (const QVariant& x : l)
                v << (x.isNull() ? QStringLiteral("NULL") : x.toString());
            filas << v.join(QLatin1Char('|'));
        }
        filas.sort();
        r += filas.join(QLatin1Char('\n')) + QLatin1Char('\n');
    }
    return r;
}

void prepararErp(BaseTeste& base) {
    base.executar(QStringLiteral("INSERT INTO ErpEmpresas (Codigo, Nome) VALUES ('DEMO', 'Demo')"));
    Esquema::definirUtilizadorErp(base.db(), QStringLiteral("op"), QStringLiteral("segredo"));
}
