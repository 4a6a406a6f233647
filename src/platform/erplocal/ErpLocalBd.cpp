#include "ErpLocalInterno.h"

#include "Erro.h"
#include "SqliteDirecto.h"

#include <QCoreApplication>
#include <QSet>
#include <QSqlError>
#include <QSqlRecord>
#include <QTimer>

#include <algorithm>
#include <limits>
#include <unordered_map>

#include <sqlite3.h>

namespace ErpBd {

namespace {

/// The PostgreSQL connections (by name) of this thread with a transaction open.
thread_local QSet<QString> transaccoesPg;
/// The SQLite connections (by name) of this thread with a grouped read open.
thread_local QSet<QString> leiturasSqlite;

QString textoErro(const QSqlError& erro) {
    QString t = erro.databaseText().trimmed();
    if (t.isEmpty())
        t = erro.text().trimmed();
    // Qt leaves no error at all for a statement on a closed connection: the
    // operator must still be told something.
    return t.isEmpty() ? QStringLiteral("A base de dados falhou sem indicar o motivo.") : t;
}

QVariant nulo() {
    return QVariant(QMetaType(QMetaType::Int));
}

QString decimais(Moeda valor, QChar separador, int minimo) {
    // Written digit by digit: a store writes a few for every line.
    const std::int64_t u = valor.unidades();
    const std::uint64_t absoluto = u < 0 ? std::uint64_t(0) - std::uint64_t(u) : std::uint64_t(u);
    QChar texto[32];
    int n = 0;
    if (u < 0)
        texto[n++] = QLatin1Char('-');
    char inteiros[24];
    int k = 0;
    std::uint64_t parte = absoluto / Moeda::Escala;
    do {
        inteiros[k++] = static_cast<char>('0' + parte % 10);
        parte /= 10;
    } while (parte != 0);
    while (k > 0)
        texto[n++] = QLatin1Char(inteiros[--k]);
    // Four decimals, trailing zeros dropped down to `minimo`.
    int decimal = static_cast<int>(absoluto % Moeda::Escala);
    char casas[4];
    for (int i = 3; i >= 0; --i, decimal /= 10)
        casas[i] = static_cast<char>('0' + decimal % 10);
    int quantas = 4;
    while (quantas > minimo && casas[quantas - 1] == '0')
        --quantas;
    if (quantas > 0) {
        texto[n++] = separador;
        for (int i = 0; i < quantas; ++i)
            texto[n++] = QLatin1Char(casas[i]);
    }
    return QString(texto, n);
}

/// The statements prepared on each SQLite connection of this thread (by
/// name), one per text, kept while the connection stays as it is: a store of
/// a thousand lines, and the suggestions for its lines, prepare each
/// statement once.
thread_local std::unordered_map<QString, std::unordered_map<QString, QSqlQuery>> preparadasPorLigacao;

QSqlQuery novaConsulta(const QSqlDatabase& db) {
    QSqlQuery q(db);
    q.setForwardOnly(true);
    // Amounts come back as exact decimal text, not as doubles.
    q.setNumericalPrecisionPolicy(QSql::HighPrecision);
    return q;
}

[[noreturn]] void falhar(const QSqlQuery& q, const QSqlDatabase& db) {
    const QString texto =
        db.isOpen() ? textoErro(q.lastError()) : QStringLiteral("A ligação à base de dados está fechada.");
    // A rejected statement aborts a PostgreSQL transaction: end it now, so
    // that the statements still open can be released on the server.
    if (transaccoesPg.remove(db.connectionName()) && db.isOpen())
        QSqlDatabase(db).rollback();
    throw Erro(Erro::Sql, texto);
}

/// A null QString would be bound as SQL NULL: empty text is meant.
bool textoNulo(const QVariant& v) {
    return !v.isNull() && v.userType() == QMetaType::QString && v.toString().isNull();
}

/// Binds the values in order and runs the prepared query.
void correr(QSqlQuery& q, const QSqlDatabase& db, const QVariantList& valores) {
    for (qsizetype i = 0; i < valores.size(); ++i) {
        const QVariant& v = valores.at(i);
        if (textoNulo(v))
            q.bindValue(static_cast<int>(i), QString(QLatin1String("")));
        else
            q.bindValue(static_cast<int>(i), v);
    }
    if (!q.exec())
        falhar(q, db);
}

/// Runs a prepared SQLite statement straight through the engine (Qt spends
/// more on each bound value than the engine on the whole row). False when it
/// is not a statement for that, or one of the values is not bound here: the
/// caller then runs it through Qt. `linha` receives the first row, if any.
bool correrDirecto(QSqlQuery& q, const QVariantList& valores, int& alteradas, std::optional<QVariantList>* linha) {
    if (!SqliteDirecto::disponivel())
        return false;
    sqlite3_stmt* s = SqliteDirecto::instrucao(q);
    if (!s)
        return false;
    sqlite3_reset(s);
    bool ok = false;
    if (std::none_of(valores.begin(), valores.end(), textoNulo)) {
        ok = SqliteDirecto::ligar(s, valores);
    } else {
        QVariantList vazios = valores;
        for (QVariant& v : vazios)
            if (textoNulo(v))
                v = QString(QLatin1String(""));
        ok = SqliteDirecto::ligar(s, vazios);
    }
    if (!ok)
        return false;
    const int passo = sqlite3_step(s);
    if (passo == SQLITE_ROW || passo == SQLITE_DONE) {
        if (linha && passo == SQLITE_ROW) {
            QVariantList r;
            const int n = sqlite3_column_count(s);
            for (int i = 0; i < n; ++i)
                r << SqliteDirecto::valor(s, i, q.numericalPrecisionPolicy());
            *linha = std::move(r);
        }
        alteradas = sqlite3_changes(sqlite3_db_handle(s));
        sqlite3_reset(s);
        return true;
    }
    // As the driver: a generic error is reset first, to get its own text.
    if (passo == SQLITE_ERROR || passo == SQLITE_CONSTRAINT)
        sqlite3_reset(s);
    const QString texto = SqliteDirecto::erro(s);
    sqlite3_reset(s);
    throw Erro(Erro::Sql, texto.isEmpty() ? QStringLiteral("A base de dados falhou sem indicar o motivo.") : texto);
}

/// The statement prepared earlier (or now) for this text on this SQLite
/// connection; none when the connection is closed or the text does not
/// prepare (the usual path then says why). PostgreSQL statements are
/// prepared anew each time: a connection the server dropped would leave
/// prepared statements behind that exist no more.
QSqlQuery* preparada(const QSqlDatabase& db, const QString& sql) {
    if (!db.isOpen() || db.driverName() != QLatin1String("QSQLITE"))
        return nullptr;
    auto& consultas = preparadasPorLigacao[db.connectionName()];
    auto i = consultas.find(sql);
    // A statement the driver let go of (its connection was closed and opened
    // again) is prepared anew.
    if (i != consultas.end() && SqliteDirecto::disponivel() && !SqliteDirecto::instrucao(i->second)) {
        consultas.erase(i);
        i = consultas.end();
    }
    if (i == consultas.end()) {
        QSqlQuery q = novaConsulta(db);
        if (!q.prepare(sql))
            return nullptr;
        i = consultas.emplace(sql, std::move(q)).first;
    }
    return &i->second;
}

} // namespace

QSqlQuery executar(const QSqlDatabase& db, const QString& sql, const QVariantList& valores) {
    QSqlQuery q = novaConsulta(db);
    if (!q.prepare(sql))
        falhar(q, db);
    correr(q, db, valores);
    return q;
}

int escrever(const QSqlDatabase& db, const QString& sql, const QVariantList& valores) {
    if (QSqlQuery* q = preparada(db, sql)) {
        int alteradas = 0;
        if (correrDirecto(*q, valores, alteradas, nullptr))
            return alteradas;
        correr(*q, db, valores);
        return q->numRowsAffected();
    }
    return executar(db, sql, valores).numRowsAffected();
}

std::optional<QVariantList> primeiraLinha(const QSqlDatabase& db, const QString& sql, const QVariantList& valores) {
    // Only the first row is read and the query is let go of at once: it is
    // prepared once per connection too.
    QSqlQuery propria;
    QSqlQuery* q = preparada(db, sql);
    const bool daLoja = q != nullptr;
    if (daLoja) {
        std::optional<QVariantList> linha;
        int alteradas = 0;
        if (correrDirecto(*q, valores, alteradas, &linha))
            return linha;
        correr(*q, db, valores);
    } else {
        propria = executar(db, sql, valores);
        q = &propria;
    }
    std::optional<QVariantList> r;
    if (q->next()) {
        QVariantList linha;
        const int n = q->record().count();
        for (int i = 0; i < n; ++i)
            linha << q->value(i);
        r = std::move(linha);
    }
    if (daLoja)
        q->finish();
    return r;
}

void lerEmGrupo(const QSqlDatabase& db) {
    if (db.driverName() != QLatin1String("QSQLITE") || !db.isOpen() || !QCoreApplication::instance())
        return;
    const QString nome = db.connectionName();
    if (leiturasSqlite.contains(nome))
        return;
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("BEGIN")))
        return; // read as before, one statement at a time
    leiturasSqlite.insert(nome);
    // Ended as soon as the event that asked for the reads is over, so that no
    // other workstation waits on it longer than that.
    QTimer::singleShot(0, QCoreApplication::instance(),
                       [nome] { terminarLeitura(QSqlDatabase::database(nome, false)); });
}

void terminarLeitura(const QSqlDatabase& db) {
    if (!leiturasSqlite.remove(db.connectionName()) || !db.isOpen())
        return;
    // A read has nothing to keep: COMMIT only lets the lock go.
    QSqlQuery q(db);
    q.exec(QStringLiteral("COMMIT"));
}

Transaccao::Transaccao(QSqlDatabase db, bool postgres) : m_db(std::move(db)), m_postgres(postgres) {
    if (m_postgres) {
        if (!m_db.transaction())
            throw Erro(Erro::Sql, textoErro(m_db.lastError()));
        transaccoesPg.insert(m_db.connectionName());
    } else {
        terminarLeitura(m_db);
        // A deferred BEGIN would let two workstations read, then both fail to
        // write; IMMEDIATE takes the write lock first (waiting for it).
        executar(m_db, QStringLiteral("BEGIN IMMEDIATE"));
    }
    m_aberta = true;
}

Transaccao::~Transaccao() {
    if (!m_aberta)
        return;
    if (m_postgres) {
        if (transaccoesPg.remove(m_db.connectionName()) && m_db.isOpen())
            m_db.rollback();
    } else {
        QSqlQuery q(m_db);
        q.exec(QStringLiteral("ROLLBACK"));
    }
}

void Transaccao::confirmar() {
    if (m_postgres) {
        if (!transaccoesPg.contains(m_db.connectionName()))
            throw Erro(Erro::Sql, QStringLiteral("A transacção já tinha terminado."));
        transaccoesPg.remove(m_db.connectionName());
        m_aberta = false;
        if (!m_db.commit()) {
            const QString texto = textoErro(m_db.lastError());
            if (m_db.isOpen())
                m_db.rollback();
            throw Erro(Erro::Sql, texto);
        }
    } else {
        executar(m_db, QStringLiteral("COMMIT"));
        m_aberta = false;
    }
}

void esquecerPreparadas(const QString& nomeLigacao) {
    preparadasPorLigacao.erase(nomeLigacao);
}

void ajustarLigacao(const QSqlDatabase& db) {
    // A store touches a page or two of every order line it satisfies, spread
    // over the whole table: with SQLite's small default page cache a large
    // Guia would spill half-written pages to the file before its commit and
    // read them back. 32 MiB holds a few thousand lines' pages; the cache
    // grows only as far as it is used.
    if (db.driverName() == QLatin1String("QSQLITE"))
        executar(db, QStringLiteral("PRAGMA cache_size = -32768"), {});
}

void reabrir(QSqlDatabase db) {
    esquecerPreparadas(db.connectionName());
    leiturasSqlite.remove(db.connectionName());
    db.close();
    if (!db.open())
        throw Erro(Erro::BaseDadosFechada,
                   QStringLiteral("A ligação à base de dados perdeu-se e não foi restabelecida: %1")
                       .arg(textoErro(db.lastError())));
    ajustarLigacao(db);
}

qint32 proximoNumero(const QSqlDatabase& db, bool postgres, const QString& tipo, int serie, int ano) {
    const QVariantList chave{tipo, serie, ano};
    escrever(db,
             QStringLiteral("INSERT INTO ErpNumeracao (TipoDoc, Serie, Ano, Ultimo) VALUES (?, ?, ?, 0)"
                            " ON CONFLICT DO NOTHING"),
             chave);
    // The row stays locked until the transaction ends (on SQLite the whole
    // database is, since BEGIN IMMEDIATE).
    const auto ultimo =
        primeiraLinha(db,
                      QStringLiteral("SELECT Ultimo FROM ErpNumeracao WHERE TipoDoc = ? AND Serie = ? AND Ano = ?") +
                          (postgres ? QStringLiteral(" FOR UPDATE") : QString()),
                      chave);
    if (!ultimo)
        throw Erro(Erro::Sql,
                   QStringLiteral("A numeração de %1/%2/%3 não foi encontrada.").arg(tipo).arg(serie).arg(ano));
    // Documents stored by other means must not be numbered over.
    const auto maior = primeiraLinha(
        db, QStringLiteral("SELECT COALESCE(MAX(NNUMDOC), 0) FROM DOCGCCAB WHERE TPDOC = ? AND SERIE = ? AND ANO = ?"),
        chave);
    const qint64 numero = qMax(ultimo->at(0).toLongLong(), maior ? maior->at(0).toLongLong() : 0) + 1;
    if (numero > std::numeric_limits<qint32>::max())
        throw Recusa{QStringLiteral("A numeração de %1/%2/%3 esgotou-se.").arg(tipo).arg(serie).arg(ano)};
    escrever(db, QStringLiteral("UPDATE ErpNumeracao SET Ultimo = ? WHERE TipoDoc = ? AND Serie = ? AND Ano = ?"),
             {numero, tipo, serie, ano});
    return static_cast<qint32>(numero);
}

std::optional<QString> verificarCliente(const QSqlDatabase& db, const QString& cliente) {
    const auto r = primeiraLinha(db, QStringLiteral("SELECT Inactivo FROM Clientes WHERE Codigo = ?"), {cliente});
    if (!r || r->at(0).toInt() == -1)
        return QStringLiteral("Cliente %1 inexistente ou inactivo.").arg(cliente);
    return std::nullopt;
}

std::optional<QString> verificarTipoSerie(const QSqlDatabase& db, const QString& tipo, int serie) {
    if (!primeiraLinha(db, QStringLiteral("SELECT 1 FROM TpDoc WHERE Codigo = ?"), {tipo}))
        return QStringLiteral("O tipo de documento \"%1\" não existe.").arg(tipo);
    if (!primeiraLinha(db, QStringLiteral("SELECT 1 FROM NOMSERIE WHERE TipoDoc = ? AND Serie = ?"), {tipo, serie}))
        return QStringLiteral("A série %2 do tipo de documento %1 não existe.").arg(tipo).arg(serie);
    return std::nullopt;
}

bool artigoExiste(const QSqlDatabase& db, const QString& artigo) {
    return primeiraLinha(db, QStringLiteral("SELECT 1 FROM Artigos WHERE Codigo = ?"), {artigo}).has_value();
}

std::optional<qint64> inteiroDe(const QVariant& valor) {
    if (!valor.isValid() || valor.isNull())
        return std::nullopt;
    bool ok = false;
    const qlonglong i = valor.toString().trimmed().toLongLong(&ok);
    if (ok)
        return i;
    const auto m = Moeda::deVariant(valor);
    if (m && m->unidades() % Moeda::Escala == 0)
        return m->unidades() / Moeda::Escala;
    return std::nullopt;
}

QString textoData(const QDate& data) {
    return data.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(" 00:00:00");
}

QString textoDecimal(Moeda valor) {
    return decimais(valor, QLatin1Char('.'), 0);
}

QString textoQuantidade(Moeda valor) {
    return decimais(valor, QLatin1Char(','), 2);
}

void inserirDocumento(const QSqlDatabase& db, const CabecalhoGravar& cab, qint32 numero,
                      const std::vector<LinhaGravar>& linhas, const NucleoErp& nucleo) {
    const QString data = textoData(cab.data);
    escrever(db,
             QStringLiteral("INSERT INTO DOCGCCAB (TPDOC, SERIE, NNUMDOC, ANO, DATA, TERCEIRO, TIPOTERCEIRO, VNUMDOC,"
                            " AREAGESTAO, SECTOR, TIPOPRECO, NUMCONTRIBUINTE, DESCONTOCAB, PROCESSO, MEIOTRANSPORTE,"
                            " MATRICULA, LOCALCARGA, LOCALDESCARGA, ARMAZEM, OBSERVACOES, MODOGRAVACAO, UTILIZADOR,"
                            " POSTO, DOCRELACIONADO, ANULADO)"
                            " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 0)"),
             {cab.tipo,
              cab.serie,
              numero,
              cab.ano,
              data,
              cab.terceiro,
              cab.tipoTerceiro,
              cab.vossoNumero,
              cab.areaGestao,
              cab.sector,
              cab.tipoPreco,
              cab.contribuinte,
              textoDecimal(cab.desconto),
              cab.processo,
              cab.meioTransporte,
              cab.matricula,
              cab.localCarga,
              cab.localDescarga,
              cab.armazem,
              cab.observacoes,
              cab.modo,
              nucleo.utilizador,
              nucleo.posto,
              cab.relacionado});
    int numLinha = 0;
    for (const LinhaGravar& l : linhas) {
        ++numLinha;
        const bool comOrigem = l.origem.has_value();
        escrever(
            db,
            QStringLiteral("INSERT INTO DOCGCLIN (TPDOCUM, SERIE, NNUMDOC, ANO, NUMLINHA, TIPODELINHA, ARTIGO, DESCR,"
                           " ARMAZEM, DATA, PRUNIT, QTDORIG, QUANT, LINANU, ORDOC, ORANO, ORNUM, ORSERIE,"
                           " LINHAORIGINAL) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 0, ?, ?, ?, ?, ?)"),
            {cab.tipo, cab.serie, numero, cab.ano, numLinha, l.tipoLinha, l.artigo, l.descricao, l.armazem, data,
             textoDecimal(l.preco), textoDecimal(l.quantidadeOrigem), textoDecimal(l.quantidade),
             comOrigem ? QVariant(l.origem->tipo) : QVariant(QMetaType(QMetaType::QString)),
             comOrigem ? QVariant(l.origem->ano) : nulo(), comOrigem ? QVariant(l.origem->numero) : nulo(),
             comOrigem ? QVariant(l.origem->serie) : nulo(), comOrigem ? QVariant(l.origem->linha) : nulo()});
    }
}

void satisfazer(const QSqlDatabase& db, const LinhaGravar::Origem& origem, Moeda quantidade, const QString& cliente) {
    const QVariantList chave{origem.tipo, origem.serie, origem.numero, origem.ano, origem.linha};
    // Compared and reduced in ten-thousandths, exactly, also on SQLite (which
    // keeps NUMERIC values as floating point). Every condition (the order is
    // this client's and not annulled, the line not annulled, enough pending)
    // is checked by the update itself, against the rows as they are when the
    // update locks them; only a refused line is read again, to say why.
    const qlonglong unidades = quantidade.unidades();
    const int alteradas =
        escrever(db,
                 QStringLiteral("UPDATE DOCGCLIN SET QUANT = (ROUND(QUANT * 10000) - ?) / 10000.0"
                                " WHERE TPDOCUM = ? AND SERIE = ? AND NNUMDOC = ? AND ANO = ? AND NUMLINHA = ?"
                                " AND LINANU <> -1 AND ROUND(QUANT * 10000) >= ?"
                                " AND EXISTS (SELECT 1 FROM DOCGCCAB c WHERE c.TPDOC = DOCGCLIN.TPDOCUM"
                                " AND c.SERIE = DOCGCLIN.SERIE AND c.NNUMDOC = DOCGCLIN.NNUMDOC"
                                " AND c.ANO = DOCGCLIN.ANO AND c.TERCEIRO = ? AND c.ANULADO <> -1)"),
                 QVariantList{unidades} + chave + QVariantList{unidades, cliente});
    if (alteradas == 1)
        return;

    const QString naoExiste = QStringLiteral("A linha de origem %1 não existe ou está anulada.").arg(origem.texto());
    const auto estado = primeiraLinha(db,
                                      QStringLiteral("SELECT c.TERCEIRO, c.ANULADO, l.LINANU, l.QUANT"
                                                     " FROM DOCGCLIN l JOIN DOCGCCAB c"
                                                     " ON c.TPDOC = l.TPDOCUM AND c.SERIE = l.SERIE"
                                                     " AND c.NNUMDOC = l.NNUMDOC AND c.ANO = l.ANO"
                                                     " WHERE l.TPDOCUM = ? AND l.SERIE = ? AND l.NNUMDOC = ?"
                                                     " AND l.ANO = ? AND l.NUMLINHA = ?"),
                                      chave);
    if (!estado || estado->at(1).toInt() == -1 || estado->at(2).toInt() == -1)
        throw Recusa{naoExiste};
    if (estado->at(0).toString() != cliente)
        throw Recusa{QStringLiteral("A linha de origem %1 é do cliente %2, não de %3.")
                         .arg(origem.texto(), estado->at(0).toString(), cliente)};
    const Moeda pendente = Moeda::deVariant(estado->at(3)).value_or(Moeda());
    throw Recusa{QStringLiteral("%1: pendente %2, pedido %3")
                     .arg(origem.texto(), textoQuantidade(pendente), textoQuantidade(quantidade))};
}

} // namespace ErpBd

QString LinhaGravar::Origem::texto() const {
    return QStringLiteral("%1/%2/%3 linha %4").arg(tipo).arg(serie).arg(numero).arg(linha);
}
