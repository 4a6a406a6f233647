#include "LeituraGuia.h"

#include "Erro.h"

namespace {

QVariantList valoresChave(const ChaveDocumento& c) {
    return {c.TipoDoc, int(c.Serie), c.Numero, int(c.Ano)};
}

/// A field of the current record that an older database may not have:
/// empty when the column is not there.
QString opcional(const RecordSet& rs, const QString& nome) {
    const int i = rs.indiceCampo(nome);
    return i < 0 ? QString() : rs.texto(i);
}

/// "yyyy-MM-dd HH:mm:ss" (or with a "T"), as either engine hands a timestamp back.
std::optional<QDateTime> dataHora(const RecordSet& rs, const QString& nome) {
    const int i = rs.indiceCampo(nome);
    if (i < 0)
        return std::nullopt;
    const QVariant v = rs.valor(i);
    if (v.isNull())
        return std::nullopt;
    QDateTime dt = v.typeId() == QMetaType::QDateTime ? v.toDateTime() : QDateTime();
    if (!dt.isValid()) {
        QString t = v.toString().trimmed();
        t.replace(QLatin1Char('T'), QLatin1Char(' '));
        dt = QDateTime::fromString(t.left(19), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    }
    return dt.isValid() ? std::optional<QDateTime>(dt) : std::nullopt;
}

EntidadeImpressa entidade(const RecordSet& rs) {
    EntidadeImpressa e;
    e.codigo = rs.campo(QStringLiteral("Codigo")).toString();
    e.nome = rs.campo(QStringLiteral("Nome")).toString();
    e.contribuinte = opcional(rs, QStringLiteral("NumContribuinte"));
    e.morada = opcional(rs, QStringLiteral("Morada"));
    e.localidade = opcional(rs, QStringLiteral("Localidade"));
    return e;
}

} // namespace

GuiaImpressa lerGuia(BaseDados& base, const ChaveDocumento& chave, const QString& empresa) {
    GuiaImpressa g;
    g.chave = chave;
    RecordSet rs;
    base.consultar(QStringLiteral("SELECT * FROM DOCGCCAB WHERE TPDOC = ? AND SERIE = ? AND NNUMDOC = ? AND ANO = ?"),
                   valoresChave(chave), rs);
    if (rs.fim())
        throw Erro(Erro::RecusadoErp, QStringLiteral("O documento %1 não existe.").arg(textoChave(chave)));
    g.data = rs.data(rs.indiceCampo(QStringLiteral("DATA")));
    g.gravadaEm = dataHora(rs, QStringLiteral("DATAHORA"));
    g.anulada = rs.campo(QStringLiteral("ANULADO")).toInt() == -1;
    g.motivoAnulacao = opcional(rs, QStringLiteral("MOTIVOANULACAO"));
    g.impressoesAnteriores = opcional(rs, QStringLiteral("IMPRESSOES")).toInt();
    g.matricula = rs.campo(QStringLiteral("MATRICULA")).toString().trimmed();
    const QString carga = rs.campo(QStringLiteral("LOCALCARGA")).toString().trimmed();
    const QString descarga = rs.campo(QStringLiteral("LOCALDESCARGA")).toString().trimmed();
    const QString cliente = rs.campo(QStringLiteral("TERCEIRO")).toString();
    const QString contribuinte = rs.campo(QStringLiteral("NUMCONTRIBUINTE")).toString().trimmed();

    base.consultar(QStringLiteral("SELECT * FROM ErpEmpresas WHERE Codigo = ?"), {empresa}, rs);
    if (rs.fim())
        throw Erro(Erro::RecusadoErp, QStringLiteral("A empresa %1 não existe no ERP.").arg(empresa));
    g.empresa = entidade(rs);

    base.consultar(QStringLiteral("SELECT * FROM Clientes WHERE Codigo = ?"), {cliente}, rs);
    if (rs.fim())
        g.cliente.codigo = cliente;
    else
        g.cliente = entidade(rs);
    // The tax number the document was made with.
    if (!contribuinte.isEmpty())
        g.cliente.contribuinte = contribuinte;

    base.consultar(QStringLiteral("SELECT Descricao FROM TpDoc WHERE Codigo = ?"), {chave.TipoDoc}, rs);
    g.nomeTipo = rs.fim() ? chave.TipoDoc : rs.texto(0);
    base.consultar(QStringLiteral("SELECT * FROM NOMSERIE WHERE TipoDoc = ? AND Serie = ?"),
                   {chave.TipoDoc, int(chave.Serie)}, rs);
    if (!rs.fim())
        g.codigoValidacao = opcional(rs, QStringLiteral("CodigoValidacao")).trimmed();

    g.localCarga = carga.isEmpty() ? g.empresa.moradaCompleta() : carga;
    g.localDescarga = descarga.isEmpty() ? g.cliente.moradaCompleta() : descarga;

    base.consultar(QStringLiteral("SELECT l.ARTIGO, l.DESCR, l.QUANT, a.Unidade, l.ORDOC, l.ORSERIE, l.ORNUM, l.ORANO,"
                                  " l.LINHAORIGINAL FROM DOCGCLIN l LEFT JOIN Artigos a ON a.Codigo = l.ARTIGO"
                                  " WHERE l.TPDOCUM = ? AND l.SERIE = ? AND l.NNUMDOC = ? AND l.ANO = ?"
                                  " ORDER BY l.NUMLINHA"),
                   valoresChave(chave), rs);
    for (; !rs.fim(); rs.seguinte()) {
        LinhaImpressa l;
        l.artigo = rs.texto(0);
        l.descricao = rs.texto(1);
        l.quantidade = rs.moeda(2).value_or(Moeda());
        l.unidade = rs.texto(3);
        if (!rs.texto(4).isEmpty())
            l.origem = OrigemImpressa{rs.texto(4), static_cast<qint32>(rs.inteiro(5).value_or(0)),
                                      static_cast<qint32>(rs.inteiro(6).value_or(0)),
                                      static_cast<qint32>(rs.inteiro(7).value_or(0)),
                                      static_cast<qint32>(rs.inteiro(8).value_or(0))};
        g.linhas.push_back(std::move(l));
    }
    return g;
}
