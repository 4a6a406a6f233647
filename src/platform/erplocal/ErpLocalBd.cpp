#include "ErpLocalInterno.h"
#include "ErpLocalServidor.h"

#include "Dialecto.h"
#include "Erro.h"
#include "FalhaBd.h"
#include "LigacaoBd.h"
#include "SqliteDirecto.h"

#include <QCoreApplication>
#include <QScopeGuard>
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

QVariant nulo() {
    return QVariant(QMetaType(QMetaType::Int));
}

/// A statement's text hashed by its length and sixteen of its characters
/// spread over it. The statements of a connection differ there, and hashing
/// the whole text (hundreds of characters) at every execution of a
/// thousand-line store cost more than the rest of the look-up. Texts that
/// hash alike are still told apart by comparing them whole.
struct HashInstrucao {
    size_t operator()(const QString& t) const noexcept {
        const qsizetype n = t.size();
        size_t h = static_cast<size_t>(n);
        if (n == 0)
            return h;
        for (qsizetype k = 0; k < 16; ++k)
            h = h * 31 + t.at(n * k / 16).unicode();
        return h;
    }
};

/// The statements prepared on each SQLite connection of this thread (by
/// name), one per text, kept while the connection stays as it is: a store of
/// a thousand lines, and the suggestions for its lines, prepare each
/// statement once.
thread_local std::unordered_map<QString, std::unordered_map<QString, QSqlQuery, HashInstrucao>> preparadasPorLigacao;

QSqlQuery novaConsulta(const QSqlDatabase& db) {
    QSqlQuery q(db);
    q.setForwardOnly(true);
    // Amounts come back as exact decimal text, not as doubles.
    q.setNumericalPrecisionPolicy(QSql::HighPrecision);
    return q;
}

[[noreturn]] void falhar(const QSqlQuery& q, const QSqlDatabase& db) {
    const QSqlError e = q.lastError();
    // A statement on a connection already closed never ran: no error of its own.
    const QString texto = db.isOpen() || e.type() != QSqlError::NoError
                              ? textoErroBd(e)
                              : QStringLiteral("A ligação à base de dados está fechada.");
    const Erro erro = FalhaBd::erro(e, db.driver(), Erro::Sql, texto);
    // A rejected statement aborts a PostgreSQL transaction: end it now, so
    // that the statements still open can be released on the server.
    if (transaccoesPg.remove(db.connectionName()) && db.isOpen())
        QSqlDatabase(db).rollback();
    throw erro;
}

/// The error of a transaction's begin or end on `db`.
Erro erroTransaccao(const QSqlDatabase& db) {
    return FalhaBd::erro(db.lastError(), db.driver(), Erro::Sql, textoErroBd(db.lastError()));
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
    sqlite3_stmt* s = SqliteDirecto::instrucao(q);
    if (!s)
        return false;
    sqlite3_reset(s);
    // The texts bound stay here until the statement has run; its values are
    // cleared before they go, also when it fails.
    SqliteDirecto::TextosLigados textos;
    const auto limpar = qScopeGuard([s] {
        sqlite3_reset(s);
        sqlite3_clear_bindings(s);
    });
    bool ok = false;
    if (std::none_of(valores.begin(), valores.end(), textoNulo)) {
        ok = SqliteDirecto::ligar(s, valores, textos);
    } else {
        QVariantList vazios = valores;
        for (QVariant& v : vazios)
            if (textoNulo(v))
                v = QString(QLatin1String(""));
        ok = SqliteDirecto::ligar(s, vazios, textos);
    }
    if (!ok)
        return false;
    LeitorSqlite leitor(s, q.numericalPrecisionPolicy());
    if (leitor.avancar() && linha) {
        QVariantList r;
        const int n = leitor.colunas();
        for (int i = 0; i < n; ++i)
            r << leitor.valor(i);
        *linha = std::move(r);
    }
    alteradas = sqlite3_changes(sqlite3_db_handle(s));
    return true;
}

/// The statement prepared earlier (or now) for this text on this SQLite
/// connection; none when the connection is closed or the text does not
/// prepare (the usual path then says why). PostgreSQL statements are
/// prepared anew each time: a connection the server dropped would leave
/// prepared statements behind that exist no more.
QSqlQuery* preparada(const QSqlDatabase& db, const QString& sql) {
    if (!db.isOpen() || Dialecto::de(db).servidor())
        return nullptr;
    auto& consultas = preparadasPorLigacao[db.connectionName()];
    auto i = consultas.find(sql);
    // A statement the driver let go of (its connection was closed and opened
    // again) is prepared anew.
    if (i != consultas.end() && Dialecto::de(db).leituraDirecta() && !SqliteDirecto::instrucao(i->second)) {
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
    // On the server in one round trip, when the driver's connection allows.
    if (db.isOpen() && ErpServidor::noServidor(db))
        if (auto r = ErpServidor::primeiraLinha(db, sql, valores))
            return *r;
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
    if (!db.isOpen() || Dialecto::de(db).servidor() || !QCoreApplication::instance())
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

Transaccao::Transaccao(QSqlDatabase db) : m_db(std::move(db)), m_servidor(Dialecto::de(m_db).servidor()) {
    if (m_servidor) {
        if (!m_db.transaction())
            throw erroTransaccao(m_db);
        transaccoesPg.insert(m_db.connectionName());
    } else {
        terminarLeitura(m_db);
        executar(m_db, Dialecto::de(m_db).inicioEscrita());
    }
    m_aberta = true;
}

Transaccao::~Transaccao() {
    if (!m_aberta)
        return;
    if (m_servidor) {
        if (transaccoesPg.remove(m_db.connectionName()) && m_db.isOpen())
            m_db.rollback();
    } else {
        QSqlQuery q(m_db);
        q.exec(QStringLiteral("ROLLBACK"));
    }
}

void Transaccao::confirmar() {
    if (m_servidor) {
        if (!transaccoesPg.contains(m_db.connectionName()))
            throw Erro(Erro::Sql, QStringLiteral("A transacção já tinha terminado."));
        transaccoesPg.remove(m_db.connectionName());
        m_aberta = false;
        if (!m_db.commit()) {
            const Erro erro = erroTransaccao(m_db);
            if (m_db.isOpen())
                m_db.rollback();
            throw erro;
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
    if (const QLatin1String ajuste = Dialecto::de(db).ajusteEscrita(); !ajuste.isEmpty())
        executar(db, ajuste, {});
}

void reabrir(QSqlDatabase db) {
    esquecerPreparadas(db.connectionName());
    leiturasSqlite.remove(db.connectionName());
    db.close();
    if (!db.open())
        throw FalhaBd::erro(FalhaBd::classeAbertura(db), Erro::BaseDadosFechada,
                            QStringLiteral("A ligação à base de dados perdeu-se e não foi restabelecida: %1")
                                .arg(textoErroBd(db.lastError())));
    ajustarLigacao(db);
}

qint32 proximoNumero(const QSqlDatabase& db, const QString& tipo, int serie, int ano) {
    const QVariantList chave{tipo, serie, ano};
    escrever(db,
             QStringLiteral("INSERT INTO ErpNumeracao (TipoDoc, Serie, Ano, Ultimo) VALUES (?, ?, ?, 0)"
                            " ON CONFLICT DO NOTHING"),
             chave);
    // The row stays locked until the transaction ends (on SQLite the whole
    // database is, since the transaction began).
    const auto ultimo =
        primeiraLinha(db,
                      QStringLiteral("SELECT Ultimo FROM ErpNumeracao WHERE TipoDoc = ? AND Serie = ? AND Ano = ?") +
                          Dialecto::de(db).paraActualizar(),
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

namespace {

QString clienteRecusado(const QString& cliente) {
    return QStringLiteral("Cliente %1 inexistente ou inactivo.").arg(cliente);
}
QString tipoInexistente(const QString& tipo) {
    return QStringLiteral("O tipo de documento \"%1\" não existe.").arg(tipo);
}
QString serieInexistente(const QString& tipo, int serie) {
    return QStringLiteral("A série %2 do tipo de documento %1 não existe.").arg(tipo).arg(serie);
}

} // namespace

std::optional<QString> verificarCliente(const QSqlDatabase& db, const QString& cliente) {
    const auto r = primeiraLinha(db, QStringLiteral("SELECT Inactivo FROM Clientes WHERE Codigo = ?"), {cliente});
    if (!r || r->at(0).toInt() == -1)
        return clienteRecusado(cliente);
    return std::nullopt;
}

std::optional<QString> verificarTipoSerie(const QSqlDatabase& db, const QString& tipo, int serie) {
    if (!primeiraLinha(db, QStringLiteral("SELECT 1 FROM TpDoc WHERE Codigo = ?"), {tipo}))
        return tipoInexistente(tipo);
    if (!primeiraLinha(db, QStringLiteral("SELECT 1 FROM NOMSERIE WHERE TipoDoc = ? AND Serie = ?"), {tipo, serie}))
        return serieInexistente(tipo, serie);
    return std::nullopt;
}

CabecalhoNaBase CabecalhoNaBase::ler(const QSqlDatabase& db, const QString& cliente, const QString& tipo,
                                     std::optional<int> serie) {
    const auto r = primeiraLinha(db,
                                 QStringLiteral("SELECT (SELECT Inactivo FROM Clientes WHERE Codigo = ?),"
                                                " (SELECT NumContribuinte FROM Clientes WHERE Codigo = ?),"
                                                " (SELECT COUNT(*) FROM TpDoc WHERE Codigo = ?),"
                                                " (SELECT COUNT(*) FROM NOMSERIE WHERE TipoDoc = ? AND Serie = ?)"),
                                 {cliente, cliente, tipo, tipo, serie ? QVariant(*serie) : nulo()});
    CabecalhoNaBase c;
    c.m_cliente = cliente;
    c.m_tipo = tipo;
    c.m_serie = serie;
    if (!r)
        return c;
    c.m_clienteActivo = !r->at(0).isNull() && r->at(0).toInt() != -1;
    c.contribuinte = r->at(1).toString();
    c.m_tipoExiste = r->at(2).toLongLong() > 0;
    c.m_serieExiste = r->at(3).toLongLong() > 0;
    return c;
}

std::optional<QString> CabecalhoNaBase::motivoCliente() const {
    if (!m_clienteActivo)
        return clienteRecusado(m_cliente);
    return std::nullopt;
}

std::optional<QString> CabecalhoNaBase::motivoTipoSerie() const {
    if (!m_tipoExiste)
        return tipoInexistente(m_tipo);
    if (m_serie && !m_serieExiste)
        return serieInexistente(m_tipo, *m_serie);
    return std::nullopt;
}

bool artigoExiste(const QSqlDatabase& db, const QString& artigo) {
    return primeiraLinha(db, QStringLiteral("SELECT 1 FROM Artigos WHERE Codigo = ?"), {artigo}).has_value();
}

bool artigosExistem(const QSqlDatabase& db, const QStringList& artigos) {
    if (artigos.isEmpty())
        return true;
    if (artigos.size() > ArtigosPorConsulta)
        throw Erro(Erro::Sql, QStringLiteral("Demasiados artigos numa consulta."));
    // Always the same text, so that it is prepared once: the last code
    // repeated fills the places left, which changes nothing.
    static const QString sql = [] {
        QStringList lugares;
        for (int i = 0; i < ArtigosPorConsulta; ++i)
            lugares << QStringLiteral("?");
        return QStringLiteral("SELECT COUNT(*) FROM Artigos WHERE Codigo IN (%1)")
            .arg(lugares.join(QStringLiteral(", ")));
    }();
    QVariantList valores;
    valores.reserve(ArtigosPorConsulta);
    for (int i = 0; i < ArtigosPorConsulta; ++i)
        valores << artigos.at(std::min<qsizetype>(i, artigos.size() - 1));
    const auto r = primeiraLinha(db, sql, valores);
    // Articles found: the code is the table's key, so each names one code of
    // the list (a code repeated in the list still matches one row), and as
    // many as there are codes only when every one was found.
    return r && r->at(0).toLongLong() == QSet<QString>(artigos.cbegin(), artigos.cend()).size();
}

QHash<QString, ArtigoSugerido> lerArtigos(const QSqlDatabase& db, const QStringList& artigos) {
    QHash<QString, ArtigoSugerido> lidos;
    lidos.reserve(artigos.size());
    const QString sql =
        QStringLiteral("SELECT Codigo, Nome, PrecoVenda, Unidade, Armazem FROM Artigos WHERE Codigo IN (%1)");
    auto guardar = [&](const QVariantList& l) {
        lidos.insert(l.at(0).toString(), {l.at(1).toString(), Moeda::deVariant(l.at(2)).value_or(Moeda()),
                                          l.at(3).toString(), l.at(4).toString()});
    };
    auto lugares = [](qsizetype n) {
        QStringList l;
        for (qsizetype i = 0; i < n; ++i)
            l << QStringLiteral("?");
        return l.join(QStringLiteral(", "));
    };
    // On a server a thousand codes to a statement, each statement one round
    // trip; its text is not kept, so it holds just the codes asked.
    if (db.isOpen() && ErpServidor::noServidor(db)) {
        constexpr qsizetype PorConsulta = 1000;
        bool directo = true;
        for (qsizetype i = 0; directo && i < artigos.size(); i += PorConsulta) {
            const QStringList bloco = artigos.mid(i, PorConsulta);
            const auto linhas =
                ErpServidor::linhas(db, sql.arg(lugares(bloco.size())), QVariantList(bloco.cbegin(), bloco.cend()));
            directo = linhas.has_value();
            for (const QVariantList& l : linhas.value_or(std::vector<QVariantList>()))
                guardar(l);
        }
        if (directo)
            return lidos;
    }
    // Always the same text, so that it is prepared once: the last code
    // repeated fills the places left.
    static const QString porBloco = sql.arg(lugares(ArtigosPorConsulta));
    for (qsizetype i = 0; i < artigos.size(); i += ArtigosPorConsulta) {
        QVariantList valores;
        valores.reserve(ArtigosPorConsulta);
        for (qsizetype j = 0; j < ArtigosPorConsulta; ++j)
            valores << artigos.at(std::min(i + j, artigos.size() - 1));
        QSqlQuery q = executar(db, porBloco, valores);
        while (q.next())
            guardar({q.value(0), q.value(1), q.value(2), q.value(3), q.value(4)});
    }
    return lidos;
}

bool tipoInteiro(const QVariant& valor) {
    switch (valor.typeId()) {
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::UShort:
        return true;
    default:
        return false;
    }
}

std::optional<qint64> inteiroDe(const QVariant& valor) {
    if (!valor.isValid() || valor.isNull())
        return std::nullopt;
    // Whole already: the number its text would be read back as.
    if (tipoInteiro(valor))
        return valor.toLongLong();
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
              cab.desconto.paraTextoC(),
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
             l.preco.paraTextoC(), l.quantidadeOrigem.paraTextoC(), l.quantidade.paraTextoC(),
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
