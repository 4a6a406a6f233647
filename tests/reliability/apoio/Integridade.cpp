#include "Integridade.h"

#include "Esquema.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <map>

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

QString Integridade::resumo() const {
    return QStringLiteral("sobre-satisfeitas=%1 entradas-sem-guia=%2 guias-sem-entrada=%3 pares-diferentes=%4 "
                          "numeros-repetidos=%5 meio-guardados=%6 (entradas=%7 anuladas=%8 guias=%9 linhas-guia=%10)")
        .arg(sobreSatisfeitas)
        .arg(entradasSemGuia)
        .arg(guiasSemEntrada)
        .arg(paresDiferentes)
        .arg(numerosRepetidos)
        .arg(meioGuardados)
        .arg(entradas)
        .arg(entradasAnuladas)
        .arg(guias)
        .arg(linhasGuia);
}

Integridade verificarIntegridade(BaseTeste& base, const Pendentes& inicio) {
    Integridade r;

    // Pending now plus what live Guias took: what was pending at the start.
    QHash<QString, Moeda> tomado;
    for (const QVariantList& l :
         linhas(base, QStringLiteral("SELECT l.ORDOC, l.ORSERIE, l.ORNUM, l.ORANO, l.LINHAORIGINAL, l.QUANT"
                                     " FROM DOCGCLIN l JOIN DOCGCCAB c ON c.TPDOC = l.TPDOCUM AND c.SERIE = l.SERIE"
                                     " AND c.NNUMDOC = l.NNUMDOC AND c.ANO = l.ANO"
                                     " WHERE l.TPDOCUM = 'GR' AND c.ANULADO <> -1"))) {
        tomado[chave(l, 0, 5)] = tomado.value(chave(l, 0, 5)) + moeda(l.at(5));
        ++r.linhasGuia;
    }
    const Pendentes agora = pendentesDasEncomendas(base);
    for (auto i = inicio.cbegin(); i != inicio.cend(); ++i) {
        const Moeda pendente = agora.value(i.key());
        if (pendente < Moeda() || pendente + tomado.value(i.key()) != i.value()) {
            ++r.sobreSatisfeitas;
            r.detalhes << QStringLiteral("%1: no início %2, agora %3, tomado %4")
                              .arg(i.key(), i.value().paraTextoC(), pendente.paraTextoC(),
                                   tomado.value(i.key()).paraTextoC());
        }
    }
    for (auto i = tomado.cbegin(); i != tomado.cend(); ++i)
        if (!inicio.contains(i.key())) {
            ++r.sobreSatisfeitas;
            r.detalhes << QStringLiteral("%1: linha de encomenda desconhecida").arg(i.key());
        }

    // Entries and Guias, paired through DOCRELACIONADO within one workstation.
    struct Doc {
        QString posto;
        bool anulado = false;
        QString relacionado;
    };
    std::map<QString, Doc> entradas;
    std::map<QString, Doc> guias;
    for (const QVariantList& l :
         linhas(base, QStringLiteral("SELECT TPDOC, SERIE, NNUMDOC, ANO, POSTO, ANULADO,"
                                     " DOCRELACIONADO FROM DOCGCCAB WHERE TPDOC IN ('ENT', 'GR')"))) {
        Doc d{l.at(4).toString(), l.at(5).toInt() == -1, l.at(6).toString()};
        (l.at(0).toString() == QLatin1String("ENT") ? entradas : guias)[chave(l, 0, 4)] = d;
    }
    r.entradas = int(entradas.size());
    r.guias = int(guias.size());
    QHash<QString, int> nomeada;
    for (const auto& [k, g] : guias) {
        if (g.anulado)
            continue;
        const auto e = entradas.find(g.relacionado);
        if (e == entradas.end() || e->second.anulado || e->second.posto != g.posto || ++nomeada[g.relacionado] > 1) {
            ++r.guiasSemEntrada;
            r.detalhes << QStringLiteral("guia %1 (%2) nomeia \"%3\"").arg(k, g.posto, g.relacionado);
        }
    }
    for (const auto& [k, e] : entradas) {
        if (e.anulado) {
            ++r.entradasAnuladas;
            continue;
        }
        if (!nomeada.contains(k)) {
            ++r.entradasSemGuia;
            r.detalhes << QStringLiteral("entrada %1 (%2) sem guia e não anulada").arg(k, e.posto);
        }
    }

    // The Guia carries the entry's lines: same articles and quantities, in order.
    QHash<QString, QStringList> linhasDoc;
    for (const QVariantList& l : linhas(
             base, QStringLiteral("SELECT TPDOCUM, SERIE, NNUMDOC, ANO, ARTIGO, QUANT, QTDORIG FROM DOCGCLIN"
                                  " WHERE TPDOCUM IN ('ENT', 'GR') ORDER BY TPDOCUM, SERIE, ANO, NNUMDOC, NUMLINHA")))
        linhasDoc[chave(l, 0, 4)] << l.at(4).toString() + QLatin1Char('=') + moeda(l.at(6)).paraTextoC();
    for (const auto& [k, g] : guias) {
        if (g.anulado || !entradas.count(g.relacionado))
            continue;
        if (linhasDoc.value(k) != linhasDoc.value(g.relacionado)) {
            ++r.paresDiferentes;
            r.detalhes << QStringLiteral("guia %1 [%2] e entrada %3 [%4]")
                              .arg(k, linhasDoc.value(k).join(','), g.relacionado,
                                   linhasDoc.value(g.relacionado).join(','));
        }
    }

    // Numbers unique per type, series and year, and the numbering never behind.
    for (const QVariantList& l :
         linhas(base, QStringLiteral("SELECT TPDOC, SERIE, NNUMDOC, ANO, COUNT(*) FROM DOCGCCAB"
                                     " GROUP BY TPDOC, SERIE, NNUMDOC, ANO HAVING COUNT(*) > 1"))) {
        ++r.numerosRepetidos;
        r.detalhes << QStringLiteral("número %1 usado %2 vezes").arg(chave(l, 0, 4), l.at(4).toString());
    }
    for (const QVariantList& l : linhas(
             base, QStringLiteral("SELECT n.TipoDoc, n.Serie, n.Ano, n.Ultimo, MAX(c.NNUMDOC) FROM ErpNumeracao n"
                                  " JOIN DOCGCCAB c ON c.TPDOC = n.TipoDoc AND c.SERIE = n.Serie AND c.ANO = n.Ano"
                                  " GROUP BY n.TipoDoc, n.Serie, n.Ano, n.Ultimo HAVING MAX(c.NNUMDOC) > n.Ultimo"))) {
        ++r.numerosRepetidos;
        r.detalhes << QStringLiteral("numeração %1 em %2, guardado %3")
                          .arg(chave(l, 0, 3), l.at(3).toString(), l.at(4).toString());
    }

    // Nothing stored in part.
    const QString mesmoDoc = QStringLiteral("l.TPDOCUM = c.TPDOC AND l.SERIE = c.SERIE AND l.NNUMDOC = c.NNUMDOC"
                                            " AND l.ANO = c.ANO");
    const QStringList partes = {
        QStringLiteral("SELECT c.TPDOC, c.SERIE, c.NNUMDOC, c.ANO, 'cabeçalho sem linhas' FROM DOCGCCAB c WHERE NOT"
                       " EXISTS (SELECT 1 FROM DOCGCLIN l WHERE %1)")
            .arg(mesmoDoc),
        QStringLiteral("SELECT l.TPDOCUM, l.SERIE, l.NNUMDOC, l.ANO, 'linha sem cabeçalho' FROM DOCGCLIN l WHERE NOT"
                       " EXISTS (SELECT 1 FROM DOCGCCAB c WHERE %1)")
            .arg(mesmoDoc),
        QStringLiteral("SELECT c.TPDOC, c.SERIE, c.NNUMDOC, c.ANO, 'anulado em parte' FROM DOCGCCAB c JOIN DOCGCLIN l"
                       " ON %1 WHERE c.TPDOC IN ('ENT', 'GR') AND (c.ANULADO = -1) <> (l.LINANU = -1)")
            .arg(mesmoDoc),
    };
    for (const QString& sql : partes)
        for (const QVariantList& l : linhas(base, sql)) {
            ++r.meioGuardados;
            r.detalhes << chave(l, 0, 4) + QLatin1String(": ") + l.at(4).toString();
        }
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
