// The result of a query, read forward only.
//
// A record set streams its rows from a forward-only cursor and keeps nothing
// but the current row, so that a walk over tens of thousands of rows costs one
// step and the values read per row. Rows are only taken out of the cursor and
// kept (the "retained" rows) when the record set must know its count, or when
// the connection is about to be used for another statement: PostgreSQL sends
// one result at a time over a connection, and Qt drops the rest of a
// forward-only result as soon as another statement runs on it.
//
// A closed (or never opened) record set has no Dados.

#include "RecordSet.h"

#include "Erro.h"

#include <vector>

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

std::optional<QByteArrayView> RecordSet::textoUtf8(int indice) const {
    if (fim() || indice < 0 || indice >= d->colunas || d->retido)
        return std::nullopt;
    return d->cursor->textoUtf8(indice);
}

QStringList RecordSet::nomes() const {
    return d ? d->nomes : QStringList();
}
