#include "DocumentosDoPosto.h"

#include "MinusculasSqlite.h"

namespace {

/// "yyyy-MM-dd 00:00:00", as a day is stored (text on SQLite, a timestamp on PostgreSQL).
QString inicioDoDia(const QDate& dia) {
    return dia.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(" 00:00:00");
}

} // namespace

std::vector<DocumentoDoPosto> documentosDoPosto(BaseDados& base, const FiltroDocumentos& filtro) {
    QString sql = QStringLiteral(
        "SELECT g.TPDOC, g.SERIE, g.NNUMDOC, g.ANO, g.DATA, g.TERCEIRO, c.Nome, g.DOCRELACIONADO, g.ANULADO,"
        " (SELECT COUNT(*) FROM DOCGCLIN l WHERE l.TPDOCUM = g.TPDOC AND l.SERIE = g.SERIE"
        " AND l.NNUMDOC = g.NNUMDOC AND l.ANO = g.ANO) AS LINHAS"
        " FROM DOCGCCAB g LEFT JOIN Clientes c ON c.Codigo = g.TERCEIRO"
        " WHERE g.TPDOC = ? AND g.POSTO = ? AND g.DATA >= ? AND g.DATA < ?");
    QVariantList valores{filtro.tipoGuia, filtro.posto, inicioDoDia(filtro.de), inicioDoDia(filtro.ate.addDays(1))};
    const QString procura = filtro.procura.trimmed();
    if (!procura.isEmpty()) {
        // SQLite's own LOWER() lowers ASCII letters only.
        minusculasUnicode(base.db());
        sql += QStringLiteral(" AND (LOWER(g.TERCEIRO) LIKE ? ESCAPE '\\' OR LOWER(c.Nome) LIKE ? ESCAPE '\\'");
        valores << padraoLike(procura) << padraoLike(procura);
        bool numero = false;
        const int n = procura.toInt(&numero);
        if (numero) {
            sql += QStringLiteral(" OR g.NNUMDOC = ?");
            valores << n;
        }
        sql += QLatin1Char(')');
    }
    sql += QStringLiteral(" ORDER BY g.DATA DESC, g.ANO DESC, g.NNUMDOC DESC LIMIT %1").arg(MaximoDocumentosLista);
    RecordSet rs;
    base.consultar(sql, valores, rs);
    std::vector<DocumentoDoPosto> r;
    for (; !rs.fim(); rs.seguinte()) {
        DocumentoDoPosto d;
        d.guia.TipoDoc = rs.texto(0);
        d.guia.Serie = static_cast<qint16>(rs.inteiro(1).value_or(0));
        d.guia.Numero = static_cast<qint32>(rs.inteiro(2).value_or(0));
        d.guia.Ano = static_cast<qint16>(rs.inteiro(3).value_or(0));
        d.data = rs.data(4);
        d.cliente = rs.texto(5);
        d.nomeCliente = rs.texto(6);
        d.entrada = rs.texto(7);
        d.anulada = rs.inteiro(8).value_or(0) == -1;
        d.linhas = static_cast<qint32>(rs.inteiro(9).value_or(0));
        r.push_back(std::move(d));
    }
    return r;
}
