// The company database: its connection, its statements and their record sets.
//
// A record set streams its rows from a forward-only cursor and keeps nothing
// but the current row, so that a walk over tens of thousands of rows costs one
// step and the values read per row. Rows are only taken out of the cursor and
// kept (the "retained" rows) when the record set must know its count, or when
// the connection is about to be used for another statement: PostgreSQL sends
// one result at a time over a connection, and Qt drops the rest of a
// forward-only result as soon as another statement runs on it.

#include "AcessoDados.h"

#include "Erro.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUuid>

#include <optional>

/// The cursors of one connection still streaming rows.
struct BaseDados::Cursores {
    std::vector<CursorDados*> vivos;

    void juntar(CursorDados* c) { vivos.push_back(c); }
    void largar(CursorDados* c) { std::erase(vivos, c); }
};

namespace {

QString textoErro(const QSqlError& e) {
    QString t = e.databaseText().trimmed();
    if (t.isEmpty())
        t = e.driverText().trimmed();
    return t;
}

QString novoNomeLigacao() {
    return QStringLiteral("orlavane-bd-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
}

/// A cursor over a forward-only QSqlQuery, values read by index.
class CursorSql final : public CursorDados {
public:
    CursorSql(QSqlQuery q, std::shared_ptr<BaseDados::Cursores> cursores)
        : m_q(std::move(q)), m_cursores(std::move(cursores)) {
        const QSqlRecord r = m_q.record();
        for (int i = 0; i < r.count(); ++i)
            m_nomes << r.fieldName(i);
        m_cursores->juntar(this);
    }
    ~CursorSql() override { m_cursores->largar(this); }
    Q_DISABLE_COPY_MOVE(CursorSql)

    QStringList nomes() const override { return m_nomes; }

    bool avancar() override {
        if (m_terminado)
            return false;
        if (m_q.next())
            return true;
        const QSqlError erro = m_q.lastError();
        libertar();
        if (erro.isValid())
            throw Erro(Erro::Sql, QStringLiteral("A base de dados falhou ao ler o resultado: %1").arg(textoErro(erro)));
        return false;
    }

    QVariant valor(int indice) const override { return m_q.value(indice); }

    void libertar() override {
        if (m_terminado)
            return;
        m_terminado = true;
        m_cursores->largar(this);
        m_q = QSqlQuery();
    }

    /// The connection is needed for something else.
    void reter() { pedirRetencao(); }

private:
    QSqlQuery m_q;
    QStringList m_nomes;
    std::shared_ptr<BaseDados::Cursores> m_cursores;
    bool m_terminado = false;
};

} // namespace

// ---------------------------------------------------------------------------
// RecordSet: a closed (or never opened) record set has no Dados.

struct RecordSet::Dados {
    std::unique_ptr<CursorDados> cursor; ///< set while rows are streamed from it
    QStringList nomes;
    int colunas = 0;
    bool actual = false; ///< on a record
    int passados = 0;    ///< records moved past, before the current one

    // Retained rows, the current record first: `colunas` values per row.
    bool retido = false;
    std::vector<QVariant> retidas;
    std::size_t linhasRetidas = 0;
    std::size_t linhaRetida = 0;
    /// A database error met while retaining: raised when the walk gets there.
    std::optional<Erro> erroPendente;

    /// Takes the current and remaining rows out of the cursor and lets it go.
    /// Never raises a database error: one met on the way waits in erroPendente.
    void reter() {
        if (retido || !cursor)
            return;
        retido = true;
        try {
            if (actual) {
                do {
                    for (int i = 0; i < colunas; ++i)
                        retidas.push_back(cursor->valor(i));
                    ++linhasRetidas;
                } while (cursor->avancar());
            }
        } catch (const Erro& e) {
            erroPendente = e;
        }
        cursor->libertar();
    }
};

RecordSet::RecordSet() = default;
RecordSet::~RecordSet() = default;
RecordSet::RecordSet(RecordSet&& o) noexcept : d(std::move(o.d)) {}
RecordSet& RecordSet::operator=(RecordSet&& o) noexcept {
    d = std::move(o.d);
    return *this;
}

void RecordSet::abrir(std::unique_ptr<CursorDados> cursor) {
    fechar();
    if (!cursor)
        return;
    d = std::make_unique<Dados>();
    d->nomes = cursor->nomes();
    d->colunas = static_cast<int>(d->nomes.size());
    d->cursor = std::move(cursor);
    d->cursor->definirRetencao([dados = d.get()] { dados->reter(); });
    d->actual = d->cursor->avancar();
}

void RecordSet::fechar() {
    d.reset();
}

int RecordSet::contagem() {
    if (!d)
        return 0;
    if (d->cursor && !d->retido)
        d->reter();
    if (d->erroPendente)
        throw *d->erroPendente;
    // Rows moved past, then the retained ones (the current row among them).
    return d->passados + static_cast<int>(d->linhasRetidas - d->linhaRetida);
}

bool RecordSet::fim() const {
    return !d || !d->actual;
}

void RecordSet::seguinte() {
    if (fim())
        throw Erro(Erro::Sql, QStringLiteral("O conjunto de registos já está no fim: não há registo seguinte."));
    ++d->passados;
    d->actual = false;
    if (d->retido) {
        ++d->linhaRetida;
        d->actual = d->linhaRetida < d->linhasRetidas;
        if (!d->actual && d->erroPendente)
            throw *d->erroPendente;
    } else {
        d->actual = d->cursor->avancar();
    }
}

int RecordSet::indiceCampo(const QString& nome) const {
    if (!d)
        return -1;
    for (int i = 0; i < d->colunas; ++i) {
        if (d->nomes.at(i).compare(nome, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QVariant RecordSet::campo(const QString& nome) const {
    const int i = indiceCampo(nome);
    if (i < 0)
        throw Erro(Erro::Sql, QStringLiteral("O campo \"%1\" não existe.").arg(nome));
    if (fim())
        throw Erro(Erro::Sql,
                   QStringLiteral("O campo \"%1\" não pode ser lido: o conjunto de registos está no fim.").arg(nome));
    return valor(i);
}

QVariant RecordSet::valor(int indice) const {
    if (fim())
        throw Erro(Erro::Sql, QStringLiteral("Não há registo actual: o conjunto de registos está no fim."));
    if (indice < 0 || indice >= d->colunas)
        throw Erro(Erro::ForaDeIntervalo, QStringLiteral("O campo número %1 não existe.").arg(indice));
    if (d->retido)
        return d->retidas[d->linhaRetida * static_cast<std::size_t>(d->colunas) + static_cast<std::size_t>(indice)];
    return d->cursor->valor(indice);
}

QStringList RecordSet::nomes() const {
    return d ? d->nomes : QStringList();
}

// ---------------------------------------------------------------------------
// Ligacao, BaseDados

Ligacao::~Ligacao() {
    const QString nome = m_db.connectionName();
    m_db.close();
    m_db = QSqlDatabase();
    if (!nome.isEmpty() && QSqlDatabase::contains(nome))
        QSqlDatabase::removeDatabase(nome);
}

BaseDados::BaseDados() : m_cursores(std::make_shared<Cursores>()) {}

BaseDados::~BaseDados() {
    fechar();
}

bool BaseDados::abrir(const QString& textoLigacao) {
    fechar();
    m_ultimoErro.clear();
    m_texto = TextoLigacao();
    try {
        m_texto = TextoLigacao::analisar(textoLigacao);
        const QString nome = novoNomeLigacao();
        m_texto.abrir(nome);
        m_nome = nome;
        return true;
    } catch (const Erro& e) {
        m_ultimoErro = e.texto();
        return false;
    }
}

bool BaseDados::aberta() const {
    return !m_nome.isEmpty() && db().isOpen();
}

QSqlDatabase BaseDados::db() const {
    if (m_nome.isEmpty())
        return {};
    return QSqlDatabase::database(m_nome, false);
}

void BaseDados::exigirAberta() const {
    if (!aberta())
        throw Erro(Erro::BaseDadosFechada,
                   m_ultimoErro.isEmpty()
                       ? QStringLiteral("A base de dados da empresa não está aberta.")
                       : QStringLiteral("A base de dados da empresa não está aberta. %1").arg(m_ultimoErro));
}

void BaseDados::reterRegistos() {
    // Retaining lets the cursor go, which takes it off the list: walk a copy.
    const std::vector<CursorDados*> vivos = m_cursores->vivos;
    for (CursorDados* c : vivos)
        static_cast<CursorSql*>(c)->reter();
}

bool BaseDados::consultar(const QString&, const QString& sql, RecordSet& rs, int, int) {
    consultar(sql, QVariantList(), rs);
    return true;
}

void BaseDados::consultar(const QString& sql, const QVariantList& parametros, RecordSet& rs) {
    rs.fechar();
    exigirAberta();
    // SQLite runs several statements side by side on one connection; PostgreSQL does not.
    if (m_texto.driver == QLatin1String("QPSQL"))
        reterRegistos();
    QSqlQuery q(db());
    q.setForwardOnly(true);
    bool ok = false;
    if (parametros.isEmpty()) {
        ok = q.exec(sql);
    } else if (q.prepare(sql)) {
        for (const QVariant& p : parametros)
            q.addBindValue(p);
        ok = q.exec();
    }
    if (!ok)
        throw Erro(Erro::Sql, QStringLiteral("A base de dados recusou a consulta: %1").arg(textoErro(q.lastError())));
    rs.abrir(std::make_unique<CursorSql>(std::move(q), m_cursores));
}

std::unique_ptr<Ligacao> BaseDados::novaLigacao() {
    exigirAberta();
    const QString nome = novoNomeLigacao();
    QString motivo;
    {
        QSqlDatabase copia = QSqlDatabase::cloneDatabase(m_nome, nome);
        if (copia.open())
            return std::make_unique<Ligacao>(copia);
        motivo = textoErro(copia.lastError());
    }
    QSqlDatabase::removeDatabase(nome);
    if (!m_texto.password.isEmpty())
        motivo.replace(m_texto.password, QStringLiteral("***"));
    throw Erro(
        Erro::BaseDadosFechada,
        QStringLiteral("Não foi possível abrir outra ligação à base de dados %1: %2").arg(m_texto.descricao(), motivo));
}

bool BaseDados::fechar() {
    if (m_nome.isEmpty())
        return true;
    // Record sets still being read keep their rows; their statements end here.
    reterRegistos();
    {
        QSqlDatabase d = db();
        d.close();
    }
    QSqlDatabase::removeDatabase(m_nome);
    m_nome.clear();
    return true;
}
