#include "IntegridadeEmpresa.h"

#include "Dialecto.h"
#include "Erro.h"
#include "LigacaoBd.h"
#include "Moeda.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <cmath>
#include <set>

namespace Integridade {

namespace {

// An entry and its Guia are paired by text: the Guia's DOCRELACIONADO and
// the entry's key made from its columns, which no index covers. A join on it
// would depend on each engine's planner (SQLite, without statistics, scans
// every entry once per Guia); instead the rows of both sides are sorted
// together by that text and each group is looked at (a window partitioned by
// it), which costs one sort on any engine.

/// A document's key as DOCRELACIONADO holds it ("ENT/1/45/2026"), from the
/// columns of a header aliased `c`; as text, so that it groups with
/// DOCRELACIONADO on both engines.
const QString ChaveSql = QStringLiteral("CAST(c.TPDOC || '/' || c.SERIE || '/' || c.NNUMDOC || '/' || c.ANO AS TEXT)");

/// The header `c` of the line `l`.
const QString CabecalhoDaLinha =
    QStringLiteral("c.TPDOC = l.TPDOCUM AND c.SERIE = l.SERIE AND c.NNUMDOC = l.NNUMDOC AND c.ANO = l.ANO");

/// Runs a query with its values bound in order; raises Erro (Sql) when the
/// database refuses it.
QSqlQuery consultar(const QSqlDatabase& db, const QString& sql, const QVariantList& valores) {
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.setNumericalPrecisionPolicy(QSql::HighPrecision);
    if (!q.prepare(sql))
        throw Erro(Erro::Sql,
                   QStringLiteral("A verificação não pôde preparar uma consulta: %1").arg(textoErroBd(q.lastError())));
    for (const QVariant& v : valores)
        q.addBindValue(v);
    if (!q.exec())
        throw Erro(
            Erro::Sql,
            QStringLiteral("A verificação não pôde consultar a base de dados: %1").arg(textoErroBd(q.lastError())));
    return q;
}

/// Runs a query and hands each of its rows to `linha`. The query is let go
/// of before the next one runs: on PostgreSQL a connection streams one
/// result at a time.
template <class F> void ler(const QSqlDatabase& db, const QString& sql, const QVariantList& valores, F&& linha) {
    QSqlQuery q = consultar(db, sql, valores);
    while (q.next())
        linha(q);
}

/// "A/B/C/D" from `quantas` columns starting at `desde`.
QString chave(const QSqlQuery& q, int desde, int quantas = 4) {
    QStringList p;
    for (int i = desde; i < desde + quantas; ++i)
        p << q.value(i).toString();
    return p.join(QLatin1Char('/'));
}

/// A quantity in ten-thousandths as the queries sum it (a whole number, held
/// as a double on SQLite, as numeric text on PostgreSQL).
Moeda deUnidades(const QVariant& v) {
    return Moeda::deUnidades(std::llround(v.toDouble()));
}

QString quantidade(Moeda m) {
    return m.formatar(QLocale(QLocale::Portuguese, QLocale::Portugal));
}

QString quantidade(const QVariant& v) {
    return quantidade(Moeda::deVariant(v).value_or(Moeda()));
}

/// Keys in their natural order: "GR/1/9/2026" before "GR/1/10/2026".
bool antes(const QString& a, const QString& b) {
    static const QRegularExpression partes(QStringLiteral("[/ ]"));
    const QStringList pa = a.split(partes);
    const QStringList pb = b.split(partes);
    for (qsizetype i = 0; i < std::min(pa.size(), pb.size()); ++i) {
        bool na = false;
        bool nb = false;
        const qlonglong va = pa.at(i).toLongLong(&na);
        const qlonglong vb = pb.at(i).toLongLong(&nb);
        if (na && nb && va != vb)
            return va < vb;
        if (!(na && nb) && pa.at(i) != pb.at(i))
            return pa.at(i) < pb.at(i);
    }
    return pa.size() < pb.size();
}

/// The findings, each once (a header stored twice, in a database without
/// the table's key, would give some documents twice).
class Recolha final {
public:
    void juntar(Categoria categoria, const QString& chave, const QString& detalhe) {
        if (m_vistos.insert({int(categoria), chave, detalhe}).second) {
            m_achados.push_back({categoria, chave, detalhe});
        }
    }
    /// By category, then by key.
    std::vector<Achado> resultado() {
        std::stable_sort(m_achados.begin(), m_achados.end(), [](const Achado& a, const Achado& b) {
            if (a.categoria != b.categoria)
                return int(a.categoria) < int(b.categoria);
            return antes(a.chave, b.chave);
        });
        return std::move(m_achados);
    }

private:
    std::vector<Achado> m_achados;
    std::set<std::tuple<int, QString, QString>> m_vistos;
};

void exigirTipos(const QSqlDatabase& db, const Tipos& tipos) {
    if (tipos.entrada.isEmpty() || tipos.guia.isEmpty())
        throw Erro(Erro::Parametros, QStringLiteral("Falta o tipo de documento da entrada ou o da guia."));
    if (tipos.entrada == tipos.guia)
        throw Erro(Erro::Parametros,
                   QStringLiteral("A entrada e a guia têm o mesmo tipo de documento (%1).").arg(tipos.entrada));
    for (const QString& tipo : {tipos.entrada, tipos.guia}) {
        bool existe = false;
        ler(db, QStringLiteral("SELECT 1 FROM TpDoc WHERE Codigo = ?"), {tipo},
            [&](const QSqlQuery&) { existe = true; });
        if (!existe)
            throw Erro(Erro::Parametros,
                       QStringLiteral("O tipo de documento \"%1\" não existe na tabela TpDoc da empresa.").arg(tipo));
    }
}

Contagens contar(const QSqlDatabase& db, const Tipos& tipos) {
    Contagens r;
    ler(db,
        QStringLiteral("SELECT TPDOC, CASE WHEN ANULADO = -1 THEN 1 ELSE 0 END, COUNT(*)"
                       " FROM DOCGCCAB WHERE TPDOC IN (?, ?)"
                       " GROUP BY TPDOC, CASE WHEN ANULADO = -1 THEN 1 ELSE 0 END"),
        {tipos.entrada, tipos.guia}, [&](const QSqlQuery& q) {
            const bool entrada = q.value(0).toString() == tipos.entrada;
            const bool anulados = q.value(1).toInt() == 1;
            const int n = q.value(2).toInt();
            (entrada ? r.entradas : r.guias) += n;
            if (anulados)
                (entrada ? r.entradasAnuladas : r.guiasAnuladas) += n;
        });
    ler(db, QStringLiteral("SELECT COUNT(*) FROM DOCGCLIN WHERE TPDOCUM = ?"), {tipos.guia},
        [&](const QSqlQuery& q) { r.linhasGuia = q.value(0).toInt(); });
    return r;
}

/// Live entries that no live Guia names, and live Guias whose entry is
/// missing, annulled, of another workstation or named by another live Guia
/// too.
void entradasEGuias(const QSqlDatabase& db, const Tipos& tipos, Recolha& r) {
    ler(db,
        QStringLiteral(
            "WITH DOCUMENTOS AS (SELECT %1 AS CHAVE, 'E' AS LADO, c.TPDOC, c.SERIE, c.NNUMDOC, c.ANO, c.ANULADO,"
            " c.POSTO FROM DOCGCCAB c WHERE c.TPDOC = ?"
            " UNION ALL SELECT c.DOCRELACIONADO, 'G', c.TPDOC, c.SERIE, c.NNUMDOC, c.ANO, c.ANULADO, c.POSTO"
            " FROM DOCGCCAB c WHERE c.TPDOC = ? AND c.ANULADO <> -1),"
            " POR_CHAVE AS (SELECT d.*,"
            " SUM(CASE WHEN LADO = 'E' THEN 1 ELSE 0 END) OVER w AS ENTRADAS,"
            " SUM(CASE WHEN LADO = 'E' AND ANULADO <> -1 THEN 1 ELSE 0 END) OVER w AS VIVAS,"
            " SUM(CASE WHEN LADO = 'G' THEN 1 ELSE 0 END) OVER w AS GUIAS,"
            " MAX(CASE WHEN LADO = 'E' THEN POSTO END) OVER w AS POSTO_ENTRADA"
            " FROM DOCUMENTOS d WINDOW w AS (PARTITION BY CHAVE))"
            " SELECT TPDOC, SERIE, NNUMDOC, ANO, LADO, CHAVE, POSTO, ENTRADAS, VIVAS, GUIAS, POSTO_ENTRADA"
            " FROM POR_CHAVE WHERE (LADO = 'E' AND ANULADO <> -1 AND GUIAS = 0)"
            " OR (LADO = 'G' AND (VIVAS = 0 OR GUIAS > 1 OR POSTO_ENTRADA <> POSTO))")
            .arg(ChaveSql),
        {tipos.entrada, tipos.guia}, [&](const QSqlQuery& q) {
            const QString posto = q.value(6).toString();
            if (q.value(4).toString() == QLatin1String("E")) {
                r.juntar(Categoria::EntradaSemGuia, chave(q, 0),
                         QStringLiteral("não anulada e nenhuma guia a nomeia (posto %1)").arg(posto));
                return;
            }
            const QString entrada = q.value(5).toString();
            const QString postoEntrada = q.value(10).toString();
            QStringList motivos;
            if (entrada.isEmpty())
                motivos << QStringLiteral("não nomeia nenhuma entrada");
            else if (q.value(7).toInt() == 0)
                motivos << QStringLiteral("a entrada \"%1\" que nomeia não existe").arg(entrada);
            else if (q.value(8).toInt() == 0)
                motivos << QStringLiteral("a entrada %1 está anulada").arg(entrada);
            if (q.value(7).toInt() > 0 && postoEntrada != posto)
                motivos << QStringLiteral("a entrada %1 é do posto %2, a guia do posto %3")
                               .arg(entrada, postoEntrada, posto);
            if (!entrada.isEmpty() && q.value(9).toInt() > 1)
                motivos << QStringLiteral("a entrada %1 é nomeada por %2 guias").arg(entrada, q.value(9).toString());
            r.juntar(Categoria::GuiaSemEntrada, chave(q, 0), motivos.join(QStringLiteral("; ")));
        });
}

/// Order lines that live Guia lines took more from than they held: what they
/// took plus what is still pending is above the original quantity, or what
/// is pending is below zero. Quantities are compared in ten-thousandths,
/// exactly on both engines.
void linhasSobreSatisfeitas(const QSqlDatabase& db, const Tipos& tipos, Recolha& r) {
    ler(db,
        QStringLiteral(
            "SELECT t.ORDOC, t.ORSERIE, t.ORNUM, t.ORANO, t.LINHAORIGINAL, t.TOMADO, o.NUMLINHA, o.QTDORIG, o.QUANT"
            " FROM (SELECT l.ORDOC, l.ORSERIE, l.ORNUM, l.ORANO, l.LINHAORIGINAL,"
            " SUM(CASE WHEN l.LINANU <> -1 AND c.ANULADO <> -1 THEN ROUND(l.QUANT * 10000) ELSE 0 END) AS TOMADO"
            " FROM DOCGCLIN l JOIN DOCGCCAB c ON %1"
            " WHERE l.TPDOCUM = ? AND l.ORDOC IS NOT NULL AND l.ORDOC <> ''"
            " GROUP BY l.ORDOC, l.ORSERIE, l.ORNUM, l.ORANO, l.LINHAORIGINAL) t"
            " LEFT JOIN DOCGCLIN o ON o.TPDOCUM = t.ORDOC AND o.SERIE = t.ORSERIE AND o.NNUMDOC = t.ORNUM"
            " AND o.ANO = t.ORANO AND o.NUMLINHA = t.LINHAORIGINAL"
            " WHERE (o.NUMLINHA IS NULL AND t.TOMADO > 0) OR ROUND(o.QUANT * 10000) < 0"
            " OR ROUND(o.QUANT * 10000) + t.TOMADO > ROUND(o.QTDORIG * 10000)")
            .arg(CabecalhoDaLinha),
        {tipos.guia}, [&](const QSqlQuery& q) {
            const QString linha = QStringLiteral("%1 linha %2").arg(chave(q, 0), q.value(4).toString());
            const Moeda tomado = deUnidades(q.value(5));
            if (q.value(6).isNull()) {
                r.juntar(Categoria::LinhaSobreSatisfeita, linha,
                         QStringLiteral("a linha não existe e as guias tiraram-lhe %1").arg(quantidade(tomado)));
                return;
            }
            const Moeda pendente = Moeda::deVariant(q.value(8)).value_or(Moeda());
            r.juntar(Categoria::LinhaSobreSatisfeita, linha,
                     QStringLiteral("original %1, tirado pelas guias %2, pendente %3%4")
                         .arg(quantidade(q.value(7)), quantidade(tomado), quantidade(pendente),
                              pendente < Moeda() ? QStringLiteral(" (abaixo de zero)") : QString()));
        });
}

bool temTabela(const QSqlDatabase& db, const QString& nome) {
    const QStringList tabelas = db.tables();
    return std::any_of(tabelas.begin(), tabelas.end(),
                       [&](const QString& t) { return t.compare(nome, Qt::CaseInsensitive) == 0; });
}

/// Numbers used twice for a type, series and year (the ERP's table may have
/// no key that forbids it), and the local ERP's numbering behind the
/// numbers stored.
void numerosRepetidos(const QSqlDatabase& db, Recolha& r) {
    ler(db,
        QStringLiteral("SELECT TPDOC, SERIE, NNUMDOC, ANO, COUNT(*) FROM DOCGCCAB"
                       " GROUP BY TPDOC, SERIE, NNUMDOC, ANO HAVING COUNT(*) > 1"),
        {}, [&](const QSqlQuery& q) {
            r.juntar(Categoria::NumeroRepetido, chave(q, 0),
                     QStringLiteral("número usado por %1 documentos").arg(q.value(4).toString()));
        });
    if (!temTabela(db, QStringLiteral("ErpNumeracao")))
        return;
    ler(db,
        QStringLiteral("SELECT n.TipoDoc, n.Serie, n.Ano, n.Ultimo, MAX(c.NNUMDOC) FROM ErpNumeracao n"
                       " JOIN DOCGCCAB c ON c.TPDOC = n.TipoDoc AND c.SERIE = n.Serie AND c.ANO = n.Ano"
                       " GROUP BY n.TipoDoc, n.Serie, n.Ano, n.Ultimo HAVING MAX(c.NNUMDOC) > n.Ultimo"),
        {}, [&](const QSqlQuery& q) {
            r.juntar(Categoria::NumeroRepetido, chave(q, 0, 3),
                     QStringLiteral("a numeração vai no %1 mas há documentos até ao número %2")
                         .arg(q.value(3).toString(), q.value(4).toString()));
        });
}

/// Entries and Guias stored in part: headers without lines, lines without a
/// header, header and lines disagreeing on the annulment.
void meioGuardados(const QSqlDatabase& db, const Tipos& tipos, Recolha& r) {
    const QVariantList doisTipos{tipos.entrada, tipos.guia};
    ler(db,
        QStringLiteral("SELECT c.TPDOC, c.SERIE, c.NNUMDOC, c.ANO FROM DOCGCCAB c"
                       " WHERE c.TPDOC IN (?, ?) AND NOT EXISTS (SELECT 1 FROM DOCGCLIN l WHERE %1)")
            .arg(CabecalhoDaLinha),
        doisTipos, [&](const QSqlQuery& q) {
            r.juntar(Categoria::MeioGuardado, chave(q, 0), QStringLiteral("cabeçalho sem linhas"));
        });

    ler(db,
        QStringLiteral("SELECT l.TPDOCUM, l.SERIE, l.NNUMDOC, l.ANO, COUNT(*) FROM DOCGCLIN l"
                       " WHERE l.TPDOCUM IN (?, ?) AND NOT EXISTS (SELECT 1 FROM DOCGCCAB c WHERE %1)"
                       " GROUP BY l.TPDOCUM, l.SERIE, l.NNUMDOC, l.ANO")
            .arg(CabecalhoDaLinha),
        doisTipos, [&](const QSqlQuery& q) {
            r.juntar(Categoria::MeioGuardado, chave(q, 0),
                     QStringLiteral("%1 linha(s) sem cabeçalho").arg(q.value(4).toString()));
        });

    ler(db,
        QStringLiteral("SELECT c.TPDOC, c.SERIE, c.NNUMDOC, c.ANO, c.ANULADO, COUNT(*),"
                       " SUM(CASE WHEN l.LINANU = -1 THEN 1 ELSE 0 END) FROM DOCGCCAB c"
                       " JOIN DOCGCLIN l ON %1 WHERE c.TPDOC IN (?, ?)"
                       " GROUP BY c.TPDOC, c.SERIE, c.NNUMDOC, c.ANO, c.ANULADO"
                       " HAVING (c.ANULADO = -1 AND SUM(CASE WHEN l.LINANU = -1 THEN 1 ELSE 0 END) < COUNT(*))"
                       " OR (c.ANULADO <> -1 AND SUM(CASE WHEN l.LINANU = -1 THEN 1 ELSE 0 END) > 0)")
            .arg(CabecalhoDaLinha),
        doisTipos, [&](const QSqlQuery& q) {
            const bool anulado = q.value(4).toInt() == -1;
            r.juntar(Categoria::MeioGuardado, chave(q, 0),
                     QStringLiteral("anulado em parte: cabeçalho %1, %2 de %3 linha(s) anulada(s)")
                         .arg(anulado ? QStringLiteral("anulado") : QStringLiteral("não anulado"),
                              q.value(6).toString(), q.value(5).toString()));
        });
}

/// Live Guias paired with a live entry whose lines differ from the entry's:
/// line by line (by number), the same article and original quantity. The
/// lines of both sides are grouped by the entry's key, then by line; a line
/// differs when its group does not hold it once on each side. An entry that
/// several Guias name is listed as such, not compared.
void guiasDiferentes(const QSqlDatabase& db, const Tipos& tipos, Recolha& r) {
    ler(db,
        QStringLiteral("WITH LINHAS AS (SELECT %1 AS CHAVE, CAST(NULL AS TEXT) AS GUIA, l.NUMLINHA, l.ARTIGO,"
                       " ROUND(l.QTDORIG * 10000) AS Q, 1 AS E, 0 AS G FROM DOCGCCAB c JOIN DOCGCLIN l ON %2"
                       " WHERE c.TPDOC = ? AND c.ANULADO <> -1"
                       " UNION ALL SELECT c.DOCRELACIONADO, %1, l.NUMLINHA, l.ARTIGO, ROUND(l.QTDORIG * 10000), 0, 1"
                       " FROM DOCGCCAB c JOIN DOCGCLIN l ON %2 WHERE c.TPDOC = ? AND c.ANULADO <> -1),"
                       " COMPARADAS AS (SELECT CHAVE, NUMLINHA,"
                       " SUM(E) OVER (PARTITION BY CHAVE, NUMLINHA, ARTIGO, Q) AS IGUAIS_ENTRADA,"
                       " SUM(G) OVER (PARTITION BY CHAVE, NUMLINHA, ARTIGO, Q) AS IGUAIS_GUIA,"
                       " SUM(E) OVER (PARTITION BY CHAVE) AS LINHAS_ENTRADA,"
                       " MIN(GUIA) OVER (PARTITION BY CHAVE) AS GUIA,"
                       " MAX(GUIA) OVER (PARTITION BY CHAVE) AS OUTRA FROM LINHAS)"
                       " SELECT GUIA, CHAVE, MIN(NUMLINHA) FROM COMPARADAS"
                       " WHERE GUIA = OUTRA AND LINHAS_ENTRADA > 0 AND IGUAIS_ENTRADA <> IGUAIS_GUIA"
                       " GROUP BY GUIA, CHAVE")
            .arg(ChaveSql, CabecalhoDaLinha),
        {tipos.entrada, tipos.guia}, [&](const QSqlQuery& q) {
            r.juntar(Categoria::GuiaDiferente, q.value(0).toString(),
                     QStringLiteral("as linhas diferem das da entrada %1 a partir da linha %2")
                         .arg(q.value(1).toString(), q.value(2).toString()));
        });
}

/// One transaction around the queries: on PostgreSQL read only and with one
/// snapshot for all of them; on SQLite its shared lock keeps the file as it
/// is until the end. Nothing is kept: it is rolled back.
class Leitura final {
public:
    explicit Leitura(QSqlDatabase db) : m_db(std::move(db)) {
        if (!m_db.isOpen())
            throw Erro(Erro::BaseDadosFechada, QStringLiteral("A base de dados da empresa não está aberta."));
        if (!m_db.transaction())
            falhar(textoErroBd(m_db.lastError()));
        QSqlQuery q(m_db);
        // Not a statement that PostgreSQL prepares: run as it stands.
        if (&Dialecto::de(m_db) == &Dialecto::postgres() &&
            !q.exec(QStringLiteral("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ, READ ONLY"))) {
            const QString motivo = textoErroBd(q.lastError());
            m_db.rollback();
            falhar(motivo);
        }
    }
    ~Leitura() { m_db.rollback(); }
    Q_DISABLE_COPY_MOVE(Leitura)

private:
    [[noreturn]] static void falhar(const QString& motivo) {
        throw Erro(Erro::Sql, QStringLiteral("A verificação não pôde começar a leitura: %1").arg(motivo));
    }

    QSqlDatabase m_db;
};

} // namespace

QString nome(Categoria categoria) {
    switch (categoria) {
    case Categoria::EntradaSemGuia:
        return QStringLiteral("Entrada sem guia");
    case Categoria::GuiaSemEntrada:
        return QStringLiteral("Guia sem entrada");
    case Categoria::LinhaSobreSatisfeita:
        return QStringLiteral("Linha satisfeita a mais");
    case Categoria::NumeroRepetido:
        return QStringLiteral("Número repetido");
    case Categoria::MeioGuardado:
        return QStringLiteral("Documento guardado em parte");
    case Categoria::GuiaDiferente:
        return QStringLiteral("Guia diferente da entrada");
    }
    return {};
}

int Relatorio::quantos(Categoria categoria) const {
    return int(std::count_if(achados.begin(), achados.end(),
                             [categoria](const Achado& a) { return a.categoria == categoria; }));
}

std::vector<Achado> Relatorio::de(Categoria categoria) const {
    std::vector<Achado> r;
    std::copy_if(achados.begin(), achados.end(), std::back_inserter(r),
                 [categoria](const Achado& a) { return a.categoria == categoria; });
    return r;
}

Relatorio verificar(const QSqlDatabase& db, const Tipos& tipos) {
    Relatorio relatorio;
    relatorio.tipos = tipos;
    Leitura leitura(db);
    exigirTipos(db, tipos);
    Recolha r;
    entradasEGuias(db, tipos, r);
    linhasSobreSatisfeitas(db, tipos, r);
    numerosRepetidos(db, r);
    meioGuardados(db, tipos, r);
    guiasDiferentes(db, tipos, r);
    relatorio.contagens = contar(db, tipos);
    relatorio.achados = r.resultado();
    return relatorio;
}

QSqlDatabase abrirSoLeitura(const QString& textoLigacao, const QString& nomeLigacao) {
    const TextoLigacao ligacao = TextoLigacao::analisar(textoLigacao);
    QSqlDatabase db = ligacao.abrir(nomeLigacao);
    QString motivo;
    const Dialecto& dialecto = ligacao.dialecto();
    if (&dialecto == &Dialecto::sqlite()) {
        // Opened again, read-only: nothing this connection runs can write the file.
        db.close();
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;") + dialecto.opcoesLigacao());
        if (!db.open())
            motivo = textoErroBd(db.lastError());
    } else {
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("SET SESSION CHARACTERISTICS AS TRANSACTION READ ONLY")))
            motivo = textoErroBd(q.lastError());
    }
    if (motivo.isEmpty())
        return db;
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(nomeLigacao);
    if (!ligacao.password.isEmpty())
        motivo.replace(ligacao.password, QStringLiteral("***"));
    throw Erro(Erro::BaseDadosFechada, QStringLiteral("Não foi possível abrir a base de dados %1 só para leitura: %2")
                                           .arg(ligacao.descricao(), motivo));
}

int codigoSaida(const Relatorio& relatorio) {
    return relatorio.sa() ? 0 : 1;
}

} // namespace Integridade
