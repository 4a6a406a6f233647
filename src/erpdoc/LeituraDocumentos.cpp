#include "LeituraDocumentos.h"

#include "Erro.h"
#include "RecordSet.h"

namespace {

const QString OndeDocumento = QStringLiteral(" WHERE TPDOC = ? AND SERIE = ? AND NNUMDOC = ? AND ANO = ?");

QVariantList valoresChave(const ChaveDocumento& c) {
    return {c.TipoDoc, int(c.Serie), c.Numero, int(c.Ano)};
}

ChaveDocumento chaveDe(const RecordSet& rs) {
    ChaveDocumento c;
    c.TipoDoc = rs.campo(QStringLiteral("TPDOC")).toString();
    c.Serie = static_cast<qint16>(rs.campo(QStringLiteral("SERIE")).toInt());
    c.Numero = rs.campo(QStringLiteral("NNUMDOC")).toInt();
    c.Ano = static_cast<qint16>(rs.campo(QStringLiteral("ANO")).toInt());
    return c;
}

} // namespace

qint32 maiorNumeroDocumento(BaseDados& base, const QString& tipo, qint16 serie, qint16 ano) {
    RecordSet rs;
    base.consultar(QStringLiteral("SELECT COALESCE(MAX(NNUMDOC), 0) AS MAIOR FROM DOCGCCAB"
                                  " WHERE TPDOC = ? AND SERIE = ? AND ANO = ?"),
                   {tipo, int(serie), int(ano)}, rs);
    return rs.fim() ? 0 : rs.campo(QStringLiteral("MAIOR")).toInt();
}

LeituraDocumentos::LeituraDocumentos(const BaseDados& base) {
    if (!m_base.abrir(base.ligacao().texto()))
        throw Erro(Erro::BaseDadosFechada, m_base.ultimoErro());
}

std::optional<ChaveDocumento> LeituraDocumentos::guiaDaEntrada(const ChaveDocumento& entrada) {
    RecordSet rs;
    m_base.consultar(QStringLiteral("SELECT TPDOC, SERIE, NNUMDOC, ANO FROM DOCGCCAB"
                                    " WHERE DOCRELACIONADO = ? AND ANULADO <> -1 ORDER BY ANO, TPDOC, SERIE, NNUMDOC"),
                     {textoChave(entrada)}, rs);
    if (rs.fim())
        return std::nullopt;
    return chaveDe(rs);
}

std::optional<bool> LeituraDocumentos::anulado(const ChaveDocumento& chave) {
    RecordSet rs;
    m_base.consultar(QStringLiteral("SELECT ANULADO FROM DOCGCCAB") + OndeDocumento, valoresChave(chave), rs);
    if (rs.fim())
        return std::nullopt;
    return rs.campo(QStringLiteral("ANULADO")).toInt() == -1;
}

std::vector<ChaveDocumento> LeituraDocumentos::entradasDoPosto(const QString& posto, const QString& tipo, qint16 serie,
                                                               qint16 ano, qint32 acima, std::optional<qint32> ate) {
    QVariantList valores{tipo, int(serie), int(ano), acima, posto};
    QString sql = QStringLiteral("SELECT TPDOC, SERIE, NNUMDOC, ANO FROM DOCGCCAB"
                                 " WHERE TPDOC = ? AND SERIE = ? AND ANO = ? AND NNUMDOC > ? AND POSTO = ?");
    if (ate) {
        sql += QStringLiteral(" AND NNUMDOC <= ?");
        valores << *ate;
    }
    RecordSet rs;
    m_base.consultar(sql + QStringLiteral(" ORDER BY NNUMDOC"), valores, rs);
    std::vector<ChaveDocumento> r;
    for (; !rs.fim(); rs.seguinte())
        r.push_back(chaveDe(rs));
    return r;
}

std::vector<LinhaDiario> LeituraDocumentos::linhas(const ChaveDocumento& chave) {
    RecordSet rs;
    m_base.consultar(QStringLiteral("SELECT ARTIGO, QTDORIG FROM DOCGCLIN"
                                    " WHERE TPDOCUM = ? AND SERIE = ? AND NNUMDOC = ? AND ANO = ? ORDER BY NUMLINHA"),
                     valoresChave(chave), rs);
    std::vector<LinhaDiario> r;
    for (; !rs.fim(); rs.seguinte())
        r.push_back({rs.campo(QStringLiteral("ARTIGO")).toString(),
                     Moeda::deVariant(rs.campo(QStringLiteral("QTDORIG"))).value_or(Moeda())});
    return r;
}

std::optional<ChaveDocumento> LeituraDocumentos::entradaDaCorrida(const InicioCorrida& c, std::optional<qint32> ate) {
    for (const ChaveDocumento& e :
         entradasDoPosto(c.posto, c.tipoEntrada, c.serieEntrada, c.anoEntrada, c.maiorNumero, ate))
        if (linhas(e) == c.linhas)
            return e;
    return std::nullopt;
}

bool LeituraDocumentos::daCorrida(const ChaveDocumento& e, const InicioCorrida& c) {
    if (e.TipoDoc != c.tipoEntrada || e.Serie != c.serieEntrada)
        return false;
    RecordSet rs;
    m_base.consultar(QStringLiteral("SELECT POSTO FROM DOCGCCAB") + OndeDocumento, valoresChave(e), rs);
    return !rs.fim() && rs.campo(QStringLiteral("POSTO")).toString() == c.posto && linhas(e) == c.linhas;
}

bool LeituraDocumentos::anulacaoDoPosto(const AnulacaoDiario& a, const QString& posto) {
    RecordSet rs;
    m_base.consultar(QStringLiteral("SELECT POSTO, DOCRELACIONADO FROM DOCGCCAB") + OndeDocumento, valoresChave(a.guia),
                     rs);
    return !rs.fim() && rs.campo(QStringLiteral("POSTO")).toString() == posto &&
           rs.campo(QStringLiteral("DOCRELACIONADO")).toString() == (a.entrada ? textoChave(*a.entrada) : QString());
}

std::optional<ChaveDocumento> guiaDaEntrada(const BaseDados& base, const ChaveDocumento& entrada) {
    return LeituraDocumentos(base).guiaDaEntrada(entrada);
}

bool anulada(const BaseDados& base, const ChaveDocumento& chave) {
    return LeituraDocumentos(base).anulado(chave).value_or(false);
}
